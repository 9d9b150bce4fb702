#pragma once
// A plain browser-like client for the simulator tests: one network manager with its own cookie
// jar, requests answered synchronously (the simulator runs in the same event loop).
#include "base/CodePage.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

struct SimReply {
    int status = 0;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QByteArray body;
    QByteArray contentType;
    QList<QByteArray> setCookies; // raw Set-Cookie lines
    bool timedOut = false;

    // The body read in the code page its Content-Type names (a UTF-8 forum's), else GBK.
    [[nodiscard]] QString text() const
    {
        return contentType.toLower().contains("charset=utf-8") ? QString::fromUtf8(body) : CodePage::fromAnsi(body);
    }
    // The reply split at apostrophes, as the client reads forum replies.
    [[nodiscard]] QStringList pieces() const { return text().split(QLatin1Char('\'')); }
    [[nodiscard]] QString piece(int i) const { return pieces().value(i); }
};

// The jar's cookies are reachable for tests that drop or forge one.
class SimJar : public QNetworkCookieJar
{
public:
    using QNetworkCookieJar::allCookies;
    using QNetworkCookieJar::setAllCookies;
};

class SimHttp
{
public:
    SimHttp() { m_nam.setCookieJar(m_jar = new SimJar); }

    SimReply get(const QString &url, int timeoutMs = 10000) { return run("GET", url, {}, timeoutMs); }
    SimReply post(const QString &url, const QByteArray &body, int timeoutMs = 10000)
    {
        return run("POST", url, body, timeoutMs);
    }
    // A post with headers of its own (a Referer, say) beside the form's Content-Type.
    SimReply post(const QString &url, const QByteArray &body, const QList<QPair<QByteArray, QByteArray>> &headers)
    {
        return run("POST", url, body, 10000, headers);
    }

    SimJar *jar() const { return m_jar; }
    [[nodiscard]] QByteArray cookieValue(const QByteArray &name) const
    {
        const QList<QNetworkCookie> cookies = m_jar->allCookies();
        for (const QNetworkCookie &c : cookies) {
            if (c.name() == name)
                return c.value();
        }
        return {};
    }
    void dropCookie(const QByteArray &name)
    {
        QList<QNetworkCookie> cookies = m_jar->allCookies();
        cookies.removeIf([&](const QNetworkCookie &c) { return c.name() == name; });
        m_jar->setAllCookies(cookies);
    }

private:
    SimReply run(const QByteArray &method, const QString &url, const QByteArray &body, int timeoutMs,
                 const QList<QPair<QByteArray, QByteArray>> &headers = {})
    {
        QNetworkRequest request{QUrl(url, QUrl::StrictMode)};
        // The forum's own answer is what is tested, a redirect included.
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        if (method == "POST")
            request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/x-www-form-urlencoded"));
        for (const auto &header : headers)
            request.setRawHeader(header.first, header.second);
        QNetworkReply *reply = method == "POST" ? m_nam.post(request, body) : m_nam.get(request);
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        SimReply result;
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            result.timedOut = true;
            reply->abort();
        });
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        timer.start(timeoutMs);
        if (!reply->isFinished())
            loop.exec();
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.error = reply->error();
        if (reply->isOpen())
            result.body = reply->readAll();
        result.contentType = reply->rawHeader("Content-Type");
        for (const auto &pair : reply->rawHeaderPairs()) {
            if (pair.first.compare("Set-Cookie", Qt::CaseInsensitive) == 0)
                result.setCookies += pair.second.split('\n');
        }
        reply->deleteLater();
        return result;
    }

    QNetworkAccessManager m_nam;
    SimJar *m_jar = nullptr;
};
