#pragma once
// The forum's way of reading what a client sends: form bodies and query strings percent-encoded
// ("+" is a blank), and the Cookie header. The forum converts no field: names and values stay the
// bytes they were sent as, and are compared with the site's texts in its own code page.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>

namespace FormCodec {

using Fields = QList<QPair<QByteArray, QByteArray>>;

// "a=1&b=%B2%E2" -> {("a","1"), ("b","\xB2\xE2")}: percent-decoded, nothing else.
[[nodiscard]] Fields decode(const QByteArray &encoded);
// First value of the field, or defaultValue when the field is absent.
[[nodiscard]] QByteArray value(const Fields &fields, const QByteArray &name, const QByteArray &defaultValue = {});
[[nodiscard]] bool has(const Fields &fields, const QByteArray &name);

// The query of "/path?query" (empty without "?") and the path before it.
[[nodiscard]] QByteArray queryOf(const QByteArray &pathAndQuery);
[[nodiscard]] QByteArray pathOf(const QByteArray &pathAndQuery);

// Every "name=value" of the given Cookie header values; the last one of a name wins.
[[nodiscard]] QHash<QByteArray, QByteArray> parseCookies(const QList<QByteArray> &cookieHeaders);

// PHP's intval() of a form value: leading blanks, an optional sign, the digits that follow; a
// number in decimal or exponent form is truncated toward zero. Anything else reads as 0.
[[nodiscard]] qint64 intValue(const QByteArray &text);

} // namespace FormCodec
