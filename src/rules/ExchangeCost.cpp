#include "ExchangeCost.h"

#include "base/Numeric.h"

#include <QByteArray>
#include <algorithm>
#include <utility>

namespace {

// An exact decimal: digits * 10^exponent, with its sign.
struct Decimal {
    bool negative = false;
    QByteArray digits; // no leading zeros; empty for zero
    qint64 exponent = 0;
};

// Zero is the empty digit string.
QByteArray withoutLeadingZeros(const QByteArray &digits)
{
    qsizetype first = 0;
    while (first < digits.size() && digits.at(first) == '0')
        ++first;
    return digits.mid(first);
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Reads a text that Numeric::isNumeric accepted: blanks around it, a sign, grouping commas in the
// whole part, a decimal point, an exponent introduced by E or D.
std::optional<Decimal> parse(const QString &text)
{
    const QString s = text.trimmed();
    Decimal d;
    qsizetype i = 0;
    if (i < s.size() && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-')))
        d.negative = s.at(i++) == QLatin1Char('-');
    QByteArray mantissa;
    qint64 fractionDigits = 0;
    while (i < s.size() && (isDigit(s.at(i)) || s.at(i) == QLatin1Char(','))) {
        if (s.at(i) != QLatin1Char(','))
            mantissa.append(char(s.at(i).unicode()));
        ++i;
    }
    if (i < s.size() && s.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < s.size() && isDigit(s.at(i))) {
            mantissa.append(char(s.at(i++).unicode()));
            ++fractionDigits;
        }
    }
    qint64 exponent = 0;
    if (i < s.size() && QStringLiteral("eEdD").contains(s.at(i))) {
        ++i;
        bool negativeExponent = false;
        if (i < s.size() && (s.at(i) == QLatin1Char('+') || s.at(i) == QLatin1Char('-')))
            negativeExponent = s.at(i++) == QLatin1Char('-');
        while (i < s.size() && isDigit(s.at(i))) {
            // Far beyond any exponent that matters here; stays clear of overflow.
            exponent = std::min<qint64>(exponent * 10 + (s.at(i++).unicode() - u'0'), 1'000'000'000);
        }
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != s.size())
        return std::nullopt;
    d.digits = withoutLeadingZeros(mantissa);
    d.exponent = exponent - fractionDigits;
    return d;
}

// Quotient and remainder of a digit string divided by 4.
std::pair<QByteArray, int> divideBy4(const QByteArray &digits)
{
    QByteArray quotient;
    int remainder = 0;
    for (const char c : digits) {
        const int current = remainder * 10 + (c - '0');
        quotient.append(char('0' + current / 4));
        remainder = current % 4;
    }
    return {withoutLeadingZeros(quotient), remainder};
}

QByteArray plusOne(QByteArray digits)
{
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != '9') {
            ++digits[i];
            return digits;
        }
        digits[i] = '0';
    }
    return '1' + digits;
}

// digits - 1, for digits > 0.
QByteArray minusOne(QByteArray digits)
{
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        if (digits[i] != '0') {
            --digits[i];
            break;
        }
        digits[i] = '9';
    }
    return withoutLeadingZeros(digits);
}

bool isOdd(const QByteArray &digits)
{
    return !digits.isEmpty() && (digits.back() - '0') % 2 == 1;
}

// |value| / 4 in tenths, rounded half to even: round(|value| * 10 / 4).
QByteArray tenthsOfQuarter(const Decimal &value)
{
    if (value.digits.isEmpty())
        return {};
    const qint64 shift = value.exponent + 1; // tenths: one decimal place more
    QByteArray whole;  // digits of |value| * 10 before the point
    bool restAfterPoint = false;
    if (shift >= 0) {
        whole = value.digits + QByteArray(qsizetype(shift), '0');
    } else {
        const qint64 dropped = -shift;
        // Less than a fortieth: rounds to no tenth at all.
        if (dropped > value.digits.size())
            return {};
        whole = value.digits.left(value.digits.size() - qsizetype(dropped));
        const QByteArray rest = value.digits.right(qsizetype(dropped));
        restAfterPoint = rest.count('0') != rest.size();
    }
    auto [quotient, remainder] = divideBy4(whole);
    // The fraction of the quarter is (remainder + rest) / 4: below, at or above one half.
    const bool above = remainder > 2 || (remainder == 2 && restAfterPoint);
    const bool half = remainder == 2 && !restAfterPoint;
    if (above || (half && isOdd(quotient)))
        quotient = plusOne(quotient);
    return quotient;
}

} // namespace

namespace ExchangeCost {

std::optional<QString> costText(const QString &wanted)
{
    if (!Numeric::isNumeric(wanted))
        return std::nullopt;
    const std::optional<Decimal> value = parse(wanted);
    if (!value)
        return std::nullopt;
    const QByteArray tenths = tenthsOfQuarter(*value);
    // q = whole.tenth; a tenth of 5 or more adds one to the whole part (toward +1 for a negative q).
    const QByteArray whole = tenths.left(tenths.size() - 1);
    const int tenth = tenths.isEmpty() ? 0 : tenths.back() - '0';
    const bool negative = value->negative && !tenths.isEmpty();
    QByteArray magnitude = whole;
    bool resultNegative = negative;
    if (tenth >= 5) {
        if (!negative) {
            magnitude = plusOne(whole);
        } else if (whole.isEmpty()) {
            magnitude = "1";
            resultNegative = false;
        } else {
            magnitude = minusOne(whole);
        }
    }
    if (magnitude.isEmpty())
        return QStringLiteral("0");
    return (resultNegative ? QStringLiteral("-") : QString()) + QString::fromLatin1(magnitude);
}

} // namespace ExchangeCost
