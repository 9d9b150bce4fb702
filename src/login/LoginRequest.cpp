#include "LoginRequest.h"

#include "app/CodePage.h"
#include "app/Numeric.h"
#include "app/Settings.h"

namespace LoginRequest {

QString url()
{
    return Settings::instance().url(HostRole::Forum, kPathAndQuery);
}

QString headers()
{
    return QStringLiteral("Referer: http://") + Settings::instance().host(HostRole::Forum) +
           QStringLiteral("/\r\nContent-Type: application/x-www-form-urlencoded");
}

bool isLongForm(const QString &questionId, const QString &answer)
{
    return !answer.isEmpty() && Numeric::val(questionId) != 0;
}

QByteArray body(const QString &username, const QString &password, const QString &questionId, const QString &answer)
{
    QByteArray out = "formhash=" + kFormHash.toLatin1() + "&referer=http%3A%2F%2F" +
                     Settings::instance().host(HostRole::Forum).toLatin1() + "%2F" +
                     "&username=" + CodePage::percentEncode(username) + "&password=" + CodePage::percentEncode(password);
    if (isLongForm(questionId, answer)) {
        out += "&questionid=" + QByteArray::number(Numeric::valInt(questionId)) +
               "&answer=" + CodePage::percentEncode(answer);
    }
    return out;
}

QString logoutUrl()
{
    // The forum ends the member's session on action=logout; it checks the form token as for the
    // other member actions, so the client's token goes along.
    return Settings::instance().url(HostRole::Forum,
                                    QStringLiteral("/member.php?mod=logging&action=logout&formhash=") + kFormHash);
}

} // namespace LoginRequest
