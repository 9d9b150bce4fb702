#pragma once
// One HTTP request being carried out for Inet and XmlHttp: the body gathered as it arrives, the size
// cap, the optional time limit, the redirects it may follow (SitePolicy), the cookies its answers
// may store, and the one rule that tells a transport failure from an HTTP error status. Not for
// use outside src/net.
#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QNetworkRequest>
#include <QObject>
#include <QSslError>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

class Network;
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
    // Sends request with method and body through network's send (a request that cannot be made
    // fails on the next event loop pass). timeoutMs <= 0: no time limit; it covers every hop.
    // The cookies the answers set go into network's store unless the request's
    // CookieSaveControlAttribute is Manual, and never once the session the request began in has ended.
    Transfer(Network &network, const QNetworkRequest &request, const QByteArray &method, const QByteArray &body, int timeoutMs,
             QObject *parent = nullptr);
    ~Transfer() override;
    Transfer(const Transfer &) = delete;
    Transfer &operator=(const Transfer &) = delete;

    // Stops the transfer without emitting finished(); it then counts as failed.
    void abort();
    // The session it belongs to has ended: stops at once (nothing more is read, no cookie is
    // stored) and reports itself failed on the next event loop pass.
    void endWithSession();
    // The network goes (the member session ends with the program): stops without a report.
    void detachFromNetwork();

    [[nodiscard]] bool isFinished() const { return m_finished; }
    // Transport error, time-out, oversize, abort, or no HTTP answer at all.
    [[nodiscard]] bool failed() const { return m_failed; }
    [[nodiscard]] int status() const { return m_status; }
    [[nodiscard]] QByteArray contentType() const { return m_contentType; }
    // The whole body once finished; empty when failed.
    [[nodiscard]] QByteArray body() const { return m_failed ? QByteArray() : m_body; }
    // body() decoded by Network::decodeBody.
    [[nodiscard]] QString text() const;
    // Why a failed transfer failed, when the reason is worth telling (a redirect off the site, a
    // broken compressed body, the session's end, a refused certificate naming host and reason);
    // else empty.
    [[nodiscard]] QString errorText() const { return m_errorText; }
    // The proxy did not carry the request (refused, unreachable, asked for a password): the
    // member's words naming it by host and port (Network::proxyProblem), also the errorText();
    // else empty.
    [[nodiscard]] QString proxyProblem() const { return m_proxyProblem; }
    // The address of the last hop (the request's own address unless it was redirected).
    [[nodiscard]] QUrl url() const { return m_url; }
    // The sign-out number this transfer began under (Network::sessionNumber()).
    [[nodiscard]] quint64 session() const { return m_session; }

signals:
    // Progress as the transfer control numbers it (Inet::icConnecting, icRequestSent, icReceivingResponse).
    void progress(int state);
    // Once, when the reply is complete or has failed. Receivers may delete this object.
    void finished();

private:
    void startHop(QNetworkReply *reply);
    bool followRedirect();
    void storeCookies();
    void failWith(const QString &reason);
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

    Network *m_network; // null once the network went
    QPointer<QNetworkReply> m_reply;
    QNetworkRequest m_request; // as the caller made it, without cookies: each hop asks the store afresh
    QByteArray m_method;
    QByteArray m_requestBody;
    QUrl m_origin;
    QUrl m_url;
    QString m_errorText;
    QString m_proxyProblem;
    quint64 m_session = 0;
    int m_hops = 0;
    bool m_storesCookies = true;
    bool m_cookiesStored = false;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QList<QSslError> m_sslErrors;
    QByteArray m_body;
    QByteArray m_contentType;
    int m_status = 0;
    bool m_finished = false;
    bool m_failed = false;
    bool m_receiving = false;
};
