#include "ProfileLookup.h"

#include "base/CodePage.h"

#include <QRegularExpression>

namespace {

// The second of the texts the page splits into at the marker: after the first marker, up to the
// next one or the end. False when the marker is missing.
bool textAfterFirst(const QString &page, const QString &marker, QString &out)
{
    const qsizetype at = page.indexOf(marker);
    if (at < 0)
        return false;
    const qsizetype from = at + marker.size();
    const qsizetype next = page.indexOf(marker, from);
    out = page.mid(from, (next < 0 ? page.size() : next) - from);
    return true;
}

QString textBefore(const QString &text, const QString &marker)
{
    const qsizetype at = text.indexOf(marker);
    return at < 0 ? QString() : text.left(at);
}

} // namespace

namespace ProfileLookup {

QString uidProfileUrl(const QString &homeOrigin, const QString &uid)
{
    return homeOrigin + QStringLiteral("/home.php?mod=space&uid=") + QString::fromLatin1(CodePage::percentEncode(uid))
        + QStringLiteral("&do=profile");
}

QString nameProfileUrl(const QString &homeOrigin, const QString &name, const QByteArray &charset)
{
    return homeOrigin + QStringLiteral("/home.php?mod=space&username=")
        + QString::fromLatin1(CodePage::percentEncode(name, charset)) + QStringLiteral("&do=profile");
}

bool readUidPage(std::array<QString, 6> &uidSlots)
{
    QString afterTitle;
    if (!textAfterFirst(uidSlots[0], kTitleMarker, afterTitle))
        return false;
    uidSlots[1] = afterTitle;
    const qsizetype titleEnd = afterTitle.indexOf(QLatin1String("</title>"), 0, Qt::CaseInsensitive);
    const QString title = titleEnd < 0 ? afterTitle : afterTitle.left(titleEnd);
    uidSlots[2] = textBefore(title, kNameEnd);
    return true;
}

bool readNamePage(std::array<QString, 6> &nameSlots)
{
    QString afterUid;
    if (!textAfterFirst(nameSlots[0], kUidMarker, afterUid))
        return false;
    nameSlots[1] = afterUid;
    nameSlots[2] = textBefore(afterUid, kUidEnd);
    return true;
}

Notice readNotice(const QString &page)
{
    static const QRegularExpression messageDiv(QStringLiteral(R"(<div\b[^>]*\bid\s*=\s*["']messagetext["'][^>]*>)"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression alertClass(QStringLiteral(R"(\bclass\s*=\s*["'][^"']*\b(alert_info|alert_error)\b)"),
                                               QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch div = messageDiv.match(page);
    if (!div.hasMatch())
        return Notice::None;
    const QRegularExpressionMatch css = alertClass.match(div.captured(0));
    if (!css.hasMatch())
        return Notice::None;
    return css.captured(1).compare(QLatin1String("alert_error"), Qt::CaseInsensitive) == 0 ? Notice::NoSuchMember
                                                                                        : Notice::SignInToView;
}

} // namespace ProfileLookup
