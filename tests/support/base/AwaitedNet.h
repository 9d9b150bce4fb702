#pragma once
// The network layer's waits run to their end from a test (see Awaited.h); for tests that link the
// client's network layer.
#include "Awaited.h"
#include "net/Inet.h"
#include "net/XmlHttp.h"

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
