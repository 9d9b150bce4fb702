#include "FormCodec.h"

#include "Gbk.h"

#include <cmath>
#include <limits>

namespace FormCodec {

namespace {

QString decodePart(QByteArray part)
{
    part.replace('+', ' ');
    return Gbk::decode(QByteArray::fromPercentEncoding(part));
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
            fields.append({decodePart(pair), QString()});
        else
            fields.append({decodePart(pair.left(eq)), decodePart(pair.mid(eq + 1))});
    }
    return fields;
}

QString value(const Fields &fields, const QString &name, const QString &defaultValue)
{
    for (const auto &field : fields) {
        if (field.first == name)
            return field.second;
    }
    return defaultValue;
}

bool has(const Fields &fields, const QString &name)
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

qint64 intValue(const QString &text)
{
    const QString trimmed = text.trimmed();
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
    if (i < trimmed.size() && (trimmed.at(i) == u'-' || trimmed.at(i) == u'+'))
        negative = trimmed.at(i++) == u'-';
    qint64 result = 0;
    for (; i < trimmed.size() && trimmed.at(i).isDigit() && trimmed.at(i).unicode() < 0x80; ++i) {
        const int digit = trimmed.at(i).unicode() - '0';
        if (result > (std::numeric_limits<qint64>::max() - digit) / 10)
            return negative ? std::numeric_limits<qint64>::min() : std::numeric_limits<qint64>::max();
        result = result * 10 + digit;
    }
    return negative ? -result : result;
}

} // namespace FormCodec
