#include "TestProxy.h"

#include <QPointer>
#include <QTcpSocket>
#include <QUrl>

#include <memory>

namespace {

// Headers meant for the proxy or for one connection alone: never passed on.
bool isHopHeader(const QByteArray &lowerName)
{
    return lowerName == "proxy-authorization" || lowerName == "proxy-connection" || lowerName == "connection"
        || lowerName == "keep-alive";
}

void answerAndClose(QTcpSocket *client, const QByteArray &statusLine, const QByteArray &extraHeaders)
{
    client->write("HTTP/1.1 " + statusLine + "\r\n" + extraHeaders + "Content-Length: 0\r\nConnection: close\r\n\r\n");
    client->disconnectFromHost();
}

// The origin's answer head with its connection headers replaced: the proxy closes after it.
QByteArray closingHead(const QByteArray &head)
{
    QList<QByteArray> lines = head.split('\n');
    QByteArray out;
    for (const QByteArray &raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty())
            continue;
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && isHopHeader(line.left(colon).trimmed().toLower()))
            continue;
        out += line + "\r\n";
    }
    return out + "Connection: close\r\n\r\n";
}

} // namespace

TestProxy::TestProxy(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestProxy::onNewConnection);
    m_server.listen(QHostAddress::LocalHost, 0);
}

TestProxy::~TestProxy()
{
    m_server.close();
}

QString TestProxy::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
}

void TestProxy::requireCredentials(const QByteArray &user, const QByteArray &password)
{
    m_expectedAuthorization = "Basic " + QByteArray(user + ':' + password).toBase64();
}

QList<QByteArray> TestProxy::forwardedLines() const
{
    QList<QByteArray> lines;
    for (const ProxiedRequest &request : m_requests)
        if (request.forwarded)
            lines << request.line();
    return lines;
}

void TestProxy::onNewConnection()
{
    while (QTcpSocket *client = m_server.nextPendingConnection()) {
        client->setParent(this);
        connect(client, &QTcpSocket::readyRead, this, [this, client] { onReadyRead(client); });
        connect(client, &QTcpSocket::disconnected, this, [this, client] {
            m_buffers.remove(client);
            client->deleteLater();
        });
    }
}

void TestProxy::onReadyRead(QTcpSocket *client)
{
    QByteArray &buffer = m_buffers[client];
    buffer += client->readAll();
    const std::optional<LoggedRequest> taken = takeRequest(buffer);
    if (!taken)
        return;
    ProxiedRequest request;
    static_cast<LoggedRequest &>(request) = *taken;
    // One request per connection: whatever else comes on it is not read.
    client->disconnect(this, nullptr);
    connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
    m_buffers.remove(client);

    if (!m_expectedAuthorization.isEmpty() && request.headers.value("proxy-authorization") != m_expectedAuthorization) {
        m_requests.append(request);
        answerAndClose(client, "407 Proxy Authentication Required", "Proxy-Authenticate: Basic realm=\"test proxy\"\r\n");
        return;
    }
    if (!request.target.startsWith("http://")) {
        m_requests.append(request);
        answerAndClose(client, "400 Bad Request", {});
        return;
    }
    request.forwarded = true;
    m_requests.append(request);
    forward(client, request);
}

void TestProxy::forward(QTcpSocket *client, const ProxiedRequest &request)
{
    const QUrl url(QString::fromLatin1(request.target));
    QByteArray head = request.method + ' ' + url.path(QUrl::FullyEncoded).toLatin1();
    if (head.endsWith(' '))
        head += '/';
    if (url.hasQuery())
        head += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    head += " HTTP/1.1\r\n";
    for (auto it = request.headers.cbegin(); it != request.headers.cend(); ++it)
        if (!isHopHeader(it.key()))
            head += it.key() + ": " + it.value() + "\r\n";
    head += "Connection: close\r\n\r\n";

    auto *origin = new QTcpSocket(client);
    const QPointer<QTcpSocket> to(client);
    struct Relay {
        QByteArray head; // the origin's answer head, until it is whole
        bool headSent = false;
    };
    const auto relay = std::make_shared<Relay>();
    connect(origin, &QTcpSocket::connected, origin, [origin, head, body = request.body] { origin->write(head + body); });
    connect(origin, &QTcpSocket::readyRead, origin, [origin, to, relay] {
        const QByteArray bytes = origin->readAll();
        if (!to)
            return;
        if (relay->headSent) {
            to->write(bytes);
            return;
        }
        relay->head += bytes;
        const qsizetype end = relay->head.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        to->write(closingHead(relay->head.left(end)) + relay->head.mid(end + 4));
        relay->headSent = true;
    });
    connect(origin, &QTcpSocket::disconnected, origin, [to] {
        if (to)
            to->disconnectFromHost();
    });
    connect(origin, &QTcpSocket::errorOccurred, origin, [to, relay] {
        // The origin could not be reached (nothing came from it): the proxy says so, as proxies do.
        if (to && !relay->headSent && relay->head.isEmpty() && to->state() == QAbstractSocket::ConnectedState)
            answerAndClose(to, "502 Bad Gateway", {});
    });
    origin->connectToHost(url.host(), quint16(url.port(80)));
}
