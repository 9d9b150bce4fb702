#include "XmlHttp.h"

#include "Inet.h"
#include "Network.h"
#include "Transfer.h"
#include "WaitGuard.h"

#include <QNetworkRequest>
#include <QUrl>

#include <optional>

XmlHttp::XmlHttp(QObject *parent)
    : QObject(parent)
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
    m_async = async;
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
    if (!m_async)
        wait(QEventLoop::ExcludeUserInputEvents); // repaints, drops input (see wait)
}

void XmlHttp::waitForCompletion()
{
    wait(QEventLoop::AllEvents);
}

void XmlHttp::start(const QByteArray &body)
{
    dropTransfer();
    m_status = 0;
    m_failed = false;
    m_body.clear();
    m_text.clear();
    m_errorText.clear();

    QNetworkRequest request = Network::request(QUrl(m_url));
    for (const auto &header : std::as_const(m_headers))
        request.setRawHeader(header.first, header.second);
    auto *transfer = new Transfer(request, m_method.toLatin1(), body, Network::timeoutMs(), this);
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

void XmlHttp::wait(QEventLoop::ProcessEventsFlags flags)
{
    if (!m_transfer || m_transfer->isFinished())
        return;
    // The loop ends on completion, on a fresh Open (the request it waited for is gone) and on
    // destruction; the transfer's own time limit bounds it otherwise.
    QEventLoop loop;
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    connect(this, &XmlHttp::readyStateChanged, &loop, [this, &loop] {
        if (m_readyState == 4 || m_readyState <= 1)
            loop.quit();
    });
    // Qt's ExcludeUserInputEvents holds input back and replays it after the wait, where it lands
    // on whatever the window shows by then: input that arrives during the wait is dropped instead.
    std::optional<WaitGuard> input;
    if (flags & QEventLoop::ExcludeUserInputEvents)
        input.emplace();
    loop.exec(QEventLoop::AllEvents);
    // this may be gone here: nothing after the loop touches it.
}
