#include "Transfer.h"

#include "Inet.h"
#include "Network.h"

#include "app/Logging.h"

#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkReply>

Transfer::Transfer(QNetworkReply *reply, int timeoutMs, QObject *parent)
    : QObject(parent)
    , m_reply(reply)
{
    m_timer.setSingleShot(true);
    m_clock.start();
    connect(&m_timer, &QTimer::timeout, this, &Transfer::onTimeout);
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
    m_url = reply->request().url();
    switch (reply->operation()) {
    case QNetworkAccessManager::GetOperation: m_method = "GET"; break;
    case QNetworkAccessManager::PostOperation: m_method = "POST"; break;
    case QNetworkAccessManager::HeadOperation: m_method = "HEAD"; break;
    case QNetworkAccessManager::PutOperation: m_method = "PUT"; break;
    case QNetworkAccessManager::DeleteOperation: m_method = "DELETE"; break;
    default: m_method = reply->request().attribute(QNetworkRequest::CustomVerbAttribute).toByteArray(); break;
    }
    if (timeoutMs > 0)
        m_timer.start(timeoutMs);
}

Transfer::~Transfer()
{
    release();
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

QString Transfer::text() const
{
    return Network::decodeBody(body(), m_contentType);
}

void Transfer::onMetaDataChanged()
{
    readStatus();
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

void Transfer::onFinished()
{
    if (m_finished || !m_reply)
        return;
    readStatus();
    m_body += m_reply->readAll();
    if (m_body.size() > Network::kMaxReplyBytes) {
        m_errorText = QStringLiteral("reply larger than 8 MiB");
        fail();
        return;
    }
    // An HTTP error status is a complete answer whose body the callers read; anything below the
    // HTTP layer (refused, reset, cut off mid-body, bad protocol) means there is no answer.
    const QNetworkReply::NetworkError error = m_reply->error();
    const bool transportError = error != QNetworkReply::NoError &&
                                (error < QNetworkReply::ContentAccessDenied || error == QNetworkReply::ProtocolUnknownError ||
                                 error == QNetworkReply::ProtocolFailure);
    m_finished = true;
    m_failed = transportError || m_status == 0;
    if (m_failed)
        noteError();
    logOutcome();
    release();
    emit finished(); // last: receivers may delete this object
}

void Transfer::onTimeout()
{
    m_errorText = QStringLiteral("no complete answer within %1 s").arg(m_timer.interval() / 1000.0);
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
    const QString host = m_url.port() > 0 ? m_url.host() + QLatin1Char(':') + QString::number(m_url.port()) : m_url.host();
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
