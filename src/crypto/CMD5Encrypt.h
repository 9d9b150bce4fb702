#pragma once
// CMD5Encrypt: MD5 (RFC 1321) of a text (its GBK bytes) or a file, as 32 capital hex digits; can also
// be driven step by step: MD5Init, any number of MD5Update, MD5Final, then GetValues or the registers.
//
// Limits callers are told of: one MD5Update takes at most 32,767 bytes, and so does DigestStrToHexStr;
// more raises CipherError 6 (overflow). Files have no limit: the byte counter is 64-bit.
// No member catches failures: a missing file raises CipherError 53, an unreadable one 75.
#include <QString>

#include <cstdint>
#include <vector>

class CMD5Encrypt
{
public:
    CMD5Encrypt();

    // The state words as signed decimal text.
    [[nodiscard]] QString RegisterA() const;
    [[nodiscard]] QString RegisterB() const;
    [[nodiscard]] QString RegisterC() const;
    [[nodiscard]] QString RegisterD() const;

    [[nodiscard]] QString DigestFileToHexStr(const QString &fileName);
    [[nodiscard]] QString DigestStrToHexStr(const QString &source);
    // The current state as digest text (A, B, C, D, each in little-endian byte order).
    [[nodiscard]] QString GetValues() const;

    void MD5Init();
    // Pads the message (0x80, zeros, bit length) and transforms the last block(s).
    void MD5Final();
    // Feeds the first length bytes of bytes; length at most 32,767 (else error 6) and at most the
    // array's size (else error 9); a length below 1 feeds nothing.
    void MD5Update(int length, const std::vector<std::uint8_t> &bytes);
    // bits becomes bits mod 32 (a negative count stays negative and rotates nothing); value becomes
    // value rotated left by it, and is returned.
    std::int32_t LongLeftRotate(std::int32_t &value, std::int32_t &bits);

    static constexpr int MaxUpdateBytes = 32767;

private:
    void feed(const std::uint8_t *data, std::size_t length);

    std::uint32_t m_state[4];
    std::uint64_t m_count = 0;
    std::uint8_t m_buffer[64] = {};
};
