#include "XmlHttp.h"

#include "Inet.h"
#include "Network.h"
#include "Transfer.h"

#include <QNetworkRequest>
#include <QUrl>

XmlHttp::XmlHttp(Network &network, QObject *parent)
    : QObject(parent)
    , m_network(network)
{
}

XmlHttp::~XmlHttp()
{
    // Quietly: nothing may call back into a half-destroyed object. ~QObject deletes the transfer.
    if (m_transfer) {
        m_transfer->disconnect(this);
        m_transfer->abort();
    }
}

void XmlHttp::Open(const QString &method, const QString &url, bool async)
{
    dropTransfer();
    m_method = method.trimmed().toUpper();
    m_url = url;
    Q_UNUSED(async) // the caller's window holds its input for a synchronous one
    m_headers.clear();
    m_status = 0;
    m_failed = false;
    m_body.clear();
    m_text.clear();
    m_errorText.clear();
    setReadyState(1);
}

void XmlHttp::setRequestHeader(const QString &name, const QString &value)
{
    const QByteArray rawName = name.trimmed().toLatin1();
    if (!NetDetail::isHeaderName(rawName))
        return;
    m_headers.append({rawName, NetDetail::headerValue(value)});
}

void XmlHttp::send(const QByteArray &body)
{
    if (m_readyState == 0) {
        // Nothing was opened: fail at once instead of leaving a waiter hanging.
        m_failed = true;
        setReadyState(4);
        return;
    }
    start(body);
}

bool XmlHttp::inProgress() const
{
    return !m_transfer.isNull();
}

void XmlHttp::start(const QByteArray &body)
{
    dropTransfer();
    m_status = 0;
    m_failed = false;
    m_body.clear();
    m_text.clear();
    m_errorText.clear();

    QNetworkRequest request = m_network.request(QUrl(m_url));
    for (const auto &header : std::as_const(m_headers))
        request.setRawHeader(header.first, header.second);
    auto *transfer = new Transfer(m_network, request, m_method.toLatin1(), body, m_network.timeoutMs(), this);
    m_transfer = transfer;
    connect(transfer, &Transfer::progress, this, [this, transfer](int state) {
        if (transfer == m_transfer && state == Inet::icReceivingResponse && m_readyState < 2)
            setReadyState(2);
    });
    connect(transfer, &Transfer::finished, this, &XmlHttp::finish);
}

void XmlHttp::finish()
{
    Transfer *transfer = m_transfer;
    if (!transfer)
        return;
    m_transfer = nullptr;
    transfer->disconnect(this);
    transfer->deleteLater();
    m_status = transfer->status();
    m_failed = transfer->failed();
    m_body = transfer->body();
    m_text = transfer->text();
    m_errorText = transfer->errorText();
    setReadyState(4); // last: a receiver may destroy this object
}

void XmlHttp::dropTransfer()
{
    if (!m_transfer)
        return;
    Transfer *transfer = m_transfer;
    m_transfer = nullptr;
    transfer->disconnect(this);
    transfer->abort();
    transfer->deleteLater(); // may be inside one of its own signals
}

void XmlHttp::setReadyState(int state)
{
    m_readyState = state;
    emit readyStateChanged();
}
