#include "cRijndael.h"

#include "base/CodePage.h"
#include "base/Seams.h"
#include "CipherError.h"
#include "CryptoFiles.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t Block = Aes::BlockBytes;

void showDataError(const QString &text)
{
    Seams::tell(nullptr, text, Seams::Icon::None);
}

// The 16 bytes at index must lie inside the array.
void requireBlockInside(const cRijndael::Bytes &array, int index)
{
    if (index < 0 || static_cast<std::size_t>(index) + Block > array.size())
        CipherErrors::subscriptOutOfRange();
}

cRijndael::Bytes toBytes(const QByteArray &bytes)
{
    return cRijndael::Bytes(bytes.begin(), bytes.end());
}

} // namespace

cRijndael::cRijndael()
    : m_path(bestPath())
{
}

bool cRijndael::hardwareAvailable()
{
    return Aes::hardwareAvailable();
}

bool cRijndael::pathAvailable(TransformPath path)
{
    switch (path) {
    case TransformPath::Table:
        return true;
    case TransformPath::Hardware:
        return Aes::hardwareAvailable();
    case TransformPath::Vector256:
        return Aes::vectorSupport().bits256;
    case TransformPath::Vector512:
        return Aes::vectorSupport().bits512;
    }
    return false;
}

cRijndael::TransformPath cRijndael::bestPath()
{
    for (const TransformPath path : {TransformPath::Vector512, TransformPath::Vector256, TransformPath::Hardware})
        if (pathAvailable(path))
            return path;
    return TransformPath::Table;
}

bool cRijndael::setTransformPath(TransformPath path)
{
    if (!pathAvailable(path))
        return false;
    m_path = path;
    return true;
}

void cRijndael::requireKey() const
{
    if (m_key.rounds == 0)
        throw CipherError(CipherErrors::NoKey, "cRijndael - no key set");
}

void cRijndael::encryptBlocks(const std::uint8_t *in, std::uint8_t *out, std::size_t blocks) const
{
    switch (m_path) {
    case TransformPath::Vector512:
        Aes::encryptBlocksVector(Aes::VectorWidth::Bits512, m_key, in, out, blocks);
        break;
    case TransformPath::Vector256:
        Aes::encryptBlocksVector(Aes::VectorWidth::Bits256, m_key, in, out, blocks);
        break;
    case TransformPath::Hardware:
        Aes::encryptBlocksHardware(m_key, in, out, blocks);
        break;
    case TransformPath::Table:
        Aes::encryptBlocksTable(m_tables, m_key, in, out, blocks);
        break;
    }
}

void cRijndael::decryptBlocks(const std::uint8_t *in, std::uint8_t *out, std::size_t blocks) const
{
    switch (m_path) {
    case TransformPath::Vector512:
        Aes::decryptBlocksVector(Aes::VectorWidth::Bits512, m_key, in, out, blocks);
        break;
    case TransformPath::Vector256:
        Aes::decryptBlocksVector(Aes::VectorWidth::Bits256, m_key, in, out, blocks);
        break;
    case TransformPath::Hardware:
        Aes::decryptBlocksHardware(m_key, in, out, blocks);
        break;
    case TransformPath::Table:
        Aes::decryptBlocksTable(m_tables, m_key, in, out, blocks);
        break;
    }
}

int cRijndael::SetCipherKey(const Bytes &pass, int KeyBits)
{
    if (KeyBits != 128 && KeyBits != 192 && KeyBits != 256)
        throw CipherError(CipherErrors::IllegalArgument, "cRijndael.SetCipherKey - Illegal KeyBits Value");
    if (pass.size() < static_cast<std::size_t>(KeyBits / 8))
        CipherErrors::subscriptOutOfRange();
    m_key = Aes::expandKey(m_tables, pass.data(), KeyBits / 32);
    return 0;
}

int cRijndael::SetCipherKeyString(const QString &PassPhrase, int KeyBits)
{
    return SetCipherKey(KeyFromPassword(PassPhrase), KeyBits);
}

cRijndael::Bytes cRijndael::KeyFromPassword(const QString &strPassword)
{
    Bytes key = toBytes(CodePage::toAnsi(strPassword));
    key.resize(32, 0);
    return key;
}

void cRijndael::BlockEncrypt(const Bytes &Plaintext, Bytes &Ciphertext, int p, int q) const
{
    requireBlockInside(Plaintext, p);
    requireBlockInside(Ciphertext, q);
    requireKey();
    // Through a copy: the two arrays may be one.
    std::uint8_t block[Block];
    std::memcpy(block, Plaintext.data() + p, Block);
    encryptBlocks(block, block, 1);
    std::memcpy(Ciphertext.data() + q, block, Block);
}

