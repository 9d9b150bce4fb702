#include "Inet.h"

#include "Network.h"
#include "Transfer.h"

#include <QNetworkRequest>
#include <QUrl>

Inet::Inet(Network &network, QObject *parent)
    : QObject(parent)
    , m_network(network)
{
}

Inet::~Inet()
{
    ++m_generation;
    delete m_transfer; // aborts quietly: no signal reaches a half-destroyed control
}

void NetDetail::AbortLater::operator()(Transfer *transfer) const
{
    transfer->abort(); // reports nothing more
    Wait::DeleteLater()(transfer);
}

InetOpening::InetOpening(Inet *inet, QString url)
    : m_inet(inet), m_network(inet->network()), m_url(std::move(url))
{
}

InetOpening::~InetOpening()
{
    QObject::disconnect(m_cancelled);
    QObject::disconnect(m_gone);
}

void InetOpening::start()
{
    m_transfer.reset(new Transfer(m_network, m_network.request(QUrl(m_url)), "GET", {}, m_network.timeoutMs()));
    if (m_inet) {
        // Cancel ends the wait as a failed fetch; so does the control's end: nobody is left to
        // read the answer, and the request is not left running until its time limit.
        const auto stop = [this] {
            QObject::disconnect(m_cancelled);
            QObject::disconnect(m_gone);
            m_transfer->abort();
            m_step.resume();
        };
        m_cancelled = QObject::connect(m_inet, &Inet::openUrlCancelled, m_inet, stop);
        m_gone = QObject::connect(m_inet, &QObject::destroyed, m_transfer.get(), stop);
    }
    // Even a request that cannot be made reports finished, on the next pass of the event loop.
    QObject::connect(m_transfer.get(), &Transfer::finished, m_transfer.get(), [this] { m_step.resume(); });
}

void InetCompletion::connectToInet()
{
    m_connection = QObject::connect(m_inet, &Inet::StateChanged, m_inet, [this](int state) {
        if (state != Inet::icResponseCompleted && state != Inet::icError)
            return;
        QObject::disconnect(m_connection);
        m_state = state;
        m_step.resume();
    });
}

QString InetOpening::await_resume()
{
    const Transfer &transfer = *m_transfer;
    if (m_inet)
        m_inet->record(transfer);
    return transfer.isFinished() && !transfer.failed() ? transfer.text() : QString();
}

void Inet::Execute(const QString &url, const QString &operation, const QByteArray &body, const QString &headers)
{
    Cancel();
    m_text.clear();
    m_chunkPos = 0;

    QNetworkRequest request = m_network.request(QUrl(url));
    const auto headerPairs = Network::parseHeaderLines(headers);
    for (const auto &header : headerPairs)
        request.setRawHeader(header.first, header.second);
    if (!m_storesReplyCookies)
        request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    auto *transfer = new Transfer(m_network, request, operation.toLatin1(), body, 0, this);
    m_transfer = transfer;
    connect(transfer, &Transfer::progress, this, [this, transfer](int state) {
        if (transfer == m_transfer)
            emit StateChanged(state);
    });
    connect(transfer, &Transfer::finished, this, &Inet::finishExecute);

    // Reported from the event loop, as every other state: Execute itself returns at once.
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == m_generation && StillExecuting())
                emit StateChanged(icRequesting);
        },
        Qt::QueuedConnection);
}

QString Inet::GetChunk(int size)
{
    if (size <= 0 || m_chunkPos >= m_text.size())
        return {};
    qsizetype count = qMin<qsizetype>(size, m_text.size() - m_chunkPos);
    if (count > 1 && m_chunkPos + count < m_text.size() && m_text.at(m_chunkPos + count - 1).isHighSurrogate())
        --count;
    const QString chunk = m_text.mid(m_chunkPos, count);
    m_chunkPos += count;
    return chunk;
}

void Inet::Cancel()
{
    ++m_generation;
    emit openUrlCancelled();
    if (!m_transfer)
        return;
    Transfer *transfer = m_transfer;
    m_transfer = nullptr;
    transfer->disconnect(this);
    transfer->abort();
    // Cancel may be called from a handler of this very transfer's progress report.
    transfer->deleteLater();
}

bool Inet::StillExecuting() const
{
    return m_transfer && !m_transfer->isFinished();
}

void Inet::finishExecute()
{
    Transfer *transfer = m_transfer;
    if (!transfer)
        return;
    m_transfer = nullptr;
    transfer->disconnect(this);
    transfer->deleteLater();
    record(*transfer);
    const bool failed = transfer->failed();
    m_text = failed ? QString() : transfer->text();
    m_chunkPos = 0;
    // The handler may cancel, start another transfer or destroy the control: emitting is the last step.
    emit StateChanged(failed ? icError : icResponseCompleted);
}

void Inet::record(const Transfer &transfer)
{
    m_lastError = transfer.errorText();
    m_lastProxyProblem = transfer.proxyProblem();
    m_lastStatus = transfer.status();
    m_lastContentType = transfer.contentType();
    m_lastBody = transfer.body();
}
