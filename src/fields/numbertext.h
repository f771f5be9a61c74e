#pragma once
// Reading and writing the number forms of the formatter.
#include <QString>
#include <QStringView>
#include <optional>

namespace numtext {

// "0.000" style: places digits after the point, rounded half away from zero on the
// number's 15-significant-digit decimal form; no "-" when the written value is zero.
QString fixed(double v, int places);

// "0.##e-00" style: one digit, at most places fraction digits (trailing zeros dropped),
// "e", a "-" for negative exponents only, at least two exponent digits.
QString scientific(double v, int places);

// Currency amounts are 64-bit fixed point with four decimals (units of 1/10000).
inline constexpr qint64 kCurrencyScale = 10000;

// Plain decimal numbers and the written currency form ("$1,234.50", "-$1,234.50",
// "($1,234.50)"); nothing for anything else or an amount out of range.
std::optional<qint64> readCurrency(QStringView text);

// US form: "$1,234.50", negatives "-$1,234.50".
QString currencyText(qint64 amount);

}  // namespace numtext
