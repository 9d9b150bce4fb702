#pragma once
// One client connection: reads HTTP/1.1 requests one at a time (keep-alive, Content-Length or
// chunked bodies) and writes the answers the simulator chooses, including the broken ones a
// fault asks for. A plain QTcpSocket gives the control over timing and closing that the faults
// need (a reply cut off mid-body, a request never answered).
#include "HttpMessage.h"

#include <QObject>
#include <QPointer>

class QTcpSocket;

class HttpConnection : public QObject
{
    Q_OBJECT
public:
    HttpConnection(QTcpSocket *socket, QObject *parent = nullptr);
    ~HttpConnection() override;

    // Writes the whole response; keeps the connection for the next request unless either side
    // asked to close it.
    void respond(const HttpResponse &response);
    // Writes the headers (announcing the whole body) and half of the body, then closes.
    void respondPartialAndClose(const HttpResponse &response);
    // Reads nothing more and never answers; the connection stays open until the peer or
    // abort() ends it.
    void holdWithoutAnswer();
    void abort();

    [[nodiscard]] bool isOpen() const;

    // Largest request head and body accepted; larger ones are answered 413 and closed.
    static constexpr qsizetype kMaxHeadBytes = 64 * 1024;
    static constexpr qsizetype kMaxBodyBytes = 32 * 1024 * 1024;

signals:
    // Emitted for each complete request; the receiver must answer it (now or later) before the
    // next request of this connection is read.
    void requestReady(HttpConnection *connection, const HttpRequest &request);
    void closed(HttpConnection *connection);

private:
    void onReadyRead();
    void processBuffer();
    // One request from the buffer: 1 parsed, 0 need more bytes, -1 malformed (answered, closing).
    int parseOne(HttpRequest &request);
    bool readChunkedBody(qsizetype from, QByteArray &body, qsizetype &consumed);
    void failAndClose(int status);
    [[nodiscard]] QByteArray serializeHead(const HttpResponse &response, qsizetype bodyLength) const;

    QPointer<QTcpSocket> m_socket;
    QByteArray m_buffer;
    bool m_awaitingAnswer = false;
    bool m_holding = false;
    bool m_closeAfterAnswer = false;
    bool m_headRequest = false;
    bool m_continueSent = false; // the interim "100 Continue" of the request being read
};
