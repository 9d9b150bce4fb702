#pragma once
// The network layer's waits run to their end from a test (see Awaited.h); for tests that link the
// client's network layer.
#include "Awaited.h"
#include "net/Inet.h"
#include "net/Network.h"
#include "net/XmlHttp.h"
#include "TestSession.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <algorithm>

namespace TestDetail {
inline Task<QString> openUrl(Inet &inet, QString url)
{
    co_return co_await inet.OpenURL(url);
}
inline Task<> completion(XmlHttp &request)
{
    co_await request.completion();
}
} // namespace TestDetail

// inet.OpenURL(url)'s text once it is over (empty when it failed or did not end in time).
inline QString openedText(Inet &inet, const QString &url, int timeoutMs = 15000)
{
    return awaited(TestDetail::openUrl(inet, url), timeoutMs).value_or(QString());
}

// Whether the request sent on request ended within timeoutMs.
inline bool completed(XmlHttp &request, int timeoutMs = 15000)
{
    return awaited(TestDetail::completion(request), timeoutMs);
}

// Whether a request of the client is still out: a reply of the client's network manager (the
// parent of every reply it makes) that has not finished. For a routine that waits for nothing but
// the site (the account lookup, the balances' reading), none out means it has ended: each reply's
// end runs it on to its next request, or to its end, at once.
inline bool requestsInFlight()
{
    const QList<QNetworkReply *> replies = testSession().network().manager().findChildren<QNetworkReply *>(Qt::FindDirectChildrenOnly);
    return std::any_of(replies.cbegin(), replies.cend(), [](const QNetworkReply *reply) { return reply->isRunning(); });
}
