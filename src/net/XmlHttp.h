#pragma once
// The XML HTTP request object: Open, setRequestHeader, send, ReadyState, responseText.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>

class QNetworkReply;

class XmlHttp : public QObject
{
    Q_OBJECT
public:
    explicit XmlHttp(QObject *parent = nullptr);
    ~XmlHttp() override;

    // method "get"/"GET"/"POST" (case-insensitive); asynchronous when async is true.
    void Open(const QString &method, const QString &url, bool async);
    void setRequestHeader(const QString &name, const QString &value);
    // Synchronous: returns when the reply is complete, failed or past the time limit; the window
    // repaints meanwhile but ignores user input. Asynchronous: returns at once.
    void send(const QByteArray &body = {});
    // Asynchronous use: waits, processing all events, until ReadyState is 4. Returns false when
    // the object was destroyed meanwhile is impossible to tell; callers keep a QPointer.
    void waitForCompletion();

    [[nodiscard]] int ReadyState() const { return m_readyState; } // 0 to 4
    // Decoded body of any completed reply, error statuses included; empty on transport failure.
    [[nodiscard]] QString responseText() const { return m_text; }
    [[nodiscard]] int status() const { return m_status; }        // 0 when no HTTP status arrived
    [[nodiscard]] bool failed() const { return m_failed; }       // transport error, time-out, oversize
    [[nodiscard]] QByteArray responseBody() const { return m_body; }

signals:
    void readyStateChanged();

private:
    void start(const QByteArray &body);
    void finish();
    QString m_method;
    QString m_url;
    bool m_async = true;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    QPointer<QNetworkReply> m_reply;
    int m_readyState = 0;
    int m_status = 0;
    bool m_failed = false;
    QByteArray m_body;
    QString m_text;
};
