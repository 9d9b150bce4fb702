#include "ScriptedServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

// Writes body from offset in pieces, one every delay, then closes gracefully.
void writePieces(QPointer<QTcpSocket> socket, QByteArray body, qsizetype offset, int size, int delayMs)
{
    if (!socket || socket->state() != QAbstractSocket::ConnectedState)
        return;
    socket->write(body.mid(offset, size));
    offset += size;
    if (offset >= body.size()) {
        socket->disconnectFromHost();
        return;
    }
    QTimer::singleShot(delayMs, socket, [socket, body, offset, size, delayMs] {
        writePieces(socket, body, offset, size, delayMs);
    });
}

// Whether a key "PATH?PART" (PATH may be "*") matches a request's path and query.
bool queryKeyMatches(const QByteArray &key, const QByteArray &path, const QByteArray &target)
{
    const qsizetype mark = key.indexOf('?');
    const qsizetype query = target.indexOf('?');
    if (mark <= 0 || query < 0)
        return false;
    const QByteArray keyPath = key.left(mark);
    return (keyPath == "*" || keyPath == path) && target.mid(query + 1).contains(key.mid(mark + 1));
}

} // namespace

ScriptedReply ScriptedReply::page(int status, const QByteArray &contentType, const QByteArray &body)
{
    ScriptedReply reply;
    reply.status = status;
    reply.headers = {{"Content-Type", contentType}};
    reply.body = body;
    return reply;
}

ScriptedReply ScriptedReply::raw(const QByteArray &bytes)
{
    ScriptedReply reply;
    reply.mode = Mode::Raw;
    reply.body = bytes;
    return reply;
}

ScriptedReply ScriptedReply::movedTo(int status, const QByteArray &origin)
{
    ScriptedReply reply;
    reply.status = status;
    reply.locationBase = origin;
    return reply;
}

ScriptedServer::ScriptedServer(QObject *parent)
    : ScriptedServer(QHostAddress(QHostAddress::LocalHost), parent)
{
}

ScriptedServer::ScriptedServer(const QHostAddress &address, QObject *parent)
    : QObject(parent)
{
    m_fallback.status = 404;
    m_fallback.body = "not scripted";
    connect(&m_server, &QTcpServer::newConnection, this, &ScriptedServer::onNewConnection);
    m_server.listen(address, 0);
}

ScriptedServer::~ScriptedServer()
{
    m_server.close();
}

QString ScriptedServer::hostAndPort() const
{
    return m_server.serverAddress().toString() + QStringLiteral(":%1").arg(port());
}

QString ScriptedServer::origin() const
{
    return QStringLiteral("http://") + hostAndPort();
}

QString ScriptedServer::url(const QString &pathAndQuery) const
{
    return origin() + pathAndQuery;
}

int ScriptedServer::countTo(const QByteArray &path) const
{
    int count = 0;
    for (const LoggedRequest &request : m_requests)
        if (request.path() == path)
            ++count;
    return count;
}

quint16 ScriptedServer::unusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

QString closedLoopbackAddress()
{
    const quint16 port = ScriptedServer::unusedPort();
    return port == 0 ? QString() : QStringLiteral("127.0.0.1:") + QString::number(port);
}

void ScriptedServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            ++m_closed;
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

std::optional<LoggedRequest> takeRequest(QByteArray &buffer)
{
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return std::nullopt;
    LoggedRequest request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    const qsizetype length = request.headers.value("content-length", "0").toLongLong();
    if (buffer.size() < headerEnd + 4 + length)
        return std::nullopt; // the body is still on its way
    request.head = buffer.left(headerEnd + 4);
    request.body = buffer.mid(headerEnd + 4, length);
    buffer.clear();
    return request;
}

void ScriptedServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    const std::optional<LoggedRequest> taken = takeRequest(buffer);
    if (!taken)
        return;
    const LoggedRequest &request = *taken;

    m_requests.append(request);
    const ScriptedReply reply = replyFor(request);
    const QPointer<QTcpSocket> guard(socket);
    emit requestReceived(request);
    if (!guard)
        return;
    if (reply.answerDelayMs > 0)
        QTimer::singleShot(reply.answerDelayMs, socket, [this, socket, reply, target = request.target] { answer(socket, reply, target); });
    else
        answer(socket, reply, request.target);
}

ScriptedReply ScriptedServer::replyFor(const LoggedRequest &request) const
{
    const QByteArray path = request.path();
    // A key with a query part wins when the request's query holds that part.
    for (auto it = m_replies.cbegin(); it != m_replies.cend(); ++it)
        if (queryKeyMatches(it.key(), path, request.target))
            return it.value();
    return m_replies.value(path, m_fallback);
}

void ScriptedServer::answer(QTcpSocket *socket, const ScriptedReply &reply, const QByteArray &target)
{
    if (reply.mode == ScriptedReply::Mode::NeverAnswer)
        return;
    if (reply.mode == ScriptedReply::Mode::Raw) {
        socket->write(reply.body);
        socket->disconnectFromHost();
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' '
                      + (reply.reason.isEmpty() ? reasonPhrase(reply.status) : reply.reason) + "\r\n";
    if (!reply.locationBase.isEmpty())
        head += "Location: " + reply.locationBase + target + "\r\n";
    for (const auto &header : reply.headers)
        head += header.first + ": " + header.second + "\r\n";
    if (reply.contentLength)
        head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);

    switch (reply.mode) {
    case ScriptedReply::Mode::Whole:
        socket->write(reply.body);
        socket->disconnectFromHost();
        break;
    case ScriptedReply::Mode::Pieces:
        QTimer::singleShot(reply.pieceDelayMs, socket, [socket = QPointer<QTcpSocket>(socket), reply] {
            writePieces(socket, reply.body, 0, qMax(1, reply.pieceSize), reply.pieceDelayMs);
        });
        break;
    case ScriptedReply::Mode::DropMidBody:
        socket->write(reply.body.left(reply.body.size() / 2));
        socket->disconnectFromHost();
        break;
    case ScriptedReply::Mode::NeverAnswer:
    case ScriptedReply::Mode::Raw:
        break;
    }
}
