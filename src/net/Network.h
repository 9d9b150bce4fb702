#pragma once
// The program's one HTTP layer: one QNetworkAccessManager and one cookie store shared by every
// request of a member session, the transfer control (Inet) and the XML HTTP object (XmlHttp) over
// them. The member session owns the Network; each Inet and XmlHttp is made on it.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QSslCertificate>
#include <QString>

#include <memory>

class QNetworkAccessManager;
class QNetworkProxy;
class QSslError;
class QNetworkReply;
class QNetworkRequest;
class QUrl;
class CookieStore;
class ForumCharset;
class Settings;
class Transfer;
class QNetworkProxyQuery;

class Network
{
public:
    static constexpr int kTimeoutMs = 30000;               // page fetches and posts give up after this
    static constexpr qint64 kMaxReplyBytes = 8 * 1024 * 1024; // larger replies are cut off and count as failed

    // Reads the hosts, the probe, the proxy choice and the cookies folder from settings, which
    // must outlive it. The manager and the store are made on first use.
    explicit Network(const Settings &settings);
    ~Network();
    Network(const Network &) = delete;
    Network &operator=(const Network &) = delete;

    [[nodiscard]] const Settings &settings() const { return m_settings; }

    // The store is the manager's cookie jar. The store's folder starts as "<data folder>/Cookies";
    // after the settings' data folder changes, call cookieStore().setFolder again.
    QNetworkAccessManager &manager();
    CookieStore &cookieStore();
    // The code page of the forum's forms, as the forum's replies on this network declared it.
    ForumCharset &charset() { return *m_charset; }

    // A request as every request of the program is made: HTTP/1.1, never from a cache.
    [[nodiscard]] QNetworkRequest request(const QUrl &url) const;
    // Sends request with method ("GET", "POST", anything else as a custom verb; empty means GET) on
    // the manager. nullptr when the address is not an http(s) address. A POST without a
    // Content-Type is sent as a form post. Redirects are not followed here: Transfer follows them
    // hop by hop as SitePolicy allows.
    [[nodiscard]] QNetworkReply *send(QNetworkRequest request, const QByteArray &method, const QByteArray &body);
    // "Name: value" lines joined by CR LF to header pairs. Lines without a valid name are skipped;
    // control characters never reach the wire.
    [[nodiscard]] static QList<QPair<QByteArray, QByteArray>> parseHeaderLines(const QString &headers);

    // The member's session on the site ends (sign-out, reset after a refused sign-in): every request
    // begun before now is stopped and reports itself failed on the next event loop pass, and no
    // answer to such a request stores a cookie, however late it comes. Requests made afterwards are
    // unaffected.
    void endSession();
    // Counts endSession calls; a request remembers the number it began under.
    [[nodiscard]] quint64 sessionNumber() const { return m_session; }
    // The live transfers endSession stops (Transfer registers itself).
    void addTransfer(Transfer *transfer);
    void removeTransfer(Transfer *transfer);

    // Adds the certificate authorities in a PEM file to the system's trust store, for this
    // network's requests only, from the next request on, to any site. False (with a message)
    // when the file holds no certificate. Verification itself is never turned off: a certificate
    // that fails ends its request as a failed request.
    bool useCaCertificatesFile(const QString &path, QString *errorMessage = nullptr);
    // Back to the system's trust store alone.
    void resetCaCertificates();

    // Why a site's certificate was refused, in words a member can pass on: "expired", "issued for
    // another name", "unknown issuer" or Qt's own text for anything else; several joined by "; ".
    [[nodiscard]] static QString certificateProblem(const QList<QSslError> &errors);

    // The proxy of every request, the connectivity probe's included, chosen per request from the
    // settings: --proxy's proxy, direct with --no-proxy, else the system's configuration (the
    // environment's proxy variables as curl reads them, ProxyChoice; without any, the desktop's
    // settings as Qt reads them).
    // Checks --proxy's address; false with a message naming what is wrong (never its password).
    bool checkProxySetting(QString *errorMessage = nullptr) const;
    // The proxy a request to url goes through now (NoProxy when direct).
    [[nodiscard]] QNetworkProxy proxyFor(const QUrl &url) const;
    // Whether a request to url may go out while another waits for its first answer. Not through
    // a proxy that takes a user name: when two requests answer its challenge at once, Qt warns
    // with that name on standard error.
    [[nodiscard]] bool mayAskBeside(const QUrl &url) const;
    // The member's words for a request to url that proxy did not carry ("无法连接代理服务器 HOST:PORT",
    // "代理服务器 HOST:PORT 要求身份验证"), naming the proxy by host and port only; empty when error
    // (a QNetworkReply::NetworkError) is not the proxy's. Qt names few of them as the proxy's: a
    // refused HTTP proxy comes as ConnectionRefusedError (for an http address the connection is the
    // proxy's alone), a refused SOCKS5 proxy or HTTP tunnel as UnknownNetworkError.
    [[nodiscard]] static QString proxyProblem(int error, const QNetworkProxy &proxy, const QUrl &url);

    // Tests shorten the time limit; 0 or less restores kTimeoutMs.
    void setTimeoutMs(int ms) { m_timeoutMs = ms > 0 ? ms : 0; }
    [[nodiscard]] int timeoutMs() const { return m_timeoutMs > 0 ? m_timeoutMs : kTimeoutMs; }

    // Reply bytes to text by the charset the reply names: a UTF-8/UTF-16 byte-order mark, else the
    // Content-Type header, else the XML declaration or an HTML meta charset in the first 1 KiB; GBK
    // when it names none.
    [[nodiscard]] static QString decodeBody(const QByteArray &body, const QByteArray &contentTypeHeader);

private:
    class ProxyFactory;
    QNetworkProxy chooseProxy(const QNetworkProxyQuery &query) const;
    void ensureCreated();
    void trustChanged();

    const Settings &m_settings;
    std::unique_ptr<ForumCharset> m_charset;
    int m_timeoutMs = 0;
    QList<QSslCertificate> m_extraCas; // from --ca-certificates
    quint64 m_session = 0;
    QList<Transfer *> m_transfers; // every live transfer, for endSession
    // The manager owns the store; both owned here.
    std::unique_ptr<QNetworkAccessManager> m_manager;
    QPointer<CookieStore> m_cookieStore;
    mutable bool m_toldUnusableProxy = false;
};
