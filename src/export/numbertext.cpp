#include "export/numbertext.h"

#include <charconv>
#include <cmath>
#include <cstdint>

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
