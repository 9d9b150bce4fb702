#pragma once
// What the wanted amount of Quorvel币 costs in za, as the currency page shows it beside the amount
// (4 Quorvel币 for 1 za). The forum computes the real charge; this is the panel's own estimate.
#include <QString>
#include <optional>

namespace ExchangeCost {

// The cost of a typed amount: the amount divided by 4 and rounded to one decimal place, halves to
// the even digit (0.25 -> 0.2, 0.75 -> 0.8); a tenth of 5 or more counts as one more, anything
// less is dropped. Whole amounts: 0 -> 0, 1 -> 0, 2..5 -> 1, 6 and 7 -> 2, 10 -> 3.
// Computed on the exact decimal value of the text, so amounts of any length get their true cost.
// None when the text is not numeric (see Numeric::isNumeric): the page then puts back "0".
[[nodiscard]] std::optional<QString> costText(const QString &wanted);

} // namespace ExchangeCost
