#pragma once
// One HTTP reply being collected for Inet and XmlHttp: the body gathered as it arrives, the size
// cap, the optional time limit, and the one rule that tells a transport failure from an HTTP
// error status. Not for use outside src/net.
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QNetworkReply;

namespace NetDetail {
// A header name that is an HTTP token; a header value as wire bytes (GBK) without control characters.
[[nodiscard]] bool isHeaderName(const QByteArray &name);
[[nodiscard]] QByteArray headerValue(const QString &value);
} // namespace NetDetail

class Transfer : public QObject
{
    Q_OBJECT
public:
    // Takes over reply (nullptr: the request could not be made; fails on the next event loop pass).
    // timeoutMs <= 0: no time limit.
    Transfer(QNetworkReply *reply, int timeoutMs, QObject *parent = nullptr);
    ~Transfer() override;
    Transfer(const Transfer &) = delete;
    Transfer &operator=(const Transfer &) = delete;

    // Stops the transfer without emitting finished(); it then counts as failed.
    void abort();

    [[nodiscard]] bool isFinished() const { return m_finished; }
    // Transport error, time-out, oversize, abort, or no HTTP answer at all.
    [[nodiscard]] bool failed() const { return m_failed; }
    [[nodiscard]] int status() const { return m_status; }
    [[nodiscard]] QByteArray contentType() const { return m_contentType; }
    // The whole body once finished; empty when failed.
    [[nodiscard]] QByteArray body() const { return m_failed ? QByteArray() : m_body; }
    // body() decoded by Network::decodeBody.
    [[nodiscard]] QString text() const;

signals:
    // Progress as the transfer control numbers it (Inet::icConnecting, icRequestSent, icReceivingResponse).
    void progress(int state);
    // Once, when the reply is complete or has failed. Receivers may delete this object.
    void finished();

private:
    void onMetaDataChanged();
    void onReadyRead();
    void onFinished();
    void onTimeout();
    void fail();
    void readStatus();
    void release();

    QPointer<QNetworkReply> m_reply;
    QTimer m_timer;
    QByteArray m_body;
    QByteArray m_contentType;
    int m_status = 0;
    bool m_finished = false;
    bool m_failed = false;
    bool m_receiving = false;
};
