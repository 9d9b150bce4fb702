#include "FormToken.h"

#include <QRegularExpression>

namespace FormToken {

bool isWellFormed(const QString &token)
{
    if (token.size() != 8)
        return false;
    for (const QChar c : token) {
        const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (!hex)
            return false;
    }
    return true;
}

Reading read(const QString &page)
{
    // A field's value is taken up to its closing quote, a link's up to the next quote, blank, "&",
    // "<" or ">", so a malformed one is seen as such instead of being cut to a well-formed prefix.
    static const QRegularExpression field(
        QStringLiteral(R"(name\s*=\s*["']formhash["']\s+value\s*=\s*["']([^"']*)["'])"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression link(QStringLiteral(R"((?:[?&]|&amp;)formhash=([^"'\s&<>]*))"));
    Reading reading;
    QString token;
    bool malformed = false;
    bool conflicting = false;
    const auto take = [&](const QString &value) {
        if (!isWellFormed(value))
            malformed = true;
        else if (token.isEmpty())
            token = value;
        else if (token.compare(value, Qt::CaseInsensitive) != 0)
            conflicting = true;
    };
    for (auto it = field.globalMatch(page); it.hasNext();)
        take(it.next().captured(1));
    // An empty link value is a script putting an address together, not a token.
    for (auto it = link.globalMatch(page); it.hasNext();) {
        const QString value = it.next().captured(1);
        if (!value.isEmpty())
            take(value);
    }
    if (malformed)
        reading.found = Found::Malformed;
    else if (conflicting)
        reading.found = Found::Conflicting;
    else if (!token.isEmpty()) {
        reading.found = Found::One;
        reading.token = token;
    }
    return reading;
}

bool isRefusal(int httpStatus, const QString &page)
{
    return httpStatus == 503 && page.contains(kRefusalText);
}

} // namespace FormToken
