#pragma once
// A tiny HTTP server on a loopback port that answers every request by a script: a fixed reply,
// a connection dropped in the middle of the reply, or no answer at all. It records what it got.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

class ScriptedForum : public QObject
{
    Q_OBJECT
public:
    enum class Mode { Reply, DropMidReply, NeverAnswer };

    struct Request {
        QByteArray method;
        QByteArray target;                  // path and query
        QMap<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };

    explicit ScriptedForum(QObject *parent = nullptr);
    ~ScriptedForum() override;

    [[nodiscard]] quint16 port() const;
    [[nodiscard]] QString hostAndPort() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }

    // The reply for the coming requests; the text is sent in GBK with "charset=gbk".
    void replyWith(int status, const QString &text, const QByteArray &contentType = "text/xml; charset=gbk");
    void setMode(Mode mode) { m_mode = mode; }

    QList<Request> requests;

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);

    QTcpServer *m_server = nullptr;
    Mode m_mode = Mode::Reply;
    int m_status = 200;
    QByteArray m_contentType;
    QByteArray m_body;
    QMap<QTcpSocket *, QByteArray> m_buffers;
};
