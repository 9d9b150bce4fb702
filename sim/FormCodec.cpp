#include "FormCodec.h"

#include <cmath>
#include <limits>

namespace FormCodec {

namespace {

QByteArray decodePart(QByteArray part)
{
    part.replace('+', ' ');
    return QByteArray::fromPercentEncoding(part);
}

} // namespace

Fields decode(const QByteArray &encoded)
{
    Fields fields;
    const QList<QByteArray> pairs = encoded.split('&');
    for (const QByteArray &pair : pairs) {
        if (pair.isEmpty())
            continue;
        const qsizetype eq = pair.indexOf('=');
        if (eq < 0)
            fields.append({decodePart(pair), QByteArray()});
        else
            fields.append({decodePart(pair.left(eq)), decodePart(pair.mid(eq + 1))});
    }
    return fields;
}

QByteArray value(const Fields &fields, const QByteArray &name, const QByteArray &defaultValue)
{
    for (const auto &field : fields) {
        if (field.first == name)
            return field.second;
    }
    return defaultValue;
}

bool has(const Fields &fields, const QByteArray &name)
{
    for (const auto &field : fields) {
        if (field.first == name)
            return true;
    }
    return false;
}

QByteArray queryOf(const QByteArray &pathAndQuery)
{
    const qsizetype q = pathAndQuery.indexOf('?');
    return q < 0 ? QByteArray() : pathAndQuery.mid(q + 1);
}

QByteArray pathOf(const QByteArray &pathAndQuery)
{
    const qsizetype q = pathAndQuery.indexOf('?');
    return q < 0 ? pathAndQuery : pathAndQuery.left(q);
}

QHash<QByteArray, QByteArray> parseCookies(const QList<QByteArray> &cookieHeaders)
{
    QHash<QByteArray, QByteArray> cookies;
    for (const QByteArray &header : cookieHeaders) {
        const QList<QByteArray> items = header.split(';');
        for (const QByteArray &item : items) {
            const QByteArray trimmed = item.trimmed();
            const qsizetype eq = trimmed.indexOf('=');
            if (eq <= 0)
                continue;
            cookies.insert(trimmed.left(eq).trimmed(), trimmed.mid(eq + 1).trimmed());
        }
    }
    return cookies;
}

qint64 intValue(const QByteArray &text)
{
    // Only ASCII blanks, signs and digits count: no byte of another character can be one.
    const QByteArray trimmed = text.trimmed();
    bool ok = false;
    const double number = trimmed.toDouble(&ok);
    if (ok && std::isfinite(number)) {
        if (number >= double(std::numeric_limits<qint64>::max()))
            return std::numeric_limits<qint64>::max();
        if (number <= double(std::numeric_limits<qint64>::min()))
            return std::numeric_limits<qint64>::min();
        return qint64(std::trunc(number));
    }
    // A leading integer followed by other characters ("12abc" reads as 12).
    qsizetype i = 0;
    bool negative = false;
    if (i < trimmed.size() && (trimmed.at(i) == '-' || trimmed.at(i) == '+'))
        negative = trimmed.at(i++) == '-';
    qint64 result = 0;
    for (; i < trimmed.size() && trimmed.at(i) >= '0' && trimmed.at(i) <= '9'; ++i) {
        const int digit = trimmed.at(i) - '0';
        if (result > (std::numeric_limits<qint64>::max() - digit) / 10)
            return negative ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
        result = result * 10 + digit;
    }
    return negative ? -result : result;
}

} // namespace FormCodec
