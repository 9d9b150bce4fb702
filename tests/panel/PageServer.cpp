#include "PageServer.h"

#include "base/CodePage.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

PageServer::PageServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &PageServer::onNewConnection);
    m_server.listen(QHostAddress::LocalHost, 0);
}

PageServer::~PageServer()
{
    m_server.close();
}

QString PageServer::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort());
}

int PageServer::countTo(const QByteArray &path) const
{
    int count = 0;
    for (const Request &r : m_requests)
        if (r.target.split('?').first() == path)
            ++count;
    return count;
}

void PageServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void PageServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    buffer.clear();
    Request request;
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    request.target = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    m_requests.append(request);

    const QByteArray path = request.target.split('?').first();
    const Page page = m_pages.value(path, Page{404, QStringLiteral("<html><body><h1>404 未找到</h1></body></html>"), 0, false});
    emit requestReceived(request.target);
    if (page.never)
        return;

    const QByteArray body = CodePage::toAnsi(page.text);
    QByteArray reply = "HTTP/1.1 " + QByteArray::number(page.status) + " Scripted\r\n"
        + "Content-Type: text/html; charset=gbk\r\nContent-Length: " + QByteArray::number(body.size())
        + "\r\nConnection: close\r\n\r\n" + body;
    QPointer<QTcpSocket> target(socket);
    auto send = [target, reply] {
        if (!target)
            return;
        target->write(reply);
        target->disconnectFromHost();
    };
    if (page.delayMs > 0)
        QTimer::singleShot(page.delayMs, this, send);
    else
        send();
}
