#include "CBase64EnDeCode.h"

#include "base/CodePage.h"
#include "CryptoFiles.h"

#include <array>
#include <exception>

namespace {

constexpr char Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of every byte; everything outside the alphabet counts as 0.
const std::array<std::uint8_t, 256> &decodeTable()
{
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> t{};
        for (int v = 0; v < 64; ++v)
            t[static_cast<unsigned char>(Alphabet[v])] = static_cast<std::uint8_t>(v);
        return t;
    }();
    return table;
}

std::string_view view(const QByteArray &bytes)
{
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

QByteArray toByteArray(const std::string &bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

std::optional<std::string> CBase64EnDeCode::encodeBytes(std::string_view bytes)
{
    const auto n = static_cast<qsizetype>(bytes.size());
    if (n > MaxEncodeBytes)
        return std::nullopt;
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    std::string out;
    out.reserve(static_cast<std::size_t>((n + 2) / 3 * 4));
    for (qsizetype i = 0; i < n; i += 3) {
        const qsizetype have = std::min<qsizetype>(3, n - i);
        const unsigned b0 = in[i];
        const unsigned b1 = have > 1 ? in[i + 1] : 0;
        const unsigned b2 = have > 2 ? in[i + 2] : 0;
        out += Alphabet[b0 >> 2];
        out += Alphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
        out += have > 1 ? Alphabet[((b1 & 0x0f) << 2) | (b2 >> 6)] : '=';
        out += have > 2 ? Alphabet[b2 & 0x3f] : '=';
    }
    return out;
}

std::optional<std::string> CBase64EnDeCode::decodeBytes(std::string_view coded)
{
    const auto n = static_cast<qsizetype>(coded.size());
    // A trailing group of two or three characters cannot be decoded; a single one is ignored.
    if (n > MaxDecodeCharacters || n % 4 == 2 || n % 4 == 3)
        return std::nullopt;
    const auto &table = decodeTable();
    const auto *in = reinterpret_cast<const unsigned char *>(coded.data());
    std::string out;
    out.reserve(static_cast<std::size_t>(n / 4 * 3));
    for (qsizetype i = 0; i + 1 < n; i += 4) {
        const unsigned v = (unsigned(table[in[i]]) << 18) | (unsigned(table[in[i + 1]]) << 12) |
                           (unsigned(table[in[i + 2]]) << 6) | table[in[i + 3]];
        out += static_cast<char>(v >> 16);
        out += static_cast<char>((v >> 8) & 0xff);
        out += static_cast<char>(v & 0xff);
    }
    return out;
}

std::optional<QString> CBase64EnDeCode::encodeText(const QString &text)
{
    const auto coded = encodeBytes(view(CodePage::toAnsi(text)));
    if (!coded)
        return std::nullopt;
    return QString::fromLatin1(coded->data(), static_cast<qsizetype>(coded->size()));
}

std::optional<QString> CBase64EnDeCode::decodeText(const QString &coded)
{
    auto bytes = decodeBytes(view(CodePage::toAnsi(coded)));
    if (!bytes)
        return std::nullopt;
    // Padding decodes to zero bytes: the text ends at the first of them.
    bytes->resize(std::min(bytes->find('\0'), bytes->size()));
    return CodePage::fromAnsi(toByteArray(*bytes));
}

QString CBase64EnDeCode::Base64StringEncode(const QString &input) const
{
    return encodeText(input).value_or(QString());
}

QString CBase64EnDeCode::Base64StringDecode(const QString &input) const
{
    return decodeText(input).value_or(QString());
}

void CBase64EnDeCode::Base64FileEncode(const QString &plainFileName, const QString &codedFileName) const
{
    try {
        if (const auto coded = encodeText(CodePage::fromAnsi(CryptoFiles::readAll(plainFileName))))
            CryptoFiles::writeAll(codedFileName, CodePage::toAnsi(*coded));
    } catch (const std::exception &) {
        // Silent by design: whatever was done stays done.
    }
}

void CBase64EnDeCode::Base64FileDecode(const QString &plainFileName, const QString &codedFileName) const
{
    try {
        if (const auto text = decodeText(CodePage::fromAnsi(CryptoFiles::readAll(codedFileName))))
            CryptoFiles::writeAll(plainFileName, CodePage::toAnsi(*text));
    } catch (const std::exception &) {
        // Silent by design: whatever was done stays done.
    }
}
