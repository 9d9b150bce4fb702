#pragma once
// The tests' one scripted HTTP/1.1 server, on a loopback address and a free port (Qt Core and
// Network only, nothing of the client). Each request is answered as the test scripted its path
// (and, where asked, a part of its query): whole, in delayed pieces, cut off mid-body, never, as
// raw bytes, or as a redirect to another origin keeping the request's path and query. Unscripted
// requests get the fallback reply (a 404 unless the test sets another). Every request is logged.
#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QTcpServer>

#include <optional>

class QTcpSocket;

struct ScriptedReply {
    enum class Mode {
        Whole,       // status line, headers and body at once
        Pieces,      // body in pieceSize parts, pieceDelayMs apart
        DropMidBody, // announces the whole body, sends half of it, closes the connection
        NeverAnswer, // reads the request and keeps the connection open, silent
        Raw,         // body is the whole answer, status line and headers included, sent as it is
    };
    Mode mode = Mode::Whole;
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    int pieceSize = 1000;
    int pieceDelayMs = 5;
    bool contentLength = true; // false: the body ends when the connection closes
    int answerDelayMs = 0;     // wait this long after the request before answering at all
    QByteArray reason;         // the status line's words; empty: the usual ones for the status
    QByteArray locationBase;   // set: a Location header of this plus the request's own path and query

    // A whole answer with one Content-Type.
    [[nodiscard]] static ScriptedReply page(int status, const QByteArray &contentType, const QByteArray &body);
    // These bytes as the whole answer; the connection closes after them.
    [[nodiscard]] static ScriptedReply raw(const QByteArray &bytes);
    // A redirect to origin (e.g. "https://127.0.0.1:PORT") plus the request's own path and query.
    [[nodiscard]] static ScriptedReply movedTo(int status, const QByteArray &origin);
};

// One request as the server received it (its log is requests()).
struct LoggedRequest {
    QByteArray method;
    QByteArray target; // path and query
    QHash<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    QByteArray head; // the request line and header lines as received, up to the empty line

    [[nodiscard]] QByteArray path() const { return target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?')); }
};

// One whole request taken off buffer (which is then emptied: a connection carries one at a time);
// nullopt while its head or body is still arriving.
[[nodiscard]] std::optional<LoggedRequest> takeRequest(QByteArray &buffer);

class ScriptedServer : public QObject
{
    Q_OBJECT
public:
    explicit ScriptedServer(QObject *parent = nullptr);
    // Listening on another loopback address (e.g. 127.0.0.2: a host that is not the site).
    explicit ScriptedServer(const QHostAddress &address, QObject *parent = nullptr);
    ~ScriptedServer() override;

    [[nodiscard]] bool isListening() const { return m_server.isListening(); }
    [[nodiscard]] quint16 port() const { return m_server.serverPort(); }
    [[nodiscard]] QString hostAndPort() const; // "127.0.0.1:PORT"
    [[nodiscard]] QString origin() const;      // "http://127.0.0.1:PORT"
    [[nodiscard]] QString url(const QString &pathAndQuery) const;

    // Answer for a path (the query is ignored when matching). A key "PATH?PART" answers the
    // requests to PATH whose query holds PART, before the plain PATH; "*?PART" does so for any path.
    void script(const QByteArray &path, const ScriptedReply &reply) { m_replies.insert(path, reply); }
    // The answer to every request that no key matches.
    void setFallback(const ScriptedReply &reply) { m_fallback = reply; }

    [[nodiscard]] const QList<LoggedRequest> &requests() const { return m_requests; }
    // Requests so far to a path (the query left aside).
    [[nodiscard]] int countTo(const QByteArray &path) const;
    [[nodiscard]] int closedConnections() const { return m_closed; }

    // A port on 127.0.0.1 where nothing listens.
    [[nodiscard]] static quint16 unusedPort();

signals:
    // Emitted once the request is logged and its answer chosen, before the answer goes.
    void requestReceived(const LoggedRequest &request);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    [[nodiscard]] ScriptedReply replyFor(const LoggedRequest &request) const;
    void answer(QTcpSocket *socket, const ScriptedReply &reply, const QByteArray &target);

    QTcpServer m_server;
    QHash<QByteArray, ScriptedReply> m_replies;
    ScriptedReply m_fallback; // set by the constructor: 404 "not scripted"
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<LoggedRequest> m_requests;
    int m_closed = 0;
};

// A loopback "127.0.0.1:PORT" where nobody listens, so whatever is fetched there fails at once and
// nothing leaves the machine. Empty when no port could be had.
[[nodiscard]] QString closedLoopbackAddress();
