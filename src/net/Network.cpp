#include "Network.h"

#include "base/CodePage.h"
#include "base/Settings.h"
#include "CookieStore.h"
#include "ForumCharset.h"
#include "ProxyChoice.h"
#include "Transfer.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRegularExpression>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <QSslSocket>
#include <QUrl>

#include <algorithm>

namespace {

bool isTokenChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7f)
        return false;
    return !QByteArrayView("()<>@,;:\\\"/[]?={}").contains(c);
}

QByteArray withoutControls(QByteArray bytes)
{
    bytes.removeIf([](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t') || u == 0x7f;
    });
    return bytes;
}

} // namespace

namespace NetDetail {

bool isHeaderName(const QByteArray &name)
{
    return !name.isEmpty() && std::all_of(name.cbegin(), name.cend(), isTokenChar);
}

QByteArray headerValue(const QString &value)
{
    return withoutControls(CodePage::toAnsi(value.trimmed())).trimmed();
}

} // namespace NetDetail

QNetworkProxy Network::chooseProxy(const QNetworkProxyQuery &query) const
{
    const Settings &settings = m_settings;
    if (settings.directConnection())
        return QNetworkProxy(QNetworkProxy::NoProxy);
    if (!settings.proxyUrl().isEmpty()) {
        // The start routine refuses a bad address; should one get here, the request fails as
        // "no proxy" rather than go around the proxy the member named.
        return ProxyChoice::fromOption(settings.proxyUrl()).value_or(QNetworkProxy(QNetworkProxy::DefaultProxy));
    }
    if (!ProxyChoice::Environment::anySetInProcess()) {
        // The desktop's settings, as far as Qt reads them (libproxy on Linux).
        const QList<QNetworkProxy> system = QNetworkProxyFactory::systemProxyForQuery(query);
        return system.value(0, QNetworkProxy(QNetworkProxy::NoProxy));
    }
    const ProxyChoice::Environment environment = ProxyChoice::Environment::ofProcess();
    const QNetworkProxy chosen = ProxyChoice::forAddress(query.url(), environment);
    const QString value = ProxyChoice::variableValueFor(query.url(), environment);
    if (chosen.type() == QNetworkProxy::NoProxy && !value.isEmpty() && !ProxyChoice::fromEnvironmentValue(value)) {
        // Said once: a proxy the member set that this program cannot use (never the value itself).
        if (!m_toldUnusableProxy)
            qWarning("quorvel: the proxy variable for %s names no http:// or socks5:// proxy; requests go direct",
                     qPrintable(query.url().scheme()));
        m_toldUnusableProxy = true;
    }
    return chosen;
}

class Network::ProxyFactory : public QNetworkProxyFactory
{
public:
    explicit ProxyFactory(const Network &network)
        : m_network(network)
    {
    }
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override { return {m_network.chooseProxy(query)}; }

private:
    const Network &m_network;
};

Network::Network(const Settings &settings)
    : m_settings(settings)
    , m_charset(std::make_unique<ForumCharset>(settings))
{
}

Network::~Network()
{
    // Controls that outlive the session's network stop here, before their replies go with the manager.
    const QList<Transfer *> running = m_transfers;
    m_transfers.clear();
    for (Transfer *transfer : running)
        transfer->detachFromNetwork();
}

void Network::ensureCreated()
{
    if (m_manager && m_cookieStore)
        return;
    if (!m_manager) {
        m_manager = std::make_unique<QNetworkAccessManager>();
        // Qt would follow redirects anywhere with the first request's Cookie header; Transfer
        // follows them itself, only on the site.
        m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
        m_manager->setProxyFactory(new ProxyFactory(*this)); // the manager owns it
    }
    auto *store = new CookieStore(m_settings);
    m_manager->setCookieJar(store); // the manager becomes its parent
    m_cookieStore = store;
    store->setFolder(m_settings.cookiesDir());
}

void Network::addTransfer(Transfer *transfer)
{
    m_transfers.append(transfer);
}

void Network::removeTransfer(Transfer *transfer)
{
    m_transfers.removeOne(transfer);
}

QNetworkAccessManager &Network::manager()
{
    ensureCreated();
    return *m_manager;
}

CookieStore &Network::cookieStore()
{
    ensureCreated();
    return *m_cookieStore;
}

QNetworkRequest Network::request(const QUrl &url) const
{
    QNetworkRequest request(url);
    // The forum speaks plain HTTP/1.1; a page fetch must always reach the site.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (!m_extraCas.isEmpty()) { // also on http: a redirect may move the request to https
        // Qt's own lookup of the system store stops once a configuration names its authorities,
        // so the system's are named here too.
        static const QList<QSslCertificate> systemCas = QSslConfiguration::systemCaCertificates();
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates(systemCas + m_extraCas);
        tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
        request.setSslConfiguration(tls);
    }
    return request;
}

