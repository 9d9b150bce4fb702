#pragma once
// CBase64EnDeCode: Base64 (RFC 4648 alphabet, "=" padding, no line breaks) of texts and files. Texts
// become bytes through GBK and come back through it.
//
// Limits callers are told of: an encode takes at most 32,766 bytes, a decode at most 32,765 characters.
// Every failure (over a limit, a trailing group of two or three characters, an unreadable file) is
// silent: the string members return empty text, the file members stop where they are.
//
// Decoding is positional, as the stored data expects: groups of four characters from the start, any
// character outside the alphabet ("=", blanks, line breaks) counting as value 0 in its place, a
// trailing single character ignored; the result is cut at its first NUL.
#include <QString>

#include <optional>
#include <string>
#include <string_view>

class CBase64EnDeCode
{
public:
    [[nodiscard]] QString Base64StringEncode(const QString &input) const;
    [[nodiscard]] QString Base64StringDecode(const QString &input) const;
    // Both take the plain file first and the coded file second; the destination is replaced whole.
    void Base64FileEncode(const QString &plainFileName, const QString &codedFileName) const;
    void Base64FileDecode(const QString &plainFileName, const QString &codedFileName) const;

    static constexpr qsizetype MaxEncodeBytes = 32766;
    static constexpr qsizetype MaxDecodeCharacters = 32765;

    // The byte-level codec under the members above; nullopt where they fail. decodeBytes keeps the
    // zero bytes (the text members cut there).
    [[nodiscard]] static std::optional<std::string> encodeBytes(std::string_view bytes);
    [[nodiscard]] static std::optional<std::string> decodeBytes(std::string_view coded);

private:
    [[nodiscard]] static std::optional<QString> encodeText(const QString &text);
    [[nodiscard]] static std::optional<QString> decodeText(const QString &coded);
};
