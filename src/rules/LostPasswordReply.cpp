#include "LostPasswordReply.h"

#include "base/CodePage.h"
#include "base/Logging.h"

namespace LostPasswordReply {

QString requestUrl(const QString &forumOrigin)
{
    return forumOrigin + kPath;
}

QByteArray requestBody(const QString &formHash, const QString &userName, const QString &email, const QByteArray &charset)
{
    return QByteArray("formhash=") + CodePage::percentEncode(formHash) + "&handlekey=lostpwform&email="
        + CodePage::percentEncode(email, charset) + "&username=" + CodePage::percentEncode(userName, charset)
        + "&lostpwsubmit=true";
}

int pieceNumber(const QString &reply)
{
    return reply.contains(kRefusalMarker) ? 3 : 5;
}

std::optional<QString> piece(const QString &reply, int number)
{
    if (number < 0)
        return std::nullopt;
    const QChar apostrophe = QLatin1Char('\'');
    qsizetype start = 0;
    for (int i = 0; i < number; ++i) {
        const qsizetype next = reply.indexOf(apostrophe, start);
        if (next < 0)
            return std::nullopt;
        start = next + 1;
    }
    const qsizetype end = reply.indexOf(apostrophe, start);
    return reply.mid(start, end < 0 ? -1 : end - start);
}

std::optional<QString> message(const QString &reply)
{
    return piece(reply, pieceNumber(reply));
}

namespace {

Outcome readQuietly(bool transportFailed, int status, const QString &reply)
{
    if (transportFailed)
        return {kMessageNoReply, Seams::Icon::Exclamation, false};
    // An error page (e.g. 503 on a rejected form token) is not the forum's AJAX answer: its
    // apostrophe pieces would be fragments of HTML.
    if (status != 0 && (status < 200 || status > 299))
        return {kMessageServerErrorTemplate.arg(status), Seams::Icon::Exclamation, true};
    const std::optional<QString> text = message(reply);
    if (!text)
        return {kMessageUnreadable, Seams::Icon::Exclamation, true};
    return {*text, Seams::Icon::Information, true};
}

} // namespace

Outcome outcome(bool transportFailed, int status, const QString &reply)
{
    const Outcome read = readQuietly(transportFailed, status, reply);
    const char *why = transportFailed                              ? "no reply"
                      : (status != 0 && (status < 200 || status > 299)) ? "an error status"
                      : read.text == kMessageUnreadable                 ? "no message piece"
                                                                        : "the forum's message";
    qCDebug(lcPanel, "lost-password reply (status %d, %lld characters) read as %s", status,
            static_cast<long long>(reply.size()), why);
    return read;
}

} // namespace LostPasswordReply
