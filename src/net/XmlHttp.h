#pragma once
// The XML HTTP request object: Open, setRequestHeader, send, ReadyState, responseText.
#include <QByteArray>
#include <QEventLoop>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>

class Transfer;

class XmlHttp : public QObject
{
    Q_OBJECT
public:
    explicit XmlHttp(QObject *parent = nullptr);
    ~XmlHttp() override;

    // method "get"/"GET"/"POST" (case-insensitive); asynchronous when async is true. Opening again
    // drops the request in progress (no completion follows for it).
    void Open(const QString &method, const QString &url, bool async);
    // Invalid names are dropped; control characters in the value never reach the wire.
    void setRequestHeader(const QString &name, const QString &value);
    // Synchronous: returns when the reply is complete, failed or past the time limit; the window
    // repaints meanwhile but ignores user input. Asynchronous: returns at once. Either way the
    // request fails once it runs past Network::timeoutMs(). Without Open it fails at once.
    // The object may be destroyed while a synchronous send waits; callers keep a QPointer.
    void send(const QByteArray &body = {});
    // Asynchronous use: waits, processing all events, until ReadyState is 4 (at most the time
    // limit counted from send). Returns at once when nothing is in progress. The object may be
    // destroyed meanwhile (this returns safely); callers keep a QPointer and re-check.
    void waitForCompletion();

    [[nodiscard]] int ReadyState() const { return m_readyState; } // 0 to 4
    // Decoded body of any completed reply, error statuses included; empty on transport failure.
    [[nodiscard]] QString responseText() const { return m_text; }
    [[nodiscard]] int status() const { return m_status; }        // 0 when no HTTP status arrived
    [[nodiscard]] bool failed() const { return m_failed; }       // transport error, time-out, oversize
    [[nodiscard]] QByteArray responseBody() const { return m_body; }
    // Why a failed request failed, when there is more to say (redirect off the site, broken
    // compressed body, the session's end, the proxy's refusal naming the proxy); else empty.
    [[nodiscard]] QString errorText() const { return m_errorText; }

signals:
    void readyStateChanged();

private:
    void start(const QByteArray &body);
    void finish();
    void dropTransfer();
    void setReadyState(int state);
    void wait(QEventLoop::ProcessEventsFlags flags);
    QString m_method;
    QString m_url;
    bool m_async = true;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    QPointer<Transfer> m_transfer;
    int m_readyState = 0;
    int m_status = 0;
    bool m_failed = false;
    QByteArray m_body;
    QString m_text;
    QString m_errorText;
};
