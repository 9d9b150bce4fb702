#pragma once
// The forum's credit-exchange form as the currency page posts it (za into Quorvel币), the question
// put to the member first, and how the forum's answer is read. Plain functions, no widgets.
#include <QByteArray>
#include <QString>

namespace ExchangeForm {

// The exchange form's fixed token, which the older site takes (today's forum wants the member's
// token of the session); credit 1 is Quorvel币, credit 4 is za.
inline constexpr char kFormHash[] = "7b41e0c3";
inline const QString kPathAndQuery =
    QStringLiteral("/home.php?mod=spacecp&ac=credit&op=exchange&handlekey=credit&inajax=1");

// <homeOrigin>/home.php?mod=spacecp&ac=credit&op=exchange&handlekey=credit&inajax=1, where homeOrigin
// is the member home's "<scheme>://<host>[:<port>]" (Settings::origin(HostRole::Home)).
[[nodiscard]] QString url(const QString &homeOrigin);
// formhash=FORMHASH&operation=exchange&exchangesubmit=true&outi=0&exchangeamount=AMOUNT&tocredits=1
// &fromcredits=4&password=PASSWORD&exchangesubmit_btn=true. Amount and password go as typed,
// percent-encoded in the forum's code page (charset), so "&", "=", "%" and Chinese letters arrive
// intact.
[[nodiscard]] QByteArray body(const QString &formHash, const QString &amount, const QString &password,
                              const QByteArray &charset);

// "兑换信息：" CR LF CR LF "使用" cost "枚za兑换" amount "枚Quorvel币" CR LF CR LF "确认操作?"
[[nodiscard]] QString confirmation(const QString &cost, const QString &amount);

// What came back from one post.
struct Reply {
    enum class Kind {
        Message,    // the forum's dialog text: success or its refusal
        Unreadable, // a reply without a readable dialog text (an error page, a broken envelope)
        NoReply,    // nothing usable arrived: the request failed, timed out or got an error status
    };
    Kind kind = Kind::NoReply;
    QString message; // the forum's text for Message; what to tell the member otherwise
};

inline const QString kNoReplyText = QStringLiteral("兑换请求未能完成,请以刷新后的余额为准!");
inline const QString kUnreadableText = QStringLiteral("无法识别论坛的兑换结果,请以刷新后的余额为准!");

// The forum's text is what follows the first "showDialog('" up to the next "'" (to the end when no
// "'" follows). transferFailed is a transport failure or time-out; httpStatus is 0 without a status.
// A dialog text counts whatever the status; without one, an error status or a failed transfer is
// NoReply, anything else Unreadable.
[[nodiscard]] Reply readReply(const QString &replyText, int httpStatus, bool transferFailed);

} // namespace ExchangeForm
