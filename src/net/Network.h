#pragma once
// The program's one HTTP layer: one QNetworkAccessManager and one cookie store shared by every
// request, the transfer control (Inet) and the XML HTTP object (XmlHttp) over them.
#include <QByteArray>
#include <QString>

class QNetworkAccessManager;
class CookieStore;

namespace Network {

constexpr int kTimeoutMs = 30000;               // page fetches and synchronous posts give up after this
constexpr qint64 kMaxReplyBytes = 8 * 1024 * 1024; // larger replies are cut off and count as failed

QNetworkAccessManager &manager();
CookieStore &cookieStore();

// Tests shorten the time limit; 0 or less restores kTimeoutMs.
void setTimeoutMs(int ms);
[[nodiscard]] int timeoutMs();

// Reply bytes to text by the charset the reply names (Content-Type header, else the XML
// declaration or an HTML meta charset), GBK when it names none.
[[nodiscard]] QString decodeBody(const QByteArray &body, const QByteArray &contentTypeHeader);

} // namespace Network
