#include "LoginReply.h"

#include "base/Logging.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

const QString kCdataMarker = QStringLiteral("CDATA");
const QString kScriptMarker = QStringLiteral("<script ");
// Tags in any letter case, as the forum's templates write them.
const QRegularExpression kFontTags(QStringLiteral("</?font[^<>]*>"), QRegularExpression::CaseInsensitiveOption);
const QRegularExpression kBoldTags(QStringLiteral("</?b[^<>]*>"), QRegularExpression::CaseInsensitiveOption);
const QRegularExpression kAnyTag(QStringLiteral("<[^<>]*>"));

// The runtime's Trim: spaces only, tabs and line breaks stay.
QString trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && text.at(end - 1) == QLatin1Char(' '))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

namespace LoginReply {

QString replyPiece(const QString &reply, qsizetype n)
{
    if (n < 0)
        return {};
    // Walk to the n-th apostrophe instead of splitting: replies can be large and only one piece is wanted.
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype next = reply.indexOf(QLatin1Char('\''), start);
        if (next < 0)
            return {};
        start = next + 1;
    }
    const qsizetype end = reply.indexOf(QLatin1Char('\''), start);
    return reply.mid(start, (end < 0 ? reply.size() : end) - start);
}

QString cdataText(const QString &reply)
{
    const qsizetype p = reply.indexOf(kCdataMarker);
    if (p < 0)
        return {};
    const qsizetype q = reply.indexOf(QLatin1Char(']'), p);
    if (q < 0)
        return {};
    // 0-based: the text starts 6 characters after "CDATA" begins ("CDATA[" has six); a "]" closer
    // than that ("CDATA]") leaves nothing between.
    const qsizetype from = p + 6;
    if (q <= from)
        return {};
    return reply.mid(from, q - from);
}

QString errorCallbackMarker(const QString &handleKey)
{
    return QStringLiteral("errorhandle_") + handleKey;
}

QString plainStatus(const QString &statusPiece)
{
    QString status = trimSpaces(statusPiece);
    return status.remove(kFontTags).remove(kBoldTags);
}

QString failureMessage(const QString &cdata)
{
    const qsizetype script = cdata.indexOf(kScriptMarker);
    QString message;
    if (script >= 0)
        message = cdata.left(script + 1); // up to and including the "<" that the removal then drops
    else
        message = QString(cdata).remove(kAnyTag);
    message.remove(QLatin1Char('<'));
    return message;
}

namespace {

LoginOutcome classified(const QString &reply)
{
    LoginOutcome result;
    if (reply.contains(kWelcomeMarker)) {
        result.memberName = trimSpaces(replyPiece(reply, 9));
        result.status = plainStatus(replyPiece(reply, 13));
        const QString uid = replyPiece(reply, 17);
        const bool digits = !uid.isEmpty() && uid.size() <= 9
            && std::all_of(uid.begin(), uid.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        if (replyPiece(reply, 15) == QLatin1String("uid") && digits)
            result.uid = uid;
        if (result.memberName.isEmpty() || result.status.isEmpty())
            result.outcome = Outcome::DataError;
        else if (result.status.contains(kBanMarker))
            result.outcome = Outcome::Banned;
        else
            result.outcome = Outcome::Success;
        return result;
    }
    if (reply.contains(kFailureMarker)) {
        result.outcome = Outcome::Failure;
        result.message = failureMessage(cdataText(reply));
        // A failure text outside any CDATA section still has its copy in the error callback.
        if (result.message.isEmpty() && reply.contains(errorCallbackMarker(kLoginHandleKey)))
            result.message = replyPiece(reply, 3);
        // Nothing readable is left once the tags are gone: the section's own text rather than an
        // empty box, and a plain word when there is none either.
        if (result.message.trimmed().isEmpty())
            result.message = cdataText(reply).trimmed();
        if (result.message.isEmpty())
            result.message = kFailureFallback;
        return result;
    }
    result.message = reply.contains(errorCallbackMarker(kLoginHandleKey)) ? replyPiece(reply, 3) : cdataText(reply);
    result.outcome = result.message.isEmpty() ? Outcome::Unreadable : Outcome::Refused;
    return result;
}

const char *whyFor(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Success: return "success: greeting with name and status";
    case Outcome::DataError: return "data error: greeting without name or status";
    case Outcome::Banned: return "banned: the status holds the ban marker";
    case Outcome::Failure: return "failure: the forum's failure text";
    case Outcome::Refused: return "refused: an error callback or another message";
    case Outcome::Unreadable: return "unreadable: no greeting, failure text or message";
    }
    return "?";
}

} // namespace

LoginOutcome classifyLoginReply(const QString &reply)
{
    LoginOutcome result = classified(reply);
    // The outcome and the reply's size only: the reply echoes what the member typed.
    qCDebug(lcLogin, "login reply (%lld characters) read as %s", static_cast<long long>(reply.size()),
            whyFor(result.outcome));
    return result;
}

} // namespace LoginReply
