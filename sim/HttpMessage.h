#pragma once
// One HTTP/1.1 request as read off the wire, and one response to write back.
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QPair>

struct HttpRequest {
    QByteArray method;
    QByteArray target; // path and query, byte for byte as sent
    QByteArray version; // "HTTP/1.1"
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    QHostAddress peer;

    [[nodiscard]] QByteArray header(const QByteArray &name) const
    {
        for (const auto &h : headers) {
            if (h.first.compare(name, Qt::CaseInsensitive) == 0)
                return h.second;
        }
        return {};
    }
    [[nodiscard]] QList<QByteArray> headerValues(const QByteArray &name) const
    {
        QList<QByteArray> values;
        for (const auto &h : headers) {
            if (h.first.compare(name, Qt::CaseInsensitive) == 0)
                values.append(h.second);
        }
        return values;
    }
};

struct HttpResponse {
    int status = 200;
    QList<QPair<QByteArray, QByteArray>> headers; // Content-Length and Connection are added on writing
    QByteArray body;

    void addHeader(const QByteArray &name, const QByteArray &value) { headers.append({name, value}); }
    [[nodiscard]] QByteArray header(const QByteArray &name) const
    {
        for (const auto &h : headers) {
            if (h.first.compare(name, Qt::CaseInsensitive) == 0)
                return h.second;
        }
        return {};
    }
    void setHeader(const QByteArray &name, const QByteArray &value)
    {
        for (auto &h : headers) {
            if (h.first.compare(name, Qt::CaseInsensitive) == 0) {
                h.second = value;
                return;
            }
        }
        addHeader(name, value);
    }
};
