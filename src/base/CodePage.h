#pragma once
// The forum's and login.ini's code page (GBK, ANSI code page 936), in one helper.
#include <QByteArray>
#include <QString>

namespace CodePage {

// Text to GBK bytes; characters GBK cannot hold become '?'.
[[nodiscard]] QByteArray toAnsi(const QString &text);
// GBK bytes to text; invalid sequences become U+FFFD, never a failure.
[[nodiscard]] QString fromAnsi(const QByteArray &bytes);
// Bytes in a named charset ("gbk", "utf-8", "gb2312", ...) to text; unknown names fall back to GBK.
[[nodiscard]] QString decode(const QByteArray &bytes, const QByteArray &charset);
// Percent-encoding of a form value or query value in GBK: everything but A-Z a-z 0-9 - _ . ~ is %XX.
[[nodiscard]] QByteArray percentEncode(const QString &text);

} // namespace CodePage
