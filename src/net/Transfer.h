#pragma once
// One HTTP reply being collected for Inet and XmlHttp: the body gathered as it arrives, the size
// cap, the optional time limit, and the one rule that tells a transport failure from an HTTP
// error status. Not for use outside src/net.
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSslError>
#include <QUrl>
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
    // Why the transfer failed, for a member to read (empty while it has not failed). A refused
    // certificate names the host and the reason.
    [[nodiscard]] QString errorText() const { return m_errorText; }

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
    // The one line per request of quorvel.net (never a body, header or secret query value).
    void logOutcome();
    void noteError();

    QPointer<QNetworkReply> m_reply;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QByteArray m_method;
    QUrl m_url;
    QList<QSslError> m_sslErrors;
    QString m_errorText;
    QByteArray m_body;
    QByteArray m_contentType;
    int m_status = 0;
    bool m_finished = false;
    bool m_failed = false;
    bool m_receiving = false;
};
