#pragma once
// The code pages of login.ini (GBK, ANSI code page 936) and of the forum's pages and forms, in one
// helper. The forum ships in GBK and in UTF-8 (and Big5); it compares typed texts as the bytes they
// arrive in, so a form goes in the code page its forum declares, as a browser sends it.
#include <QByteArray>
#include <QString>

#include <optional>

namespace CodePage {

// The code page of login.ini, and of a forum that has declared none (the older site).
inline constexpr char kGbk[] = "GBK";

// Text to GBK bytes; characters GBK cannot hold become '?'.
[[nodiscard]] QByteArray toAnsi(const QString &text);
// GBK bytes to text; invalid sequences become U+FFFD, never a failure.
[[nodiscard]] QString fromAnsi(const QByteArray &bytes);
// Bytes in a named charset ("gbk", "utf-8", "gb2312", "big5", ...) to text; unknown names fall back to GBK.
[[nodiscard]] QString decode(const QByteArray &bytes, const QByteArray &charset);

// One spelling for each code page a forum may name: "GBK" for its aliases (gb2312, cp936, x-gbk,
// gbk), "UTF-8" for utf-8 and utf8, the upper-case name for any other charset this program can
// encode; nullopt for a name it cannot (empty, unknown, malformed).
[[nodiscard]] std::optional<QByteArray> usableCharset(const QByteArray &declaredName);

// What a reply says about its own code page: a byte-order mark, else the Content-Type header's
// charset, else the XML declaration or HTML meta charset of its first 1 KiB. Empty when it says
// nothing; odd when it names a charset this program cannot use, or two different ones in one place.
struct Declaration {
    QByteArray name; // as declared, trimmed and lower case (or the byte-order mark's)
    bool odd = false;
    qsizetype markLength = 0; // bytes of the byte-order mark before the text
};
[[nodiscard]] Declaration declaration(const QByteArray &body, const QByteArray &contentType);

// The first character of text (one or two UTF-16 units) that charset cannot hold; nullopt when
// all of it can go.
[[nodiscard]] std::optional<QString> firstUnencodable(const QString &text, const QByteArray &charset);

// Percent-encoding of a form value or query value in charset (GBK unless named): everything but
// A-Z a-z 0-9 - _ . ~ is %XX. A character the charset cannot hold becomes '?': check with
// firstUnencodable first.
[[nodiscard]] QByteArray percentEncode(const QString &text, const QByteArray &charset = kGbk);

} // namespace CodePage
