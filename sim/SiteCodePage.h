#pragma once
// The site's code page: GBK (the forum the client was written for) or UTF-8 (the other build of the
// same forum software). Pages go out encoded in it, and form fields are compared in it as bytes:
// the forum converts nothing it is sent, so a name in the other code page is another name.
#include "Gbk.h"

#include <QByteArray>
#include <QString>

namespace SiteCodePage {

[[nodiscard]] inline QByteArray encode(const QString &text, bool utf8)
{
    return utf8 ? text.toUtf8() : Gbk::encode(text);
}

// For showing what was sent; never for comparing it (a byte sequence the code page does not know
// reads as replacement characters).
[[nodiscard]] inline QString decode(const QByteArray &bytes, bool utf8)
{
    return utf8 ? QString::fromUtf8(bytes) : Gbk::decode(bytes);
}

// The charset as the site names it in headers and declarations.
[[nodiscard]] inline QByteArray name(bool utf8)
{
    return utf8 ? QByteArrayLiteral("utf-8") : QByteArrayLiteral("gbk");
}

} // namespace SiteCodePage