void cRijndael::BlockDecrypt(Bytes &Plaintext, const Bytes &Ciphertext, int p, int q) const
{
    requireBlockInside(Plaintext, p);
    requireBlockInside(Ciphertext, q);
    requireKey();
    std::uint8_t block[Block];
    std::memcpy(block, Ciphertext.data() + q, Block);
    decryptBlocks(block, block, 1);
    std::memcpy(Plaintext.data() + p, block, Block);
}

int cRijndael::ArrayEncrypt(const Bytes &Plaintext, Bytes &Ciphertext, int appendsize) const
{
    const std::size_t n = Plaintext.size();
    if (appendsize == 0 && n == 0)
        CipherErrors::subscriptOutOfRange();
    requireKey();
    if (&Plaintext == &Ciphertext) {
        const Bytes copy = Plaintext;
        return ArrayEncrypt(copy, Ciphertext, appendsize);
    }
    const std::size_t outLength = appendsize != 0 ? Block * (n / Block + 1) : (n + Block - 1) / Block * Block;
    const std::size_t whole = n / Block;
    // Whole blocks go straight from the input into the output (whose storage is reused).
    Ciphertext.resize(outLength);
    encryptBlocks(Plaintext.data(), Ciphertext.data(), whole);
    if (outLength > whole * Block) {
        // The last block: the rest of the data, zero bytes, and the length byte when there is one.
        std::uint8_t last[Block] = {};
        std::copy(Plaintext.begin() + static_cast<std::ptrdiff_t>(whole * Block), Plaintext.end(), last);
        if (appendsize != 0)
            last[Block - 1] = static_cast<std::uint8_t>(n % Block);
        encryptBlocks(last, Ciphertext.data() + whole * Block, 1);
    }
    return 0;
}

int cRijndael::ArrayDecrypt(Bytes &Plaintext, const Bytes &Ciphertext, int appendsize) const
{
    const std::size_t n = Ciphertext.size();
    if (n % Block != 0) {
        showDataError(QStringLiteral("ciphertext size not a multiple of block size"));
        return -1;
    }
    requireKey();
    if (n == 0) {
        // Without a length field nothing comes back; with one there is no length byte to read.
        if (appendsize != 0)
            CipherErrors::subscriptOutOfRange();
        Plaintext.clear();
        return 0;
    }
    // Sizing first is safe when both are one array: the size stays n and the blocks go in place.
    Plaintext.resize(n);
    decryptBlocks(Ciphertext.data(), Plaintext.data(), n / Block);
    if (appendsize == 0)
        return 0;
    const std::size_t lengthByte = Plaintext.back();
    if (lengthByte >= Block) {
        showDataError(QStringLiteral("warning - incorrect length field"));
        return 1;
    }
    Plaintext.resize(n - Block + lengthByte);
    return 0;
}

int cRijndael::FileEncrypt(const QString &PlaintextFileName, const QString &CiphertextFileName) const
{
    CryptoFiles::requireExisting(PlaintextFileName);
    requireKey();
    CryptoFiles::Reader input(PlaintextFileName);
    CryptoFiles::Writer output(CiphertextFileName);
    const std::uint64_t length = input.size();
    // The array form: (length + 16) rounded down to whole blocks, the last byte holding length mod 16.
    std::uint64_t total = (length + Block) / Block * Block;
    Bytes buffer(static_cast<std::size_t>(std::min<std::uint64_t>(total, FilePieceBytes)));
    while (total > FilePieceBytes) {
        input.read(buffer.data(), FilePieceBytes);
        encryptBlocks(buffer.data(), buffer.data(), FilePieceBytes / Block);
        output.write(buffer.data(), FilePieceBytes);
        total -= FilePieceBytes;
    }
    buffer.assign(static_cast<std::size_t>(total), 0);
    input.read(buffer.data(), static_cast<std::size_t>(input.remaining()));
    buffer.back() = static_cast<std::uint8_t>(length % Block);
    encryptBlocks(buffer.data(), buffer.data(), buffer.size() / Block);
    output.write(buffer.data(), buffer.size());
    output.commit();
    return 0;
}

