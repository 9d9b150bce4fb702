#pragma once
// How the client reads a forum reply to an AJAX form post (login, lost password, credit exchange)
// and what a login reply means. Plain text rules: the reply is never parsed as XML or HTML.
#include <QString>

namespace LoginReply {

// Piece n (from 0) of the reply split at every apostrophe; a piece that does not exist is empty.
[[nodiscard]] QString replyPiece(const QString &reply, qsizetype n);

// The text between "CDATA[" and the next "]": from the 6th character after the first "CDATA" up to
// the first "]" at or after that "CDATA". Empty when there is no "CDATA" or no "]" after it.
[[nodiscard]] QString cdataText(const QString &reply);

// "errorhandle_" followed by the request's handle key: the name of the reply's error callback.
[[nodiscard]] QString errorCallbackMarker(const QString &handleKey);

// Markers of a login reply, searched case-sensitively in this order.
inline const QString kWelcomeMarker = QStringLiteral("欢迎您回来");
inline const QString kFailureMarker = QStringLiteral("失败");
inline const QString kBanMarker = QStringLiteral("禁止");
inline const QString kLoginHandleKey = QStringLiteral("login");
// Shown for a failure reply that carries no readable text at all.
inline const QString kFailureFallback = QStringLiteral("登录失败!服务器没有给出原因,请稍后再试.");

// A member's status text as shown: blanks trimmed, font and bold tags removed in any letter case.
[[nodiscard]] QString plainStatus(const QString &statusPiece);

// The message of a failure reply: the CDATA text up to its first "<script " with every "<" removed.
// A CDATA text without "<script " is shown without its tags rather than as an empty message.
[[nodiscard]] QString failureMessage(const QString &cdata);

enum class Outcome {
    Success,    // greeting with a member name and a clean status
    DataError,  // greeting, but the name or the status is missing
    Banned,     // greeting, but the status contains the ban marker
    Failure,    // the forum's failure text ("失败"); the error callback's text when no CDATA holds it
    Refused,    // error callback message or another CDATA text
    Unreadable, // nothing readable: server failure
};

struct LoginOutcome {
    Outcome outcome = Outcome::Unreadable;
    QString memberName; // Success, DataError, Banned: piece 9, trimmed
    QString status;     // Success, DataError, Banned: piece 13, trimmed and without font/bold tags
    QString uid;        // Success, DataError, Banned: piece 17 when piece 15 names it "uid" and it is digits
    QString message;    // Failure, Refused: the text to show and to put on the status line
};

[[nodiscard]] LoginOutcome classifyLoginReply(const QString &reply);

} // namespace LoginReply
