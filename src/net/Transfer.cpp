#include "Transfer.h"

#include "Inet.h"
#include "Network.h"

#include <QNetworkReply>

Transfer::Transfer(QNetworkReply *reply, int timeoutMs, QObject *parent)
    : QObject(parent)
    , m_reply(reply)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Transfer::onTimeout);
    if (!reply) {
        // Failing later keeps the caller's order: the request "starts", then reports its failure.
        QMetaObject::invokeMethod(this, &Transfer::fail, Qt::QueuedConnection);
        return;
    }
    connect(reply, &QNetworkReply::socketStartedConnecting, this, [this] { emit progress(Inet::icConnecting); });
    connect(reply, &QNetworkReply::requestSent, this, [this] { emit progress(Inet::icRequestSent); });
    connect(reply, &QNetworkReply::metaDataChanged, this, &Transfer::onMetaDataChanged);
    connect(reply, &QNetworkReply::readyRead, this, &Transfer::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &Transfer::onFinished);
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
    if (m_body.size() > Network::kMaxReplyBytes)
        fail();
}

void Transfer::onFinished()
{
    if (m_finished || !m_reply)
        return;
    readStatus();
    m_body += m_reply->readAll();
    if (m_body.size() > Network::kMaxReplyBytes) {
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
    release();
    emit finished(); // last: receivers may delete this object
}

void Transfer::onTimeout()
{
    fail();
}

void Transfer::fail()
{
    if (m_finished)
        return;
    m_finished = true;
    m_failed = true;
    release();
    emit finished(); // last: receivers may delete this object
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