int cRijndael::FileDecrypt(const QString &PlaintextFileName, const QString &CiphertextFileName) const
{
    CryptoFiles::requireExisting(CiphertextFileName);
    std::uint64_t length = CryptoFiles::fileSize(CiphertextFileName);
    if (length == 0 || length % Block != 0) {
        showDataError(QStringLiteral("File Size Error - ciphertext file not a multiple of block size"));
        return 1;
    }
    requireKey();
    CryptoFiles::Reader input(CiphertextFileName);
    CryptoFiles::Writer output(PlaintextFileName);
    length = input.size();
    Bytes buffer(static_cast<std::size_t>(std::min<std::uint64_t>(length, FilePieceBytes)));
    while (length > FilePieceBytes) {
        input.read(buffer.data(), FilePieceBytes);
        decryptBlocks(buffer.data(), buffer.data(), FilePieceBytes / Block);
        output.write(buffer.data(), FilePieceBytes);
        length -= FilePieceBytes;
    }
    buffer.resize(static_cast<std::size_t>(length));
    input.read(buffer.data(), buffer.size());
    decryptBlocks(buffer.data(), buffer.data(), buffer.size() / Block);
    std::size_t keep = buffer.size();
    const std::size_t lengthByte = buffer.back();
    if (lengthByte < Block)
        keep = buffer.size() - Block + lengthByte;
    else
        showDataError(QStringLiteral("warning - incorrect length field in decrypted file.\r\nWrong key or keysize?"));
    output.write(buffer.data(), keep);
    output.commit();
    return 0;
}

std::string cRijndael::ArrayToHex(const Bytes &data, std::size_t length, int groupSize)
{
    static const char digits[] = "0123456789ABCDEF";
    if (length > data.size())
        CipherErrors::subscriptOutOfRange();
    if (groupSize == 0)
        throw CipherError(CipherErrors::DivisionByZero, "Division by zero");
    std::string hex;
    hex.reserve(length * 2 + (length / static_cast<std::size_t>(std::max(groupSize, 1))) * 2);
    for (std::size_t i = 0; i < length; ++i) {
        if (i > 0 && static_cast<long long>(i) % groupSize == 0)
            hex += "  ";
        hex += digits[data[i] >> 4];
        hex += digits[data[i] & 0x0f];
    }
    return hex;
}

cRijndael::Bytes cRijndael::HexToArray(const QString &text)
{
    if (text.size() < 2)
        CipherErrors::subscriptOutOfRange();
    Bytes out;
    out.reserve(static_cast<std::size_t>(text.size() / 2));
    int pending = -1;
    for (const QChar c : text) {
        const int ch = c.unicode() & 0xff;
        int digit;
        if (ch >= '0' && ch <= '9')
            digit = ch - '0';
        else if (ch >= 'A' && ch <= 'F')
            digit = ch - 'A' + 10;
        else if (ch >= 'a' && ch <= 'f')
            digit = ch - 'a' + 10;
        else
            continue;
        if (pending < 0) {
            pending = digit;
        } else {
            out.push_back(static_cast<std::uint8_t>(pending * 16 + digit));
            pending = -1;
        }
    }
    return out;
}

QString cRijndael::StringEncrypt(const QString &strSource, const QString &strPassword, int blockSize, int keySize)
{
    SetCipherKey(KeyFromPassword(strPassword), keySize);
    const Bytes source = toBytes(CodePage::toAnsi(strSource));
    Bytes cipher;
    ArrayEncrypt(source, cipher, 0);
    if (blockSize / 8 == 0)
        throw CipherError(CipherErrors::DivisionByZero, "Division by zero");
    return QString::fromLatin1(ArrayToHex(cipher, cipher.size(), blockSize / 8));
}

QString cRijndael::StringDecrypt(const QString &strSource, const QString &strPassword, int blockSize, int keySize)
{
    const Bytes key = KeyFromPassword(strPassword);
    const Bytes cipher = HexToArray(strSource);
    if (cipher.empty()) {
        showDataError(QStringLiteral("错误：非十六进制数据！"));
        return {};
    }
    SetCipherKey(key, keySize);
    Bytes plain;
    if (ArrayDecrypt(plain, cipher, 0) == -1)
        return {};
    return CodePage::fromAnsi(QByteArray(reinterpret_cast<const char *>(plain.data()),
                                         static_cast<qsizetype>(plain.size())));
}

void cRijndael::FileEncryptSimple(const QString &PlaintextFileName, const QString &CiphertextFileName,
                                  const QString &strPassword, int blockSize, int keySize)
{
    SetCipherKey(KeyFromPassword(strPassword), keySize);
    FileEncrypt(PlaintextFileName, CiphertextFileName);
}

void cRijndael::FileDecryptSimple(const QString &PlaintextFileName, const QString &CiphertextFileName,
                                  const QString &strPassword, int blockSize, int keySize)
{
    SetCipherKey(KeyFromPassword(strPassword), keySize);
    FileDecrypt(PlaintextFileName, CiphertextFileName);
}
