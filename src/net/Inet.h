#pragma once
// The Internet-transfer control: OpenURL (a GET the routine awaits), Execute (asynchronous,
// completion signalled as state 12), GetChunk over the decoded reply text, Cancel.
#include "base/Routine.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class Inet;
class Network;
class Transfer;

namespace NetDetail {
// A transfer a wait owns is stopped with the wait, and deleted once events run (the wait may end
// inside the transfer's own signal).
struct AbortLater {
    void operator()(Transfer *transfer) const;
};
} // namespace NetDetail

// `co_await inet.OpenURL(url)`: the body as text once the GET is over, empty text when it failed,
// was cancelled or the control went meanwhile.
class [[nodiscard]] InetOpening
{
public:
    InetOpening(Inet *inet, QString url);
    InetOpening(InetOpening &&) = delete;
    ~InetOpening();
    bool await_ready() const noexcept { return false; }
    template <typename Promise>
    bool await_suspend(std::coroutine_handle<Promise> handle)
    {
        if (m_step.suspend(handle))
            start();
        return true;
    }
    QString await_resume();

private:
    void start();
    QPointer<Inet> m_inet;
    Network &m_network;
    QString m_url;
    std::unique_ptr<Transfer, NetDetail::AbortLater> m_transfer;
    QMetaObject::Connection m_cancelled;
    QMetaObject::Connection m_gone;
    Wait::Step m_step;
};

// `co_await inet.completion()`: goes on when the last Execute's reply is complete (state 12) or
// has failed (state 11), and gives that state. A Cancel reports nothing: the routine that cancels
// ends the one that waits.
class [[nodiscard]] InetCompletion
{
public:
    explicit InetCompletion(Inet *inet)
        : m_inet(inet)
    {
    }
    InetCompletion(InetCompletion &&) = delete;
    ~InetCompletion() { QObject::disconnect(m_connection); }
    bool await_ready() const noexcept { return false; }
    template <typename Promise>
    bool await_suspend(std::coroutine_handle<Promise> handle)
    {
        if (m_step.suspend(handle))
            connectToInet();
        return true;
    }
    [[nodiscard]] int await_resume() const noexcept { return m_state; }

private:
    void connectToInet();
    Inet *m_inet;
    int m_state = 0;
    QMetaObject::Connection m_connection;
    Wait::Step m_step;
};

class Inet : public QObject
{
    Q_OBJECT
public:
    // States delivered by StateChanged, as the control numbers them.
    enum State : qint16 {
        icNone = 0,
        icConnecting = 3,
        icRequesting = 5,
        icRequestSent = 6,
        icReceivingResponse = 7,
        icResponseReceived = 8,
        icError = 11,
        icResponseCompleted = 12,
    };

    // Requests go through network (the member session's), which must outlive the control.
    explicit Inet(Network &network, QObject *parent = nullptr);
    ~Inet() override;

    [[nodiscard]] Network &network() const { return m_network; }

    // A GET to await, up to the time limit or until Cancel; the window stays live meanwhile. Gives
    // the body as text, or empty text when the request fails (transport error, time-out, oversize,
    // cancel).
    InetOpening OpenURL(const QString &url) { return InetOpening(this, url); }
    // What the last finished OpenURL or Execute saw: HTTP status (0 when none), Content-Type and
    // raw body (empty when the request failed).
    [[nodiscard]] int lastStatus() const { return m_lastStatus; }
    [[nodiscard]] QByteArray lastContentType() const { return m_lastContentType; }
    [[nodiscard]] QByteArray lastBody() const { return m_lastBody; }
    // Why it failed, when there is more to say than "no answer" (a redirect off the site, a
    // broken compressed body, the session's end); else empty.
    [[nodiscard]] QString lastError() const { return m_lastError; }
    // The proxy did not carry it: "无法连接代理服务器 HOST:PORT" or
    // "代理服务器 HOST:PORT 要求身份验证" (Transfer::proxyProblem); else empty.
    [[nodiscard]] QString lastProxyProblem() const { return m_lastProxyProblem; }

    // Starts the transfer and returns at once. headers: "Name: value" lines joined by CR LF.
    // No time limit: a reply that never comes leaves the control waiting until Cancel.
    void Execute(const QString &url, const QString &operation, const QByteArray &body, const QString &headers);
    InetCompletion completion() { return InetCompletion(this); }
    // The next part of the decoded reply text of the last Execute, at most size characters (one
    // less rather than split a surrogate pair); empty once exhausted or before state 12.
    QString GetChunk(int size);
    // Stops the transfer in progress; no state 12 follows. A new Execute cancels the previous one.
    // It also ends an OpenURL awaited meanwhile: that gives empty text.
    void Cancel();
    [[nodiscard]] bool StillExecuting() const;
    // Whether the cookies a later Execute's reply sets go into the shared store (they do unless
    // turned off; a sign-out's late answer must not touch a session begun after it).
    void setStoresReplyCookies(bool stores) { m_storesReplyCookies = stores; }

signals:
    void StateChanged(int state);
    void openUrlCancelled(); // internal: ends the OpenURL waits in progress

private:
    friend class InetOpening;
    Network &m_network;
    void finishExecute();
    void record(const Transfer &transfer);
    QPointer<Transfer> m_transfer;
    quint64 m_generation = 0; // counts Execute and Cancel calls, so a stale progress report is dropped
    QString m_text;
    qsizetype m_chunkPos = 0;
    int m_lastStatus = 0;
    QByteArray m_lastContentType;
    bool m_storesReplyCookies = true;
    QByteArray m_lastBody;
    QString m_lastError;
    QString m_lastProxyProblem;
};
