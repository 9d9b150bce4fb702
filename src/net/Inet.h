#pragma once
// The Internet-transfer control: OpenURL (synchronous GET), Execute (asynchronous, completion
// signalled as state 12), GetChunk over the decoded reply text, Cancel.
#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class Transfer;

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

    explicit Inet(QObject *parent = nullptr);
    ~Inet() override;

    // Synchronous GET: waits (repainting, dropping user input, see WaitGuard) up to the time limit
    // or until Cancel; the body as text, or empty text when the request fails (transport error,
    // time-out, oversize, cancel).
    QString OpenURL(const QString &url);
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
    // The next part of the decoded reply text of the last Execute, at most size characters (one
    // less rather than split a surrogate pair); empty once exhausted or before state 12.
    QString GetChunk(int size);
    // Stops the transfer in progress; no state 12 follows. A new Execute cancels the previous one.
    // During an OpenURL wait it also ends that wait: OpenURL returns empty text.
    void Cancel();
    // The control (and its children) whose input still counts during an OpenURL wait, e.g. the
    // cancel button of an overlay. Every other input arriving during the wait is dropped.
    void setInputAllowedDuringWait(QObject *allowed) { m_inputAllowedDuringWait = allowed; }
    [[nodiscard]] bool StillExecuting() const;
    // Whether the cookies a later Execute's reply sets go into the shared store (they do unless
    // turned off; a sign-out's late answer must not touch a session begun after it).
    void setStoresReplyCookies(bool stores) { m_storesReplyCookies = stores; }

signals:
    void StateChanged(int state);
    void openUrlCancelled(); // internal: ends the OpenURL waits in progress

private:
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
    QPointer<QObject> m_inputAllowedDuringWait;
    int m_openUrlDepth = 0;
};
