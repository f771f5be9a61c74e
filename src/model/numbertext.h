#pragma once
// Numbers as text, read and written alike by every layer: the cells' general form and reader,
// the fields' fixed, scientific and currency forms, and the CSV writer's shortest form.
#include <QByteArray>
#include <QString>
#include <QStringView>
#include <optional>

// Shortest general form of a number: up to 15 significant digits, no trailing zeros.
QString generalNumberText(double v);
// Reads a whole text as a decimal number ("." as the point, optional sign and exponent,
// blanks around allowed).
std::optional<double> readNumber(QStringView text);
// An ASCII decimal number ("-1.5e-3"; no "+") read exactly: a number too small for a double
// gives 0 of its sign, as every decimal conversion does; too large (or no number) gives nothing.
std::optional<double> decimalNumber(const char *first, const char *last);

// The shortest text that reads back to the same double, as std::to_chars writes it, with a
// fast way for the short decimals a log is made of. Writes the text at `first` (room for 32
// characters) and returns its end.
char *shortestNumberChars(char *first, double v);
// The same as bytes ("7.8123", "1e-05", "-0").
QByteArray shortestNumberText(double v);

namespace numtext {

// "0.000" style: places digits after the point, rounded half away from zero on the
// number's 15-significant-digit decimal form; no "-" when the written value is zero.
QString fixed(double v, int places);

// "0.##e-00" style: one digit, at most places fraction digits (trailing zeros dropped),
// "e", a "-" for negative exponents only, at least two exponent digits.
QString scientific(double v, int places);

// What a number field of `places` fixed decimals (0 or less: the general form) holds once v
// is written into it in its general form: the general form read back and written with the
// places, or the general form itself where it reads as no number (infinity, NaN, past the
// largest double).
QString fieldNumberText(double v, int places);

// Currency amounts are 64-bit fixed point with four decimals (units of 1/10000).
inline constexpr qint64 kCurrencyScale = 10000;

// Plain decimal numbers and the written currency form ("$1,234.50", "-$1,234.50",
// "($1,234.50)"); nothing for anything else or an amount out of range.
std::optional<qint64> readCurrency(QStringView text);

// US form: "$1,234.50", negatives "-$1,234.50".
QString currencyText(qint64 amount);

}  // namespace numtext
