#pragma once
// The runtime's reading of numbers in texts: the numeric test the windows apply to typed entries
// (an account that is a UID, an amount) and the numeric value of a text.
#include <QString>
#include <optional>

namespace Numeric {

// The number a text stands for when it reads as one as a whole: surrounding blanks, a leading
// sign, digit grouping with "," in the whole part, a decimal point and an exponent (E or D) are
// accepted; anything else (letters, hexadecimal "&H..", currency signs, an empty text, a value
// beyond the range of a double) is not a number.
[[nodiscard]] std::optional<double> toNumber(const QString &text);

// The numeric test: true exactly when toNumber gives a value.
[[nodiscard]] bool isNumeric(const QString &text);

// The leading number of a text, read the way the runtime's Val does: blanks anywhere are skipped,
// reading stops at the first character that cannot continue the number, "&H" / "&O" introduce
// hexadecimal / octal whole numbers; 0 when the text does not start with a number. Grouping
// commas end the number ("1,000" gives 1).
[[nodiscard]] double val(const QString &text);

// The value of a text as a whole number for counters and list positions: val() truncated toward
// zero, 0 when it does not fit an int.
[[nodiscard]] int valInt(const QString &text);

} // namespace Numeric
