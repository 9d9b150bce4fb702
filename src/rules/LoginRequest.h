#pragma once
// The forum's login form post: address, headers and body.
#include <QByteArray>
#include <QString>

namespace LoginRequest {

// The login form's fixed token, which the older site takes; today's forum wants the session's own
// (SiteSession). The login hash in the address is not checked by the forum.
inline const QString kFormHash = QStringLiteral("5c2e9a17");
inline const QString kPathAndQuery =
    QStringLiteral("/member.php?mod=logging&action=login&loginsubmit=yes&handlekey=login&loginhash=Qm7tW&inajax=1");

// forumOrigin is the forum's "<scheme>://<host>[:<port>]" (Settings::origin(HostRole::Forum)).
// <forumOrigin>/member.php?mod=logging&action=login&...
[[nodiscard]] QString url(const QString &forumOrigin);
// "Referer: <forumOrigin>/" CR LF "Content-Type: application/x-www-form-urlencoded".
[[nodiscard]] QString headers(const QString &forumOrigin);

// True when the question and its answer are sent: an answer is typed and the question is not 0.
[[nodiscard]] bool isLongForm(const QString &questionId, const QString &answer);

// True for an account of ASCII digits only: it may be a UID.
[[nodiscard]] bool isUidLike(const QString &account);

// formhash, referer (<forumOrigin>/ with "://" and the last "/" percent-encoded, the host as it
// stands), username, password[, questionid, answer][, loginfield=auto]. The typed values
// are percent-encoded in the forum's code page (charset), so "&", "=", "+", "%" and Chinese letters reach
// the forum as typed. An account of digits gets loginfield=auto: where the forum lets members sign
// in by UID it then tries the UID first and the name after, and where it does not, the number is a
// name anyway.
[[nodiscard]] QByteArray body(const QString &forumOrigin, const QString &formHash, const QString &username,
                              const QString &password, const QString &questionId, const QString &answer,
                              const QByteArray &charset);

// The captcha's fields for a login body, to follow everything body() gives:
// "&seccodehash=IDH&seccodemodid=member%3A%3Alogging&seccodeverify=CODE", each value
// percent-encoded like the others (so "member::logging" arrives as it is).
inline const QString kCaptchaModId = QStringLiteral("member::logging");
[[nodiscard]] QByteArray captchaFields(const QString &idHash, const QString &code, const QByteArray &charset);

// The prompt the account box shows while empty: never an account, never sent.
inline const QString kAccountPrompt = QStringLiteral("请输入用户名或UID");
// The account as typed, or empty for the prompt.
[[nodiscard]] QString typedAccount(const QString &accountBoxText);

} // namespace LoginRequest
