#include "ExchangeForm.h"

#include "base/CodePage.h"
#include "base/Logging.h"

namespace ExchangeForm {

QString url(const QString &homeOrigin)
{
    return homeOrigin + kPathAndQuery;
}

QByteArray body(const QString &formHash, const QString &amount, const QString &password, const QByteArray &charset)
{
    return QByteArray("formhash=") + CodePage::percentEncode(formHash) + "&operation=exchange&exchangesubmit=true&outi=0&exchangeamount="
        + CodePage::percentEncode(amount, charset) + "&tocredits=1&fromcredits=4&password="
        + CodePage::percentEncode(password, charset)
        + "&exchangesubmit_btn=true";
}

QString confirmation(const QString &cost, const QString &amount)
{
    return QStringLiteral("兑换信息：\r\n\r\n使用") + cost + QStringLiteral("枚za兑换") + amount
        + QStringLiteral("枚Quorvel币\r\n\r\n确认操作?");
}

namespace {

Reply readQuietly(const QString &replyText, int httpStatus, bool transferFailed)
{
    static const QString kDialog = QStringLiteral("showDialog('");
    if (transferFailed)
        return {Reply::Kind::NoReply, kNoReplyText};
    const qsizetype start = replyText.indexOf(kDialog);
    if (start >= 0) {
        const qsizetype from = start + kDialog.size();
        const qsizetype end = replyText.indexOf(QLatin1Char('\''), from);
        return {Reply::Kind::Message, replyText.mid(from, end < 0 ? -1 : end - from)};
    }
    if (httpStatus < 200 || httpStatus >= 300)
        return {Reply::Kind::NoReply, kNoReplyText};
    return {Reply::Kind::Unreadable, kUnreadableText};
}

} // namespace

Reply readReply(const QString &replyText, int httpStatus, bool transferFailed)
{
    const Reply reply = readQuietly(replyText, httpStatus, transferFailed);
    const char *kind = reply.kind == Reply::Kind::Message      ? "the forum's dialog text"
                       : reply.kind == Reply::Kind::Unreadable ? "unreadable (no dialog text)"
                                                               : "no reply (failed transfer or error status)";
    qCDebug(lcPanel, "exchange reply (status %d, %lld characters) read as %s", httpStatus,
            static_cast<long long>(replyText.size()), kind);
    return reply;
}

} // namespace ExchangeForm
