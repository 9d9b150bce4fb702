#include "CaptchaAnnouncement.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <QStringList>

namespace CaptchaAnnouncement {

bool isUsableIdHash(const QString &idHash)
{
    if (idHash.isEmpty() || idHash.size() > kMaxIdHashLength)
        return false;
    for (const QChar c : idHash) {
        const char16_t u = c.unicode();
        if (!((u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')))
            return false;
    }
    return true;
}

Reading read(const QString &loginFormText)
{
    // Both places that name the picture: the span it is drawn into and the script call that draws
    // it. What stands between the quotes is taken as it is and judged afterwards, so an empty or
    // odd id is seen rather than skipped. The call is recognised by its name and opening quote;
    // a call cut off before its closing quote counts as a broken announcement.
    static const QRegularExpression span(QStringLiteral("id\\s*=\\s*[\"']seccode_([^\"']*)[\"']"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression call(QStringLiteral("updateseccode\\s*\\(\\s*(['\"])"),
                                         QRegularExpression::CaseInsensitiveOption);

    QStringList ids;
    bool broken = false;
    for (auto it = span.globalMatch(loginFormText); it.hasNext();)
        ids.append(it.next().captured(1));
    for (auto it = call.globalMatch(loginFormText); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QChar quote = match.captured(1).at(0);
        const qsizetype start = match.capturedEnd(0);
        const qsizetype end = loginFormText.indexOf(quote, start);
        if (end < 0) {
            broken = true;
            continue;
        }
        ids.append(loginFormText.mid(start, end - start));
    }

    Reading reading;
    if (ids.isEmpty() && !broken)
        return reading;
    ids.removeDuplicates();
    if (broken || std::any_of(ids.cbegin(), ids.cend(), [](const QString &id) { return !isUsableIdHash(id); })) {
        reading.kind = Kind::Malformed;
        return reading;
    }
    if (ids.size() > 1) {
        reading.kind = Kind::Ambiguous;
        return reading;
    }
    reading.kind = Kind::Asked;
    reading.idHash = ids.first();
    return reading;
}

} // namespace CaptchaAnnouncement
