#pragma once
// The XML HTTP request object: Open, setRequestHeader, send, ReadyState, responseText.
#include "base/Routine.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>

class Network;
class Transfer;

class XmlHttp : public QObject
{
    Q_OBJECT
public:
    // Requests go through network (the member session's), which must outlive the object.
    explicit XmlHttp(Network &network, QObject *parent = nullptr);
    ~XmlHttp() override;

    // method "get"/"GET"/"POST" (case-insensitive); asynchronous when async is true. Opening again
    // drops the request in progress (no completion follows for it).
    void Open(const QString &method, const QString &url, bool async);
    // Invalid names are dropped; control characters in the value never reach the wire.
    void setRequestHeader(const QString &name, const QString &value);
    // Starts the request and returns at once; it fails once it runs past the network's time limit.
    // Without Open it fails at once. A synchronous request is one whose window takes no input until
    // it is over (InputHold); the object itself waits the same way for both.
    void send(const QByteArray &body = {});
    // `co_await request.completion()`: goes on once ReadyState is 4, or the request was dropped by
    // a fresh Open; at once when nothing is in progress.
    class [[nodiscard]] Completion
    {
    public:
        explicit Completion(XmlHttp *request)
            : m_request(request)
        {
        }
        Completion(Completion &&) = delete;
        ~Completion() { QObject::disconnect(m_connection); }
        bool await_ready() const noexcept { return !m_request->inProgress(); }
        template <typename Promise>
        bool await_suspend(std::coroutine_handle<Promise> handle)
        {
            if (m_step.suspend(handle))
                m_connection = QObject::connect(m_request, &XmlHttp::readyStateChanged, m_request, [this] {
                    if (m_request->inProgress())
                        return;
                    QObject::disconnect(m_connection);
                    m_step.resume();
                });
            return true;
        }
        void await_resume() const noexcept {}

    private:
        XmlHttp *m_request;
        QMetaObject::Connection m_connection;
        Wait::Step m_step;
    };
    Completion completion() { return Completion(this); }
    // A request was sent and has not ended yet.
    [[nodiscard]] bool inProgress() const;

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
    Network &m_network;
    void start(const QByteArray &body);
    void finish();
    void dropTransfer();
    void setReadyState(int state);
    QString m_method;
    QString m_url;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    QPointer<Transfer> m_transfer;
    int m_readyState = 0;
    int m_status = 0;
    bool m_failed = false;
    QByteArray m_body;
    QString m_text;
    QString m_errorText;
};
