#include "Numeric.h"

#include <QByteArray>
#include <cmath>
#include <limits>

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isExponentMark(QChar c)
{
    return c == QLatin1Char('e') || c == QLatin1Char('E') || c == QLatin1Char('d') || c == QLatin1Char('D');
}

// Converts a plain C-locale number text ("-12.5e3") without depending on the process locale.
std::optional<double> parseCanonical(const QByteArray &canonical)
{
    bool ok = false;
    const double value = QString::fromLatin1(canonical).toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

namespace Numeric {

std::optional<double> toNumber(const QString &text)
{
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && isBlank(text.at(i)))
        ++i;
    while (end > i && isBlank(text.at(end - 1)))
        --end;
    if (i == end)
        return std::nullopt;

    QByteArray canonical;
    if (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')) {
        canonical.append(char(text.at(i).unicode()));
        ++i;
    }

    // Whole part: digits, with grouping commas only after the first digit.
    int digits = 0;
    while (i < end && (isDigit(text.at(i)) || (digits > 0 && text.at(i) == QLatin1Char(',')))) {
        if (text.at(i) != QLatin1Char(',')) {
            canonical.append(char(text.at(i).unicode()));
            ++digits;
        }
        ++i;
    }
    if (i < end && text.at(i) == QLatin1Char('.')) {
        canonical.append('.');
        ++i;
        while (i < end && isDigit(text.at(i))) {
            canonical.append(char(text.at(i).unicode()));
            ++digits;
            ++i;
        }
    }
    if (digits == 0)
        return std::nullopt;

    if (i < end && isExponentMark(text.at(i))) {
        canonical.append('e');
        ++i;
        if (i < end && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
            canonical.append(char(text.at(i).unicode()));
            ++i;
        }
        int exponentDigits = 0;
        while (i < end && isDigit(text.at(i))) {
            canonical.append(char(text.at(i).unicode()));
            ++exponentDigits;
            ++i;
        }
        if (exponentDigits == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;
    return parseCanonical(canonical);
}

bool isNumeric(const QString &text)
{
    return toNumber(text).has_value();
}

double val(const QString &text)
{
    // Val ignores blanks, tabs and line feeds wherever they stand.
    QString s;
    s.reserve(text.size());
    for (const QChar c : text)
        if (!isBlank(c) && c != QLatin1Char('\n') && c != QLatin1Char('\r'))
            s.append(c);

    if (s.size() >= 2 && s.at(0) == QLatin1Char('&')) {
        const QChar kind = s.at(1).toUpper();
        const int base = kind == QLatin1Char('H') ? 16 : kind == QLatin1Char('O') ? 8 : 0;
        if (base == 0)
            return 0;
        double value = 0;
        for (qsizetype i = 2; i < s.size(); ++i) {
            const int d = s.at(i).isDigit() || s.at(i).isLetter()
                              ? QStringLiteral("0123456789ABCDEF").indexOf(s.at(i).toUpper())
                              : -1;
            if (d < 0 || d >= base)
                break;
            value = value * base + d;
        }
        return value;
    }

    QByteArray canonical;
    qsizetype i = 0;
    if (i < s.size() && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-')))
        canonical.append(char(s.at(i++).unicode()));
    int digits = 0;
    while (i < s.size() && isDigit(s.at(i))) {
        canonical.append(char(s.at(i++).unicode()));
        ++digits;
    }
    if (i < s.size() && s.at(i) == QLatin1Char('.')) {
        canonical.append('.');
        ++i;
        while (i < s.size() && isDigit(s.at(i))) {
            canonical.append(char(s.at(i++).unicode()));
            ++digits;
        }
    }
    if (digits == 0)
        return 0;
    if (i < s.size() && isExponentMark(s.at(i))) {
        QByteArray exponent("e");
        qsizetype j = i + 1;
        if (j < s.size() && (s.at(j) == QLatin1Char('+') || s.at(j) == QLatin1Char('-')))
            exponent.append(char(s.at(j++).unicode()));
        int exponentDigits = 0;
        while (j < s.size() && isDigit(s.at(j))) {
            exponent.append(char(s.at(j++).unicode()));
            ++exponentDigits;
        }
        if (exponentDigits > 0)
            canonical.append(exponent);
    }
    return parseCanonical(canonical).value_or(0);
}

int valInt(const QString &text)
{
    const double value = std::trunc(val(text));
    if (!(value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max()))
        return 0;
    return static_cast<int>(value);
}

} // namespace Numeric
