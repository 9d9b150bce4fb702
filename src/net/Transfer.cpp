#include "Transfer.h"

#include "CookieStore.h"
#include "ForumCharset.h"
#include "Inet.h"
#include "Network.h"
#include "SitePolicy.h"

#include "base/Logging.h"

#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QLoggingCategory>
#include <QNetworkCookie>
#include <QNetworkProxy>
#include <QNetworkReply>

namespace {

constexpr int kMaxRedirects = 10;

// Qt reports a body that fails to decompress (or trips its decompression-ratio guard) as
// UnknownContentError. For an HTTP status below 400 or from 500 up Qt never gives that code, so
// there it can only mean a broken body; a 4xx page keeps the old reading (an error page either way).
bool isBrokenBody(QNetworkReply::NetworkError error, int status)
{
    return error == QNetworkReply::UnknownContentError && !(status >= 400 && status < 500);
}

} // namespace

Transfer::Transfer(Network &network, const QNetworkRequest &request, const QByteArray &method, const QByteArray &body, int timeoutMs,
                   QObject *parent)
    : QObject(parent)
    , m_network(&network)
    , m_request(request)
    , m_method(method.trimmed().toUpper())
    , m_requestBody(body)
    , m_origin(request.url())
    , m_url(request.url())
    , m_session(network.sessionNumber())
{
    // Cookies are stored here, per answer, so that a late answer of an ended session stores none.
    m_storesCookies = request.attribute(QNetworkRequest::CookieSaveControlAttribute).toInt() != QNetworkRequest::Manual;
    m_request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    network.addTransfer(this);
    m_timer.setSingleShot(true);
    m_clock.start();
    connect(&m_timer, &QTimer::timeout, this, &Transfer::onTimeout);
    startHop(network.send(m_request, m_method, m_requestBody));
    if (timeoutMs > 0 && !m_finished)
        m_timer.start(timeoutMs);
}

Transfer::~Transfer()
{
    if (m_network)
        m_network->removeTransfer(this);
    release();
}

void Transfer::detachFromNetwork()
{
    abort();
    m_network = nullptr;
}

void Transfer::startHop(QNetworkReply *reply)
{
    m_reply = reply;
    m_cookiesStored = false;
    if (!reply) {
        m_errorText = QStringLiteral("not an http or https address");
        // Failing later keeps the caller's order: the request "starts", then reports its failure.
        QMetaObject::invokeMethod(this, &Transfer::fail, Qt::QueuedConnection);
        return;
    }
    connect(reply, &QNetworkReply::socketStartedConnecting, this, [this] { emit progress(Inet::icConnecting); });
    connect(reply, &QNetworkReply::requestSent, this, [this] { emit progress(Inet::icRequestSent); });
    connect(reply, &QNetworkReply::metaDataChanged, this, &Transfer::onMetaDataChanged);
    connect(reply, &QNetworkReply::readyRead, this, &Transfer::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &Transfer::onFinished);
    // Never ignored: the reply then ends with a handshake error, and the reasons go into the message.
    connect(reply, &QNetworkReply::sslErrors, this, [this](const QList<QSslError> &errors) { m_sslErrors += errors; });
}

void Transfer::abort()
{
    if (!m_finished) {
        m_finished = true;
        m_failed = true;
        m_errorText = QStringLiteral("cancelled");
        logOutcome();
    }
    release();
}

void Transfer::endWithSession()
{
    if (m_finished)
        return;
    m_finished = true;
    m_failed = true;
    m_errorText = QStringLiteral("The request was stopped: the session it belonged to has ended.");
    release();
    // Not from inside the sign-out: its receivers run on the next event loop pass.
    QMetaObject::invokeMethod(this, &Transfer::finished, Qt::QueuedConnection);
}

QString Transfer::text() const
{
    return Network::decodeBody(body(), m_contentType);
}