bool Network::useCaCertificatesFile(const QString &path, QString *errorMessage)
{
    QList<QSslCertificate> found = QSslCertificate::fromPath(path, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
    found.removeIf([](const QSslCertificate &c) { return c.isNull(); });
    if (found.isEmpty()) {
        if (errorMessage)
            *errorMessage = QStringLiteral("--ca-certificates: no PEM certificate in \"%1\"").arg(path);
        return false;
    }
    m_extraCas = found;
    trustChanged();
    return true;
}

void Network::resetCaCertificates()
{
    m_extraCas.clear();
    trustChanged();
}

void Network::trustChanged()
{
    // Qt keeps a connection per host and port with the certificates it was made with, and would
    // go on verifying that site by the old ones: requests from now on connect afresh.
    if (m_manager)
        m_manager->clearConnectionCache();
}

QString Network::certificateProblem(const QList<QSslError> &errors)
{
    QStringList reasons;
    for (const QSslError &error : errors) {
        QString reason;
        switch (error.error()) {
        case QSslError::CertificateExpired:
            reason = QStringLiteral("expired");
            break;
        case QSslError::CertificateNotYetValid:
            reason = QStringLiteral("not yet valid");
            break;
        case QSslError::HostNameMismatch:
            reason = QStringLiteral("issued for another name");
            break;
        case QSslError::UnableToGetIssuerCertificate:
        case QSslError::UnableToGetLocalIssuerCertificate:
        case QSslError::UnableToVerifyFirstCertificate:
        case QSslError::SelfSignedCertificate:
        case QSslError::SelfSignedCertificateInChain:
        case QSslError::CertificateUntrusted:
            reason = QStringLiteral("unknown issuer");
            break;
        case QSslError::CertificateRevoked:
            reason = QStringLiteral("revoked");
            break;
        default:
            reason = error.errorString();
            break;
        }
        if (!reasons.contains(reason))
            reasons << reason;
    }
    return reasons.join(QStringLiteral("; "));
}

QNetworkReply *Network::send(QNetworkRequest request, const QByteArray &method, const QByteArray &body)
{
    const QUrl url = request.url();
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return nullptr;
    const QByteArray verb = method.trimmed().toUpper();
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QNetworkAccessManager &nam = manager();
    if (verb.isEmpty() || verb == "GET")
        return nam.get(request);
    if (verb == "POST") {
        if (!request.header(QNetworkRequest::ContentTypeHeader).isValid())
            request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
        return nam.post(request, body);
    }
    if (verb == "HEAD")
        return nam.head(request);
    for (const char c : verb)
        if (!isTokenChar(c))
            return nullptr;
    return nam.sendCustomRequest(request, verb, body);
}

QList<QPair<QByteArray, QByteArray>> Network::parseHeaderLines(const QString &headers)
{
    QList<QPair<QByteArray, QByteArray>> out;
    static const QRegularExpression lineBreak(QStringLiteral("\r?\n|\r"));
    const QStringList lines = headers.split(lineBreak, Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLatin1();
        if (!NetDetail::isHeaderName(name))
            continue;
        out.append({name, NetDetail::headerValue(line.mid(colon + 1))});
    }
    return out;
}

void Network::endSession()
{
    ++m_session;
    // A copy: ending a transfer may let its owner go, and the list with it changes.
    const QList<QPointer<Transfer>> running(m_transfers.cbegin(), m_transfers.cend());
    for (const QPointer<Transfer> &transfer : running)
        if (transfer && transfer->session() < m_session)
            transfer->endWithSession();
}

bool Network::checkProxySetting(QString *errorMessage) const
{
    const QString url = m_settings.proxyUrl();
    return url.isEmpty() || ProxyChoice::fromOption(url, errorMessage).has_value();
}

QNetworkProxy Network::proxyFor(const QUrl &url) const
{
    return chooseProxy(QNetworkProxyQuery(url));
}

bool Network::mayAskBeside(const QUrl &url) const
{
    return proxyFor(url).user().isEmpty();
}

QString Network::proxyProblem(int error, const QNetworkProxy &proxy, const QUrl &url)
{
    if (proxy.type() == QNetworkProxy::NoProxy || proxy.type() == QNetworkProxy::DefaultProxy)
        return {};
    const QString name = ProxyChoice::nameOf(proxy);
    // Plain http through an HTTP proxy: Qt's one connection is to the proxy, which answers for
    // the site with a status of its own (502) when the site is out of reach.
    const bool onlyProxyConnected = proxy.type() == QNetworkProxy::HttpProxy
        && url.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0;
    switch (error) {
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return QStringLiteral("代理服务器 %1 要求身份验证").arg(name);
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::UnknownNetworkError: // how Qt's HTTP layer passes a proxy socket's error on
        return QStringLiteral("无法连接代理服务器 %1").arg(name);
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
        return onlyProxyConnected ? QStringLiteral("无法连接代理服务器 %1").arg(name) : QString();
    default:
        return {};
    }
}

QString Network::decodeBody(const QByteArray &body, const QByteArray &contentTypeHeader)
{
    const CodePage::Declaration declared = CodePage::declaration(body, contentTypeHeader);
    // An odd declaration reads as none: GBK, as the older site's pages are.
    return CodePage::decode(body.mid(declared.markLength), declared.odd ? QByteArray() : declared.name);
}

