#pragma once
// The forum's login form post: address, headers and body.
#include <QByteArray>
#include <QString>

namespace LoginRequest {

// The form token and login hash the forum's login form carries.
inline const QString kFormHash = QStringLiteral("5c2e9a17");
inline const QString kPathAndQuery =
    QStringLiteral("/member.php?mod=logging&action=login&loginsubmit=yes&handlekey=login&loginhash=Qm7tW&inajax=1");

// <scheme>://<forum host>/member.php?mod=logging&action=login&...
[[nodiscard]] QString url();
// "Referer: <scheme>://<forum host>/" CR LF "Content-Type: application/x-www-form-urlencoded".
[[nodiscard]] QString headers();

// True when the question and its answer are sent: an answer is typed and the question is not 0.
[[nodiscard]] bool isLongForm(const QString &questionId, const QString &answer);

// formhash, referer, username, password[, questionid, answer]. The typed values are percent-encoded
// in the forum's code page, so "&", "=", "+", "%" and Chinese letters reach the forum as typed.
[[nodiscard]] QByteArray body(const QString &username, const QString &password, const QString &questionId,
                              const QString &answer);

// The forum's sign-out request (a GET on the forum host, same headers as the login post). The
// member panel's sign-out sends the same request.
[[nodiscard]] QString logoutUrl();

} // namespace LoginRequest
