#pragma once
// The forum's lost-password form: the request the window posts and how its reply is read. Plain
// functions, no widgets, so every reply the forum can send is tested without a window.
#include "base/Seams.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace LostPasswordReply {

// Path and query of the form on the forum host.
inline const QString kPath = QStringLiteral("/member.php?mod=lostpasswd&lostpwsubmit=yes&infloat=yes&inajax=1");
// The form's fixed token, which the older site takes; today's forum wants the guest token of the
// session (SiteSession).
inline constexpr char kFormHash[] = "e93f2d06";
// The error callback that marks a refusal ("handlekey=lostpwform").
inline const QString kRefusalMarker = QStringLiteral("errorhandle_lostpwform");

inline const QString kMessageEmptyUserName = QStringLiteral("请输入您的用户名");
inline const QString kMessageEmptyEmail = QStringLiteral("请输入您的密保邮箱");
inline const QString kMessageNoReply =
    QStringLiteral("找回密码的请求没有完成：无法连接论坛，或论坛长时间没有回应。请检查网络后再试。");
inline const QString kMessageServerErrorTemplate =
    QStringLiteral("论坛暂时无法处理找回密码的请求（HTTP %1），请稍后再试。");
inline const QString kMessageUnreadable =
    QStringLiteral("论坛的回复无法识别，请稍后再试。（回复全文已复制到剪贴板）");

// forumOrigin ("<scheme>://<host>[:<port>]", Settings::origin(HostRole::Forum)) + kPath.
[[nodiscard]] QString requestUrl(const QString &forumOrigin);

// The form body. Both typed texts are percent-encoded in the forum's code page (charset), so that
// "&", "=", "+", "%", "#", blanks and Chinese letters reach the forum as typed.
[[nodiscard]] QByteArray requestBody(const QString &formHash, const QString &userName, const QString &email,
                                     const QByteArray &charset);

// 3 when the reply is a refusal (it names kRefusalMarker anywhere), 5 otherwise.
[[nodiscard]] int pieceNumber(const QString &reply);

// Piece `number` of the reply split at every apostrophe, counted from 0 (empty pieces count);
// nullopt when the reply has fewer pieces.
[[nodiscard]] std::optional<QString> piece(const QString &reply, int number);

// The forum's message in a reply: piece pieceNumber(reply); nullopt when that piece is missing.
[[nodiscard]] std::optional<QString> message(const QString &reply);

// What the window does once the post has ended.
struct Outcome {
    QString text;                           // shown in the message box
    Seams::Icon icon = Seams::Icon::Information;
    bool copyReply = false;                 // the whole reply goes onto the clipboard
};

// transportFailed: nothing usable arrived (no connection, dropped, time-out, oversize).
// status: the HTTP status (0 when none). reply: the decoded body.
// A completed reply is always copied to the clipboard. A failed transport leaves the clipboard
// alone; an HTTP error status or a reply without the message piece gets a message of its own
// instead of an empty or meaningless box.
[[nodiscard]] Outcome outcome(bool transportFailed, int status, const QString &reply);

} // namespace LostPasswordReply
