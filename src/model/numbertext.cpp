#include "model/numbertext.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <string>

QString generalNumberText(double v) {
    if (v == 0.0) return QStringLiteral("0");  // no "-0"
    QString s = QString::number(v, 'g', 15);
    return s;
}

std::optional<double> decimalNumber(const char *first, const char *last) {
    double v = 0;
    const auto [end, ec] = std::from_chars(first, last, v);
    if (end != last) return std::nullopt;
    if (ec == std::errc()) return v;
    if (ec != std::errc::result_out_of_range) return std::nullopt;
    // Out of range either way: strtod tells underflow (0) from overflow (HUGE_VAL).
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const std::string text(first, last);
    const double near = strtod_l(text.c_str(), nullptr, c);
    if (!std::isfinite(near)) return std::nullopt;
    return std::signbit(near) ? -0.0 : 0.0;
}

std::optional<double> readNumber(QStringView text) {
    QStringView t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    bool ok = false;
    double v = t.toDouble(&ok);  // C locale: "." point, no grouping
    if (!ok) {
        // Qt refuses a number below a double's range; it is 0. Only plain decimal text gets here.
        if (t.size() > 4096) return std::nullopt;
        if (t.startsWith(u'+')) t = t.mid(1);
        std::string ascii;
        for (QChar c : t) {
            if (!QStringView(u"0123456789.eE-").contains(c)) return std::nullopt;
            ascii += char(c.unicode());
        }
        return decimalNumber(ascii.data(), ascii.data() + ascii.size());
    }
    if (!std::isfinite(v)) return std::nullopt;  // "nan" and "inf" are no numbers here
    return v;
}

namespace {
constexpr int kMaxDecimals = 8;
constexpr double kPowers[kMaxDecimals + 1] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
constexpr std::int64_t kIntPowers[kMaxDecimals + 1] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
}  // namespace

char *shortestNumberChars(char *first, double v) {
    // Between 0.001 and 100000 the fixed form is never longer than the exponent form, so
    // to_chars writes fixed digits; the fewest decimals that read back exactly are its
    // digits. c and 10^k are exact doubles, so c / 10^k is the double the text reads as.
    const double a = std::fabs(v);
    if (a >= 1e-3 && a < 1e5) {
        for (int k = 0; k <= kMaxDecimals; ++k) {
            const double c = std::nearbyint(a * kPowers[k]);
            if (c / kPowers[k] != a) continue;
            const auto digits = std::int64_t(c);
            char *out = first;
            if (v < 0) *out++ = '-';
            out = std::to_chars(out, out + 8, digits / kIntPowers[k]).ptr;
            if (k == 0) return out;
            *out++ = '.';
            std::int64_t frac = digits % kIntPowers[k];
            for (int d = k - 1; d >= 0; --d, frac /= 10) out[d] = char('0' + frac % 10);
            return out + k;
        }
    }
    return std::to_chars(first, first + 32, v).ptr;
}

QByteArray shortestNumberText(double v) {
    char buf[32];
    return QByteArray(buf, shortestNumberChars(buf, v) - buf);
}

namespace numtext {
namespace {

// The decimal digits of |v| with the position of the point (digits before it).
struct Decimal {
    bool negative = false;
    QString digits;
    int pointPos = 1;
};

Decimal decimalForm(double v) {
    Decimal d;
    d.negative = v < 0;
    const QString e = QString::number(std::fabs(v), 'e', 14);  // d.dddddddddddddde+XX
    const qsizetype ePos = e.indexOf(u'e');
    d.digits = e.left(1) + e.mid(2, ePos - 2);
    d.pointPos = e.mid(ePos + 1).toInt() + 1;
    return d;
}

bool allZero(const QString &digits) {
    for (QChar c : digits)
        if (c != u'0') return false;
    return true;
}

// Keeps the first keep digits, rounding half away from zero; a carry out of the first
// digit adds a leading "1" and moves the point.
void roundTo(Decimal &d, int keep) {
    if (d.digits.size() <= keep) {
        d.digits += QString(keep - d.digits.size(), u'0');
        return;
    }
    const bool up = d.digits[keep] >= u'5';
    d.digits.truncate(keep);
    if (!up) return;
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == u'9') d.digits[i--] = u'0';
    if (i < 0) {
        d.digits.prepend(u'1');
        ++d.pointPos;
    } else {
        d.digits[i] = QChar(d.digits[i].unicode() + 1);
    }
}

QString groupThousands(const QString &digits) {
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += u',';
        out += digits[i];
    }
    return out;
}

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Digits with correct thousands grouping, optional point and fraction; exact.
std::optional<qint64> readPlainAmount(QStringView t) {
    constexpr qint64 kMaxWhole = std::numeric_limits<qint64>::max() / kCurrencyScale;
    qsizetype i = 0;
    qint64 whole = 0;
    int digits = 0, group = 0;
    bool grouped = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (isDigit(c)) {
            whole = whole * 10 + (c.unicode() - '0');
            if (whole > kMaxWhole) return std::nullopt;
            ++digits;
            ++group;
        } else if (c == u',') {
            if (group == 0 || (grouped && group != 3) || (!grouped && group > 3)) return std::nullopt;
            grouped = true;
            group = 0;
        } else {
            break;
        }
    }
    if (grouped && group != 3) return std::nullopt;
    qint64 fraction = 0;
    int fractionDigits = 0;
    bool roundUp = false;
    if (i < t.size() && t[i] == u'.') {
        for (++i; i < t.size() && isDigit(t[i]); ++i, ++fractionDigits) {
            const int d = t[i].unicode() - '0';
            if (fractionDigits < 4)
                fraction = fraction * 10 + d;
            else if (fractionDigits == 4)
                roundUp = d >= 5;
        }
    }
    if (i != t.size() || digits + fractionDigits == 0) return std::nullopt;
    for (int k = fractionDigits; k < 4; ++k) fraction *= 10;
    qint64 amount = whole * kCurrencyScale + fraction + (roundUp ? 1 : 0);
    if (amount < 0) return std::nullopt;
    return amount;
}

}  // namespace

