#include "HttpConnection.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 413: return "Payload Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

} // namespace

HttpConnection::HttpConnection(QTcpSocket *socket, QObject *parent)
    : QObject(parent), m_socket(socket)
{
    socket->setParent(this);
    connect(socket, &QTcpSocket::readyRead, this, &HttpConnection::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, [this] { emit closed(this); });
}

HttpConnection::~HttpConnection()
{
    if (m_socket)
        m_socket->abort();
}

bool HttpConnection::isOpen() const
{
    return m_socket && m_socket->state() == QAbstractSocket::ConnectedState;
}

void HttpConnection::onReadyRead()
{
    if (!m_socket)
        return;
    if (m_holding) {
        // A request that is never answered: whatever else arrives is read and forgotten.
        m_socket->readAll();
        return;
    }
    m_buffer.append(m_socket->readAll());
    processBuffer();
}

void HttpConnection::processBuffer()
{
    while (!m_awaitingAnswer && !m_holding && m_socket && !m_buffer.isEmpty()) {
        HttpRequest request;
        const int result = parseOne(request);
        if (result <= 0)
            return;
        request.peer = m_socket->peerAddress();
        m_awaitingAnswer = true;
        emit requestReady(this, request);
    }
}

int HttpConnection::parseOne(HttpRequest &request)
{
    const qsizetype headEnd = m_buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (m_buffer.size() > kMaxHeadBytes) {
            failAndClose(413);
            return -1;
        }
        return 0;
    }
    const QList<QByteArray> lines = m_buffer.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine.at(2).startsWith("HTTP/1.") || requestLine.at(1).isEmpty()) {
        failAndClose(400);
        return -1;
    }
    request.method = requestLine.at(0);
    request.target = requestLine.at(1);
    request.version = requestLine.at(2);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        if (line.isEmpty())
            continue;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            failAndClose(400);
            return -1;
        }
        request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }

    const qsizetype bodyStart = headEnd + 4;
    qsizetype consumed = 0;
    if (request.header("Transfer-Encoding").toLower().contains("chunked")) {
        if (!readChunkedBody(bodyStart, request.body, consumed))
            return m_socket ? 0 : -1;
    } else {
        bool ok = true;
        const QByteArray lengthText = request.header("Content-Length");
        const qint64 length = lengthText.isEmpty() ? 0 : lengthText.toLongLong(&ok);
        if (!ok || length < 0) {
            failAndClose(400);
            return -1;
        }
        if (length > kMaxBodyBytes) {
            failAndClose(413);
            return -1;
        }
        if (m_buffer.size() - bodyStart < length) {
            if (!m_continueSent && request.header("Expect").compare("100-continue", Qt::CaseInsensitive) == 0) {
                m_socket->write("HTTP/1.1 100 Continue\r\n\r\n");
                m_continueSent = true;
            }
            return 0;
        }
        request.body = m_buffer.mid(bodyStart, length);
        consumed = bodyStart + length;
    }
    m_buffer.remove(0, consumed);
    m_continueSent = false;

    const QByteArray connection = request.header("Connection").toLower();
    m_closeAfterAnswer = request.version == "HTTP/1.0" ? !connection.contains("keep-alive")
                                                       : connection.contains("close");
    m_headRequest = request.method == "HEAD";
    return 1;
}

bool HttpConnection::readChunkedBody(qsizetype from, QByteArray &body, qsizetype &consumed)
{
    qsizetype pos = from;
    body.clear();
    for (;;) {
        const qsizetype lineEnd = m_buffer.indexOf("\r\n", pos);
        if (lineEnd < 0)
            return false;
        bool ok = false;
        const qint64 size = m_buffer.mid(pos, lineEnd - pos).split(';').value(0).trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0 || body.size() + size > kMaxBodyBytes) {
            failAndClose(ok ? 413 : 400);
            return false;
        }
        pos = lineEnd + 2;
        if (size == 0) {
            // Trailers end with an empty line.
            const qsizetype end = m_buffer.indexOf("\r\n\r\n", pos - 2);
            if (end < 0)
                return false;
            consumed = end + 4;
            return true;
        }
        if (m_buffer.size() < pos + size + 2)
            return false;
        body.append(m_buffer.mid(pos, size));
        pos += size + 2;
    }
}

void HttpConnection::failAndClose(int status)
{
    HttpResponse response;
    response.status = status;
    response.addHeader("Content-Type", "text/plain");
    response.body = reasonPhrase(status);
    m_closeAfterAnswer = true;
    m_headRequest = false;
    m_buffer.clear();
    m_awaitingAnswer = true;
    respond(response);
}

QByteArray HttpConnection::serializeHead(const HttpResponse &response, qsizetype bodyLength) const
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    for (const auto &h : response.headers)
        head += h.first + ": " + h.second + "\r\n";
    head += "Content-Length: " + QByteArray::number(bodyLength) + "\r\n";
    head += m_closeAfterAnswer ? "Connection: close\r\n" : "Connection: keep-alive\r\n";
    head += "\r\n";
    return head;
}

void HttpConnection::respond(const HttpResponse &response)
{
    if (!m_socket || !m_awaitingAnswer)
        return;
    m_awaitingAnswer = false;
    m_socket->write(serializeHead(response, response.body.size()));
    if (!m_headRequest)
        m_socket->write(response.body);
    if (m_closeAfterAnswer) {
        m_socket->disconnectFromHost();
        return;
    }
    if (!m_buffer.isEmpty())
        QTimer::singleShot(0, this, &HttpConnection::processBuffer);
}

void HttpConnection::respondPartialAndClose(const HttpResponse &response)
{
    if (!m_socket || !m_awaitingAnswer)
        return;
    m_awaitingAnswer = false;
    m_socket->write(serializeHead(response, response.body.size()));
    if (!m_headRequest)
        m_socket->write(response.body.left(response.body.size() / 2));
    m_buffer.clear();
    // Graceful close after the half body: the client sees the connection end early.
    m_socket->disconnectFromHost();
}

void HttpConnection::holdWithoutAnswer()
{
    m_holding = true;
    m_buffer.clear();
}

void HttpConnection::abort()
{
    if (m_socket)
        m_socket->abort();
}
