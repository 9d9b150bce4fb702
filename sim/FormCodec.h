#pragma once
// The forum's way of reading what a client sends: form bodies and query strings percent-encoded in
// GBK ("+" is a blank), and the Cookie header.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

namespace FormCodec {

using Fields = QList<QPair<QString, QString>>;

// "a=1&b=%B0%A2" -> {("a","1"), ("b","阿")}. Names and values are GBK after percent-decoding.
[[nodiscard]] Fields decode(const QByteArray &encoded);
// First value of the field, or defaultValue when the field is absent.
[[nodiscard]] QString value(const Fields &fields, const QString &name, const QString &defaultValue = {});
[[nodiscard]] bool has(const Fields &fields, const QString &name);

// The query of "/path?query" (empty without "?") and the path before it.
[[nodiscard]] QByteArray queryOf(const QByteArray &pathAndQuery);
[[nodiscard]] QByteArray pathOf(const QByteArray &pathAndQuery);

// Every "name=value" of the given Cookie header values; the last one of a name wins.
[[nodiscard]] QHash<QByteArray, QByteArray> parseCookies(const QList<QByteArray> &cookieHeaders);

// PHP's intval() of a form value: leading blanks, an optional sign, the digits that follow; a
// number in decimal or exponent form is truncated toward zero. Anything else reads as 0.
[[nodiscard]] qint64 intValue(const QString &text);

} // namespace FormCodec
