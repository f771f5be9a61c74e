#include "fileio/recordscan.h"

#include "model/numbertext.h"

#include <cstdint>

namespace {

inline bool isDigit(char c) { return unsigned(c - '0') < 10; }
inline bool inRange(char c, char lo, char hi) { return c >= lo && c <= hi; }
// Characters the number pattern never takes and quote removal leaves alone.
inline bool isGap(char c) { return c == ',' || c == ' ' || c == '\t'; }

// Length of the longest number match that starts at p, 0 if none: the rules of the
// classifier's number pattern (an exponent only after a decimal point).
qsizetype numberLength(const char *p, const char *end) {
    const char *j = p;
    if (j < end && (*j == '-' || *j == '+')) ++j;
    const char *k = j;
    while (k < end && isDigit(*k)) ++k;
    const char *stop = k > j ? k : nullptr;
    if (k + 1 < end && *k == '.' && isDigit(k[1])) {
        const char *m = k + 2;
        while (m < end && isDigit(*m)) ++m;
        if (m < end && (*m == 'e' || *m == 'E')) {
            const char *e = m + 1;
            if (e < end && (*e == '-' || *e == '+')) ++e;
            if (e < end && isDigit(*e)) {
                while (e < end && isDigit(*e)) ++e;
                m = e;
            }
        }
        stop = m;
    }
    return stop ? stop - p : 0;
}

// Powers of ten a double holds exactly.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

std::optional<double> generalNumber(const char *first, const char *last) {
    if (first < last && *first == '+') ++first;  // from_chars takes no "+"
    return decimalNumber(first, last);
}

// The number match at p read in the same pass that finds its end, if it is a short decimal
// (no exponent, at most 19 digits, the digits an exact double): where it ends. A point with
// no digit after it is taken along; the match stops before it, but no number starts there
// either. Null for no match and for every other form, which the general reader takes.
inline const char *shortDecimal(const char *p, const char *end, double &v) {
    const bool negative = p < end && *p == '-';
    if (p < end && (*p == '-' || *p == '+')) ++p;
    std::uint64_t mantissa = 0;
    const char *first = p;
    for (; p < end && isDigit(*p); ++p) mantissa = mantissa * 10 + unsigned(*p - '0');
    qsizetype digits = p - first, fraction = 0;
    if (p < end && *p == '.') {
        first = ++p;
        for (; p < end && isDigit(*p); ++p) mantissa = mantissa * 10 + unsigned(*p - '0');
        fraction = p - first;
        digits += fraction;
        if (p < end && (*p == 'e' || *p == 'E')) return nullptr;
    }
    if (digits == 0 || digits > 19 || mantissa > (std::uint64_t(1) << 53)) return nullptr;
    // Both the digits and the power of ten are exact doubles, so one division rounds the
    // decimal correctly, as from_chars does.
    v = double(mantissa) / kPow10[fraction];
    if (negative) v = -v;
    return p;
}

}  // namespace

std::optional<double> recordNumber(const char *first, const char *last) {
    double v = 0;
    if (shortDecimal(first, last, v) == last) return v;
    return generalNumber(first, last);
}

bool scanRecord(QByteArrayView line, ScannedRecord &out) {
    const char *p = line.data(), *end = p + line.size();
    if (p < end && *p == '"') ++p;
    if (end - p < 8) return false;
    if (!inRange(p[0], '0', '2') || !isDigit(p[1]) || p[2] != ':' || !inRange(p[3], '0', '5') || !isDigit(p[4]) ||
        p[5] != ':' || !inRange(p[6], '0', '5') || !isDigit(p[7]))
        return false;
    out.hour = (p[0] - '0') * 10 + (p[1] - '0');
    out.minute = (p[3] - '0') * 10 + (p[4] - '0');
    out.second = (p[6] - '0') * 10 + (p[7] - '0');
    p += 8;
    if (p < end && *p == '"') ++p;
    int count = 0;
    // A field without a number is an empty cell where it stands: the classifier reads those.
    bool afterComma = false, numberSinceComma = false;
    while (p < end) {
        if (isGap(*p)) {
            if (*p == ',') {
                if (afterComma && !numberSinceComma) return false;
                afterComma = true;
                numberSinceComma = false;
            }
            ++p;
            continue;
        }
        if (count == kMaxValues) return false;
        double v = 0;
        const char *stop = shortDecimal(p, end, v);
        if (!stop) {
            const qsizetype n = numberLength(p, end);
            const std::optional<double> general = n ? recordNumber(p, p + n) : std::nullopt;
            if (!general) return false;
            v = *general;
            stop = p + n;
        }
        // A number must end at a gap: anything else may join it to what follows.
        if (stop < end && !isGap(*stop)) return false;
        out.numbers[std::size_t(count++)] = v;
        numberSinceComma = true;
        p = stop;
    }
    out.count = count;
    return true;
}