QString fixed(double v, int places) {
    Decimal d = decimalForm(v);
    if (d.pointPos < 1) {
        d.digits.prepend(QString(1 - d.pointPos, u'0'));
        d.pointPos = 1;
    }
    roundTo(d, d.pointPos + places);
    QString whole = d.digits.left(d.pointPos);
    qsizetype lead = 0;
    while (lead < whole.size() - 1 && whole[lead] == u'0') ++lead;
    whole.remove(0, lead);
    QString out = (d.negative && !allZero(d.digits)) ? QStringLiteral("-") : QString();
    out += whole;
    if (places > 0) out += u'.' + d.digits.mid(d.pointPos);
    return out;
}

QString scientific(double v, int places) {
    Decimal d = decimalForm(v);
    const bool zero = allZero(d.digits);
    roundTo(d, 1 + places);
    int exponent = zero ? 0 : d.pointPos - 1;
    QString fraction = d.digits.mid(1, places);
    while (fraction.endsWith(u'0')) fraction.chop(1);
    QString out = (d.negative && !zero) ? QStringLiteral("-") : QString();
    out += d.digits[0];
    if (!fraction.isEmpty()) out += u'.' + fraction;
    out += u'e';
    if (exponent < 0) out += u'-';
    out += QStringLiteral("%1").arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
    return out;
}

QString fieldNumberText(double v, int places) {
    // The general form's 15 significant digits read back to a double whose 15 digits are the
    // same (a double holds 15), and those digits are all that fixed() and the general form
    // look at: v is written directly, with no trip through the text. Only a general form that
    // reads as no number is kept; below this bound every finite general form reads back.
    constexpr double kReadsBackBelow = 1.7976931348623e308;
    if (!std::isfinite(v) || (std::fabs(v) > kReadsBackBelow && !readNumber(generalNumberText(v))))
        return generalNumberText(v);
    return places > 0 ? fixed(v, places) : generalNumberText(v);
}

std::optional<qint64> readCurrency(QStringView text) {
    QStringView t = text.trimmed();
    bool negative = false;
    if (t.size() >= 2 && t.front() == u'(' && t.back() == u')') {
        negative = true;
        t = t.mid(1, t.size() - 2).trimmed();
    }
    bool signSeen = false, dollarSeen = false;
    for (int pass = 0; pass < 2; ++pass) {  // "-$5" and "$-5" alike
        if (!signSeen && !t.isEmpty() && (t.front() == u'-' || t.front() == u'+')) {
            if (t.front() == u'-') {
                if (negative) return std::nullopt;
                negative = true;
            }
            signSeen = true;
            t = t.mid(1).trimmed();
        }
        if (!dollarSeen && !t.isEmpty() && t.front() == u'$') {
            dollarSeen = true;
            t = t.mid(1).trimmed();
        }
    }
    std::optional<qint64> amount = readPlainAmount(t);
    if (!amount) {
        // Exponent forms such as 1.5e3 go through the double and its decimal form.
        std::optional<double> v = readNumber(t);
        if (!v || *v < 0 || t.startsWith(u'+') || t.startsWith(u'-') || *v >= 9.2e14) return std::nullopt;
        amount = readPlainAmount(fixed(*v, 4));
        if (!amount) return std::nullopt;
    }
    return negative ? -*amount : *amount;
}

QString currencyText(qint64 amount) {
    const bool negative = amount < 0;
    const quint64 units = negative ? quint64(-(amount + 1)) + 1 : quint64(amount);
    const quint64 cents = (units + 50) / 100;  // half away from zero
    QString out = (negative && cents != 0) ? QStringLiteral("-$") : QStringLiteral("$");
    out += groupThousands(QString::number(cents / 100));
    out += QStringLiteral(".%1").arg(int(cents % 100), 2, 10, QLatin1Char('0'));
    return out;
}

}  // namespace numtext
