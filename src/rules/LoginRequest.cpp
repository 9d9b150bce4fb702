#include "LoginRequest.h"

#include "base/CodePage.h"
#include "base/Numeric.h"
#include "base/Settings.h"

namespace LoginRequest {

QString url()
{
    return Settings::instance().url(HostRole::Forum, kPathAndQuery);
}

QString headers()
{
    return QStringLiteral("Referer: ") + Settings::instance().origin(HostRole::Forum) +
           QStringLiteral("/\r\nContent-Type: application/x-www-form-urlencoded");
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

QByteArray body(const QString &formHash, const QString &username, const QString &password, const QString &questionId,
                const QString &answer, const QByteArray &charset)
{
    QByteArray out = "formhash=" + CodePage::percentEncode(formHash) + "&referer=" + Settings::instance().scheme(HostRole::Forum).toLatin1() + "%3A%2F%2F" +
                     Settings::instance().host(HostRole::Forum).toLatin1() + "%2F" +
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
