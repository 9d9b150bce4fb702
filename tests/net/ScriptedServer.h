#pragma once
// A small HTTP/1.1 server on 127.0.0.1 (free port) that answers each path as scripted: whole,
// in delayed pieces, cut off mid-body, or never. It records every request it receives.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QHostAddress>
#include <QTcpServer>

class QTcpSocket;

struct ScriptedReply {
    enum class Mode {
        Whole,       // status line, headers and body at once
        Pieces,      // body in pieceSize parts, pieceDelayMs apart
        DropMidBody, // announces the whole body, sends half of it, closes the connection
        NeverAnswer, // reads the request and keeps the connection open, silent
    };
    Mode mode = Mode::Whole;
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    int pieceSize = 1000;
    int pieceDelayMs = 5;
    bool contentLength = true; // false: the body ends when the connection closes
    int answerDelayMs = 0;     // wait this long after the request before answering at all
};

struct RecordedRequest {
    QByteArray method;
    QByteArray target; // path and query
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
};

class ScriptedServer : public QObject
{
    Q_OBJECT
public:
    explicit ScriptedServer(QObject *parent = nullptr);
    // Listening on another loopback address (e.g. 127.0.0.2: a host that is not the site).
    explicit ScriptedServer(const QHostAddress &address, QObject *parent = nullptr);

    [[nodiscard]] quint16 port() const { return m_server.serverPort(); }
    [[nodiscard]] QString hostAndPort() const; // "127.0.0.1:PORT"
    [[nodiscard]] QString url(const QString &pathAndQuery) const;

    // Answer for a path (the query is ignored when matching). Unscripted paths get 404. A key
    // "PATH?PART" answers the requests to PATH whose query holds PART, before the plain PATH.
    void script(const QByteArray &path, const ScriptedReply &reply) { m_replies.insert(path, reply); }

    [[nodiscard]] const QList<RecordedRequest> &requests() const { return m_requests; }
    [[nodiscard]] int closedConnections() const { return m_closed; }

    // A port on 127.0.0.1 where nothing listens.
    [[nodiscard]] static quint16 unusedPort();

signals:
    void requestReceived(const RecordedRequest &request);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const ScriptedReply &reply);

    QTcpServer m_server;
    QHash<QByteArray, ScriptedReply> m_replies;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<RecordedRequest> m_requests;
    int m_closed = 0;
};
