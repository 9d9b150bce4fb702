#pragma once
// A loopback HTTP server that serves the member panel's pages as a test scripts them: per path, a
// page (sent in GBK), a status, a delay, or no answer at all. It records every request.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

class PageServer : public QObject
{
    Q_OBJECT
public:
    struct Page {
        int status = 200;
        QString text;      // sent as GBK
        int delayMs = 0;   // answer after this long
        bool never = false; // read the request, answer nothing
    };
    struct Request {
        QByteArray target; // path and query as received
        QHash<QByteArray, QByteArray> headers; // lower-case names
    };

    explicit PageServer(QObject *parent = nullptr);
    ~PageServer() override;

    [[nodiscard]] bool isListening() const { return m_server.isListening(); }
    [[nodiscard]] QString hostAndPort() const;

    // The page for a path (the query is ignored). Unscripted paths get a 404 page.
    void serve(const QByteArray &path, const Page &page) { m_pages.insert(path, page); }
    void serve(const QByteArray &path, const QString &text) { serve(path, Page{200, text, 0, false}); }

    [[nodiscard]] const QList<Request> &requests() const { return m_requests; }
    [[nodiscard]] int countTo(const QByteArray &path) const;

signals:
    void requestReceived(const QByteArray &target);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);

    QTcpServer m_server;
    QHash<QByteArray, Page> m_pages;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<Request> m_requests;
};