void Transfer::storeCookies()
{
    if (m_cookiesStored || !m_reply)
        return;
    m_cookiesStored = true;
    if (!m_storesCookies || !m_network || m_session != m_network->sessionNumber())
        return; // the member signed out since this request began: its cookies belong to no session
    const auto cookies = m_reply->header(QNetworkRequest::SetCookieHeader).value<QList<QNetworkCookie>>();
    if (!cookies.isEmpty())
        m_network->cookieStore().setCookiesFromUrl(cookies, m_reply->url());
}

void Transfer::onMetaDataChanged()
{
    readStatus();
    storeCookies();
    bool lengthKnown = false;
    const qint64 length = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&lengthKnown);
    if (lengthKnown && length > Network::kMaxReplyBytes) {
        m_errorText = QStringLiteral("reply larger than 8 MiB");
        fail();
        return;
    }
    if (!m_receiving) {
        m_receiving = true;
        emit progress(Inet::icReceivingResponse);
    }
}

void Transfer::onReadyRead()
{
    m_body += m_reply->readAll();
    if (m_body.size() > Network::kMaxReplyBytes) {
        m_errorText = QStringLiteral("reply larger than 8 MiB");
        fail();
    }
}

// A 3xx answer with a Location moves the request, as far as SitePolicy allows. True when a next
// hop has started (or the transfer has ended); false when the answer stands as it is.
bool Transfer::followRedirect()
{
    if (!SitePolicy::isRedirectStatus(m_status))
        return false;
    const QUrl location = m_reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (location.isEmpty())
        return false; // no Location: the 3xx page is the answer
    const QUrl target = m_reply->url().resolved(location);
    const SitePolicy::Hop hop =
        SitePolicy::redirectHop(m_network->settings(), m_origin, m_reply->url(), target, m_status, m_method, !m_requestBody.isEmpty());
    if (!hop.follow) {
        failWith(hop.reason);
        return true;
    }
    if (++m_hops > kMaxRedirects) {
        failWith(QStringLiteral("The site redirected the request more than %1 times.").arg(kMaxRedirects));
        return true;
    }

    QNetworkReply *previous = m_reply;
    m_reply = nullptr;
    previous->disconnect(this);
    previous->deleteLater(); // we are inside its finished signal

    QNetworkRequest next = m_request;
    next.setUrl(target);
    // The store is asked for the new address when the request is made; no Cookie header of ours rides along.
    next.setHeader(QNetworkRequest::CookieHeader, QVariant());
    next.setRawHeader("Cookie", QByteArray());
    if (!hop.keepBody) {
        m_requestBody.clear();
        next.setHeader(QNetworkRequest::ContentTypeHeader, QVariant());
        next.setHeader(QNetworkRequest::ContentLengthHeader, QVariant());
    }
    if (lcNet().isDebugEnabled())
        qCDebug(lcNet).noquote() << QString::fromLatin1(m_method) << Logging::roleForLog(m_url) << Logging::forLog(m_url) << "->"
                                 << m_status << "moved to" << target.scheme() << Logging::roleForLog(target)
                                 << Logging::forLog(target) << "as" << QString::fromLatin1(hop.method)
                                 << (hop.keepBody ? "with its body" : "without a body");
    m_method = hop.method;
    m_request = next;
    m_url = target;
    m_sslErrors.clear();
    m_body.clear();
    m_contentType.clear();
    m_status = 0;
    startHop(m_network ? m_network->send(m_request, m_method, m_requestBody) : nullptr);
    return true;
}

