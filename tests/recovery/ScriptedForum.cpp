#include "ScriptedForum.h"

#include "app/CodePage.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

ScriptedForum::ScriptedForum(QObject *parent)
    : QObject(parent)
    , m_server(new QTcpServer(this))
{
    if (!m_server->listen(QHostAddress::LocalHost, 0))
        qFatal("ScriptedForum: cannot listen on the loopback address");
    connect(m_server, &QTcpServer::newConnection, this, &ScriptedForum::onNewConnection);
}

ScriptedForum::~ScriptedForum() = default;

quint16 ScriptedForum::port() const
{
    return m_server->serverPort();
}

void ScriptedForum::replyWith(int status, const QString &text, const QByteArray &contentType)
{
    m_mode = Mode::Reply;
    m_status = status;
    m_contentType = contentType;
    m_body = CodePage::toAnsi(text);
}

void ScriptedForum::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void ScriptedForum::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;

    Request request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    const qsizetype length = request.headers.value("content-length").toLongLong();
    if (buffer.size() < headerEnd + 4 + length)
        return; // the rest of the body is still on its way
    request.body = buffer.mid(headerEnd + 4, length);
    buffer.clear();
    requests.append(request);

    switch (m_mode) {
    case Mode::NeverAnswer:
        return;
    case Mode::DropMidReply: {
        const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=gbk\r\nContent-Length: 4000\r\n\r\n";
        socket->write(head + "<?xml version=\"1.0\" encoding=\"gbk\"?>\n<root><![CDATA[it'is'cut'off'here'");
        socket->flush();
        socket->abort();
        return;
    }
    case Mode::Reply: {
        const QByteArray head = "HTTP/1.1 " + QByteArray::number(m_status) + " Scripted\r\nContent-Type: " +
                                m_contentType + "\r\nContent-Length: " + QByteArray::number(m_body.size()) +
                                "\r\nConnection: close\r\n\r\n";
        socket->write(head + m_body);
        socket->disconnectFromHost();
        return;
    }
    }
}
