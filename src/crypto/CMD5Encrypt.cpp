#include "CMD5Encrypt.h"

#include "base/CodePage.h"
#include "CipherError.h"
#include "CryptoFiles.h"
#include "Md5Transform.h"

#include <cstring>

namespace {

constexpr std::size_t FileReadBytes = 1 << 20;

[[noreturn]] void overflow()
{
    throw CipherError(CipherErrors::Overflow, "Overflow");
}

} // namespace

CMD5Encrypt::CMD5Encrypt()
{
    MD5Init();
}

QString CMD5Encrypt::RegisterA() const
{
    return QString::number(static_cast<std::int32_t>(m_state[0]));
}

QString CMD5Encrypt::RegisterB() const
{
    return QString::number(static_cast<std::int32_t>(m_state[1]));
}

QString CMD5Encrypt::RegisterC() const
{
    return QString::number(static_cast<std::int32_t>(m_state[2]));
}

QString CMD5Encrypt::RegisterD() const
{
    return QString::number(static_cast<std::int32_t>(m_state[3]));
}

void CMD5Encrypt::MD5Init()
{
    std::memcpy(m_state, Md5::InitialState, sizeof m_state);
    m_count = 0;
}

void CMD5Encrypt::feed(const std::uint8_t *data, std::size_t length)
{
    std::size_t buffered = static_cast<std::size_t>(m_count % Md5::BlockBytes);
    m_count += length;
    if (buffered > 0) {
        const std::size_t take = std::min(length, Md5::BlockBytes - buffered);
        std::memcpy(m_buffer + buffered, data, take);
        data += take;
        length -= take;
        buffered += take;
        if (buffered < Md5::BlockBytes)
            return;
        Md5::compress(m_state, m_buffer, 1);
    }
    const std::size_t whole = length / Md5::BlockBytes;
    Md5::compress(m_state, data, whole);
    std::memcpy(m_buffer, data + whole * Md5::BlockBytes, length % Md5::BlockBytes);
}

void CMD5Encrypt::MD5Update(int length, const std::vector<std::uint8_t> &bytes)
{
    if (length > MaxUpdateBytes)
        overflow();
    if (length < 1)
        return;
    if (static_cast<std::size_t>(length) > bytes.size())
        CipherErrors::subscriptOutOfRange();
    feed(bytes.data(), static_cast<std::size_t>(length));
}

void CMD5Encrypt::MD5Final()
{
    const std::uint64_t bits = m_count * 8;
    const std::size_t buffered = static_cast<std::size_t>(m_count % Md5::BlockBytes);
    // 0x80, zeros up to 56 mod 64, then the bit length as 64-bit little-endian.
    std::uint8_t padding[2 * Md5::BlockBytes] = {0x80};
    const std::size_t padLength = (buffered < 56 ? 56 : 120) - buffered;
    for (int k = 0; k < 8; ++k)
        padding[padLength + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(bits >> (8 * k));
    feed(padding, padLength + 8);
}

QString CMD5Encrypt::GetValues() const
{
    static const char digits[] = "0123456789ABCDEF";
    QString hex;
    hex.reserve(32);
    for (const std::uint32_t word : m_state) {
        for (int k = 0; k < 4; ++k) {
            const unsigned byte = (word >> (8 * k)) & 0xff;
            hex.append(QLatin1Char(digits[byte >> 4]));
            hex.append(QLatin1Char(digits[byte & 0x0f]));
        }
    }
    return hex;
}

QString CMD5Encrypt::DigestStrToHexStr(const QString &source)
{
    MD5Init();
    const QByteArray bytes = CodePage::toAnsi(source);
    if (bytes.size() > MaxUpdateBytes)
        overflow();
    feed(reinterpret_cast<const std::uint8_t *>(bytes.constData()), static_cast<std::size_t>(bytes.size()));
    MD5Final();
    return GetValues();
}

QString CMD5Encrypt::DigestFileToHexStr(const QString &fileName)
{
    CryptoFiles::requireExisting(fileName);
    CryptoFiles::Reader file(fileName);
    MD5Init();
    std::vector<std::uint8_t> chunk(FileReadBytes);
    // Read to the end, not to the size seen at opening: the digest is of the bytes actually read.
    while (const std::size_t got = file.readSome(chunk.data(), chunk.size()))
        feed(chunk.data(), got);
    MD5Final();
    return GetValues();
}

std::int32_t CMD5Encrypt::LongLeftRotate(std::int32_t &value, std::int32_t &bits)
{
    bits %= 32;
    auto v = static_cast<std::uint32_t>(value);
    if (bits > 0)
        v = (v << bits) | (v >> (32 - bits));
    value = static_cast<std::int32_t>(v);
    return value;
}