void Transfer::onFinished()
{
    if (m_finished || !m_reply)
        return;
    readStatus();
    storeCookies();
    m_body += m_reply->readAll();
    if (m_body.size() > Network::kMaxReplyBytes) {
        m_errorText = QStringLiteral("reply larger than 8 MiB");
        fail();
        return;
    }
    const QNetworkReply::NetworkError error = m_reply->error();
    if (error == QNetworkReply::NoError && followRedirect())
        return;
    // An HTTP error status is a complete answer whose body the callers read; anything below the
    // HTTP layer (refused, reset, cut off mid-body, bad protocol) means there is no answer.
    bool transportError = error != QNetworkReply::NoError &&
                          (error < QNetworkReply::ContentAccessDenied || error == QNetworkReply::ProtocolUnknownError ||
                           error == QNetworkReply::ProtocolFailure);
    // A body that cannot be decompressed is an incomplete answer, not an empty page.
    if (isBrokenBody(error, m_status)) {
        transportError = true;
        m_errorText = QStringLiteral("The site's answer could not be decompressed: ") + m_reply->errorString();
        qWarning("quorvel: %s", qUtf8Printable(m_errorText));
    }
    m_finished = true;
    m_failed = transportError || m_status == 0;
    if (m_failed && m_errorText.isEmpty())
        noteError();
    if (!m_failed)
        m_network->charset().noteReply(m_url, m_status, m_contentType, m_body);
    logOutcome();
    release();
    emit finished(); // last: receivers may delete this object
}

void Transfer::onTimeout()
{
    m_errorText = QStringLiteral("no complete answer within %1 s").arg(m_timer.interval() / 1000.0);
    fail();
}

void Transfer::failWith(const QString &reason)
{
    if (m_finished)
        return;
    m_errorText = reason;
    qWarning("quorvel: %s", qUtf8Printable(reason));
    fail();
}

void Transfer::fail()
{
    if (m_finished)
        return;
    m_finished = true;
    m_failed = true;
    if (m_errorText.isEmpty())
        noteError();
    logOutcome();
    release();
    emit finished(); // last: receivers may delete this object
}

void Transfer::noteError()
{
    const QString host = Logging::safeHost(m_url);
    if (!m_sslErrors.isEmpty()) {
        m_errorText = QStringLiteral("certificate of %1 refused: %2").arg(host, Network::certificateProblem(m_sslErrors));
        // Shown without --verbose: a refused certificate is what a member must be able to see.
        qCWarning(lcNet).noquote() << m_errorText;
        return;
    }
    if (m_reply && m_reply->error() == QNetworkReply::SslHandshakeFailedError) {
        m_errorText = QStringLiteral("secure connection to %1 failed: %2").arg(host, m_reply->errorString());
        qCWarning(lcNet).noquote() << m_errorText;
        return;
    }
    // The error's name, not Qt's text: that text quotes the whole address, form token included.
    const QNetworkReply::NetworkError error = m_reply ? m_reply->error() : QNetworkReply::UnknownNetworkError;
    m_proxyProblem = m_network ? Network::proxyProblem(error, m_network->proxyFor(m_url), m_url) : QString();
    if (!m_proxyProblem.isEmpty()) {
        m_errorText = m_proxyProblem;
        // Shown without --verbose, as a refused certificate: the member must be able to see it.
        qCWarning(lcNet).noquote() << m_errorText;
        return;
    }
    m_errorText = error == QNetworkReply::NoError ? QStringLiteral("no HTTP answer")
                                                  : QString::fromLatin1(QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error));
}

void Transfer::logOutcome()
{
    if (!lcNet().isDebugEnabled() || m_method.isEmpty())
        return;
    const QString what = QString::fromLatin1(m_method) + QLatin1Char(' ') + Logging::roleForLog(m_url) + QLatin1Char(' ')
        + Logging::forLog(m_url);
    const QString outcome = m_failed ? QStringLiteral("failed (%1)").arg(m_errorText)
                                     : QStringLiteral("%1").arg(m_status);
    qCDebug(lcNet).noquote() << what << "->" << outcome << m_clock.elapsed() << "ms" << m_body.size() << "bytes";
}

void Transfer::readStatus()
{
    if (!m_reply)
        return;
    m_status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    m_contentType = m_reply->rawHeader("Content-Type");
}

void Transfer::release()
{
    m_timer.stop();
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    if (reply->isRunning())
        reply->abort();
    // Never deleted at once: this may run inside one of the reply's own signals.
    reply->deleteLater();
}
