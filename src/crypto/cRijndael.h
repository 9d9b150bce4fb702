#pragma once
// cRijndael: AES (FIPS-197, 128-bit block) with 128-, 192- or 256-bit keys, every block on its own
// (ECB, no chaining, no IV), over single blocks, byte arrays, files and texts.
//
// Formats of its own:
//  - array and file form (ArrayEncrypt with appendsize != 0, FileEncrypt): the data, zero bytes up to
//    the last byte of the next 16-byte block, which holds length mod 16; a length that is already a
//    multiple of 16 (0 included) gets a whole extra block. Always 16 * (n / 16 + 1) bytes.
//  - text form (StringEncrypt): GBK bytes of the text, zero-padded to a multiple of 16 (no extra block,
//    no length byte), enciphered, written as capital hex with two spaces before every (blockSize / 8)th
//    byte. The password becomes the key as its GBK bytes, zero-padded or cut to 32 bytes.
//
// login.ini: the saved password and answer are
//     cipher.StringEncrypt(text, QStringLiteral("Brovk"), 256, 256)
// and are read back with
//     cipher.StringDecrypt(stored, QStringLiteral("Brovk"), 256, 256).left(firstNul)
// (StringDecrypt keeps the zero padding as trailing U+0000; cut the result at its first NUL).
// A text of 1-16 GBK bytes is stored as 32 hex digits, 17-32 as 64, 33-48 as 64 + two spaces + 32.
//
// Errors (see CipherError.h):
//  - argument errors are thrown as CipherError number 1 with fixed English texts
//    ("cRijndael.SetCipherKey - Illegal KeyBits Value");
//  - an index outside an array, an empty StringEncrypt source, a StringDecrypt source of fewer than two
//    characters: CipherError 9; a blockSize below 8 for StringEncrypt: CipherError 11; a block operation
//    before any key: CipherError 5; a missing input file: CipherError 53, an unusable file: 75;
//  - data errors of deciphering are shown through Seams::messageBox (OK button, no icon) and reported
//    through the result (-1 / 1 / empty text).
//
// Arrays here are std::vector and so always start at index 0; the "must be zero based array" errors
// of arrays with another lower bound cannot arise.
//
// Not thread-safe; one instance per user (the client keeps one for the whole run). The lookup tables
// are built per instance, once, when it is created.
#include "AesTransform.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class cRijndael
{
public:
    using Bytes = std::vector<std::uint8_t>;

    // Which transform enciphers the blocks; all give byte-identical results. Hardware is the
    // processor's AES instructions, one block per instruction; Vector256 and Vector512 its vector AES
    // instructions on two or four blocks per instruction. At creation the widest the processor and
    // the operating system allow is chosen (Vector512, Vector256, Hardware, then Table).
    enum class TransformPath { Table, Hardware, Vector256, Vector512 };

    cRijndael();

    [[nodiscard]] TransformPath transformPath() const { return m_path; }
    // Returns false (and keeps the current path) when a path is asked for that this machine lacks.
    bool setTransformPath(TransformPath path);
    [[nodiscard]] static bool hardwareAvailable();
    [[nodiscard]] static bool pathAvailable(TransformPath path);
    // The path a new instance takes.
    [[nodiscard]] static TransformPath bestPath();

    // Sets the key from the first KeyBits / 8 bytes of pass. KeyBits 128, 192 or 256; any other value
    // raises error 1 and keeps the previous key. Result 0.
    int SetCipherKey(const Bytes &pass, int KeyBits);
    // The GBK bytes of PassPhrase, zero-padded or cut to 32 bytes, as the key.
    int SetCipherKeyString(const QString &PassPhrase, int KeyBits);

    // Enciphers Plaintext[p .. p+15] into Ciphertext[q .. q+15]; the two may be the same array.
    void BlockEncrypt(const Bytes &Plaintext, Bytes &Ciphertext, int p, int q) const;
    // Deciphers Ciphertext[q .. q+15] into Plaintext[p .. p+15]; the two may be the same array.
    void BlockDecrypt(Bytes &Plaintext, const Bytes &Ciphertext, int p, int q) const;

    // appendsize != 0: the array form with its length byte; 0: zero padding only (Plaintext must then
    // not be empty). Result 0.
    int ArrayEncrypt(const Bytes &Plaintext, Bytes &Ciphertext, int appendsize) const;
    // Result 0; -1 with a message box when the size is not a multiple of 16 (Plaintext untouched);
    // 1 with a message box when the length byte is above 15 (all bytes kept).
    int ArrayDecrypt(Bytes &Plaintext, const Bytes &Ciphertext, int appendsize) const;

    // The array form of a whole file, in pieces of 4,000,000 bytes. The output file is replaced
    // (written to a temporary file and renamed over it). Result 0.
    int FileEncrypt(const QString &PlaintextFileName, const QString &CiphertextFileName) const;
    // Result 1 with a message box (no file touched) when the ciphertext file is empty or not a multiple
    // of 16 bytes; 0 otherwise, also after the "incorrect length field" warning.
    int FileDecrypt(const QString &PlaintextFileName, const QString &CiphertextFileName) const;

    // The text form; blockSize / 8 bytes per group of hex digits, keySize the key bits. The key set here
    // stays in force afterwards.
    QString StringEncrypt(const QString &strSource, const QString &strPassword, int blockSize, int keySize);
    // Accepts any text; only hex digits count. Empty result (with a message box) when it holds no hex
    // pair or a byte count that is not a multiple of 16. blockSize is not used.
    QString StringDecrypt(const QString &strSource, const QString &strPassword, int blockSize, int keySize);

    void FileEncryptSimple(const QString &PlaintextFileName, const QString &CiphertextFileName,
                           const QString &strPassword, int blockSize, int keySize);
    void FileDecryptSimple(const QString &PlaintextFileName, const QString &CiphertextFileName,
                           const QString &strPassword, int blockSize, int keySize);

    // The helpers of the text form, open for tests and for the fuzzers.
    // The GBK bytes of a password text, zero-padded or cut to exactly 32 bytes.
    [[nodiscard]] static Bytes KeyFromPassword(const QString &strPassword);
    // Capital hex, two spaces before byte i for every i > 0 that is a multiple of groupSize.
    // length is the number of bytes of data to write (at most data.size()).
    [[nodiscard]] static std::string ArrayToHex(const Bytes &data, std::size_t length, int groupSize);
    // Pairs of hex digits (either case; each character read by the low eight bits of its code unit),
    // every other character skipped, a lone last digit dropped. Fewer than two characters: error 9.
    [[nodiscard]] static Bytes HexToArray(const QString &text);

    // Piece size of the file operations: 250,000 blocks.
    static constexpr std::size_t FilePieceBytes = 4'000'000;

private:
    void requireKey() const;
    void encryptBlocks(const std::uint8_t *in, std::uint8_t *out, std::size_t blocks) const;
    void decryptBlocks(const std::uint8_t *in, std::uint8_t *out, std::size_t blocks) const;

    Aes::Tables m_tables;
    Aes::KeySchedule m_key;
    TransformPath m_path;
};
