#include "LoginRequest.h"

#include "base/CodePage.h"
#include "base/Numeric.h"

namespace LoginRequest {

QString url(const QString &forumOrigin)
{
    return forumOrigin + kPathAndQuery;
}

QString headers(const QString &forumOrigin)
{
    return QStringLiteral("Referer: ") + forumOrigin + QStringLiteral("/\r\nContent-Type: application/x-www-form-urlencoded");
}

bool isLongForm(const QString &questionId, const QString &answer)
{
    return !answer.isEmpty() && Numeric::val(questionId) != 0;
}

bool isUidLike(const QString &account)
{
    if (account.isEmpty())
        return false;
    for (const QChar c : account) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

QByteArray body(const QString &forumOrigin, const QString &formHash, const QString &username, const QString &password,
                const QString &questionId, const QString &answer, const QByteArray &charset)
{
    QByteArray referer = forumOrigin.toLatin1();
    if (const qsizetype separator = referer.indexOf("://"); separator >= 0)
        referer.replace(separator, 3, "%3A%2F%2F");
    QByteArray out = "formhash=" + CodePage::percentEncode(formHash) + "&referer=" + referer + "%2F" +
                     "&username=" + CodePage::percentEncode(username, charset) + "&password=" + CodePage::percentEncode(password, charset);
    if (isLongForm(questionId, answer)) {
        out += "&questionid=" + QByteArray::number(Numeric::valInt(questionId)) +
               "&answer=" + CodePage::percentEncode(answer, charset);
    }
    if (isUidLike(username))
        out += "&loginfield=auto";
    return out;
}

QByteArray captchaFields(const QString &idHash, const QString &code, const QByteArray &charset)
{
    return "&seccodehash=" + CodePage::percentEncode(idHash, charset) + "&seccodemodid="
        + CodePage::percentEncode(kCaptchaModId, charset) + "&seccodeverify=" + CodePage::percentEncode(code, charset);
}

QString typedAccount(const QString &accountBoxText)
{
    return accountBoxText == kAccountPrompt ? QString() : accountBoxText;
}

} // namespace LoginRequest
