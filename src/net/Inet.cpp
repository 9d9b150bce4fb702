#include "Inet.h"

#include "Network.h"
#include "Transfer.h"
#include "WaitGuard.h"

#include <QEventLoop>
#include <QNetworkRequest>
#include <QUrl>

Inet::Inet(QObject *parent)
    : QObject(parent)
{
}

Inet::~Inet()
{
    ++m_generation;
    delete m_transfer; // aborts quietly: no signal reaches a half-destroyed control
}

QString Inet::OpenURL(const QString &url)
{
    const QPointer<Inet> self(this);
    // On the stack, not a child: the control may be destroyed while this waits.
    Transfer transfer(Network::request(QUrl(url)), "GET", {}, Network::timeoutMs());
    if (!transfer.isFinished()) {
        QEventLoop loop;
        connect(&transfer, &Transfer::finished, &loop, &QEventLoop::quit);
        connect(this, &QObject::destroyed, &loop, &QEventLoop::quit); // nobody is left to read the answer
        // Cancel ends the wait as a failed fetch.
        connect(this, &Inet::openUrlCancelled, &loop, [&transfer, &loop] {
            transfer.abort();
            loop.quit();
        });
        const WaitGuard input(m_inputAllowedDuringWait);
        ++m_openUrlDepth;
        loop.exec(QEventLoop::AllEvents);
        if (self)
            --m_openUrlDepth;
    }
    const QString text = transfer.isFinished() && !transfer.failed() ? transfer.text() : QString();
    if (self)
        record(transfer);
    return text;
}

void Inet::Execute(const QString &url, const QString &operation, const QByteArray &body, const QString &headers)
{
    Cancel();
    m_text.clear();
    m_chunkPos = 0;

    QNetworkRequest request = Network::request(QUrl(url));
    const auto headerPairs = Network::parseHeaderLines(headers);
    for (const auto &header : headerPairs)
        request.setRawHeader(header.first, header.second);
    if (!m_storesReplyCookies)
        request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    auto *transfer = new Transfer(request, operation.toLatin1(), body, 0, this);
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
    if (m_openUrlDepth > 0)
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
