#pragma once
// A forwarding HTTP proxy for the tests, on 127.0.0.1 and a free port (Qt Core and Network only,
// nothing of the client). It takes plain-HTTP requests in absolute form ("GET http://HOST:PORT/x
// HTTP/1.1"), sends each on to its origin without the proxy's own headers, and relays the answer
// back, one request per connection. It can ask for a user name and password (407 with a Basic
// challenge until a request brings them). Its log holds every request it received, answered or not.
#include "ScriptedServer.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

// target is as received: the absolute address.
struct ProxiedRequest : LoggedRequest {
    bool forwarded = false; // false: answered 407 (or 400 for a request that is not absolute)

    [[nodiscard]] QByteArray line() const { return method + ' ' + target; }
};

class TestProxy : public QObject
{
    Q_OBJECT
public:
    explicit TestProxy(QObject *parent = nullptr);
    ~TestProxy() override;

    [[nodiscard]] bool isListening() const { return m_server.isListening(); }
    [[nodiscard]] quint16 port() const { return m_server.serverPort(); }
    [[nodiscard]] QString hostAndPort() const; // "127.0.0.1:PORT"

    // From now on only requests with "Proxy-Authorization: Basic" of these are forwarded.
    void requireCredentials(const QByteArray &user, const QByteArray &password);

    [[nodiscard]] const QList<ProxiedRequest> &requests() const { return m_requests; }
    // The forwarded requests' lines, "METHOD http://HOST:PORT/path?query".
    [[nodiscard]] QList<QByteArray> forwardedLines() const;

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *client);
    void forward(QTcpSocket *client, const ProxiedRequest &request);

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<ProxiedRequest> m_requests;
    QByteArray m_expectedAuthorization;
};
