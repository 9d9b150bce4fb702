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

    // Synchronous GET: waits (repainting, ignoring user input) up to the time limit; the body as
    // text, or empty text when the request fails (transport error, time-out, oversize).
    QString OpenURL(const QString &url);
    // What the last finished OpenURL or Execute saw: HTTP status (0 when none), Content-Type and
    // raw body (empty when the request failed).
    [[nodiscard]] int lastStatus() const { return m_lastStatus; }
    [[nodiscard]] QByteArray lastContentType() const { return m_lastContentType; }
    [[nodiscard]] QByteArray lastBody() const { return m_lastBody; }

    // Starts the transfer and returns at once. headers: "Name: value" lines joined by CR LF.
    // No time limit: a reply that never comes leaves the control waiting until Cancel.
    void Execute(const QString &url, const QString &operation, const QByteArray &body, const QString &headers);
    // The next part of the decoded reply text of the last Execute, at most size characters (one
    // less rather than split a surrogate pair); empty once exhausted or before state 12.
    QString GetChunk(int size);
    // Stops the transfer in progress; no state 12 follows. A new Execute cancels the previous one.
    void Cancel();
    [[nodiscard]] bool StillExecuting() const;
    // Whether the cookies a later Execute's reply sets go into the shared store (they do unless
    // turned off; a sign-out's late answer must not touch a session begun after it).
    void setStoresReplyCookies(bool stores) { m_storesReplyCookies = stores; }

signals:
    void StateChanged(int state);

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
};
