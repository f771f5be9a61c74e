#include "compute/qualityflags.h"

#include "model/clsdataset.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// pH carries four decimals in binary: 7.2 - 7.0 is 0.2000000000000002, which must not count
// as above a limit of 0.2.
constexpr double kSlack = 1e-9;

bool above(double difference, double limit) { return difference > limit + kSlack; }

// The column as numbers, NaN where a cell is empty, no number or missing; rows from `upTo` on are NaN.
std::vector<double> column(const DataTable &t, int col, int upTo) {
    std::vector<double> v(std::size_t(t.rowCount()), kNaN);
    if (col > t.lastCol()) return v;
    const int n = std::min(upTo, t.rowCount());
    for (int r = 0; r < n; ++r) {
        if (t.kind(r, col) == Cell::Kind::Empty) continue;
        if (const std::optional<double> x = t.number(r, col)) v[std::size_t(r)] = *x;
    }
    return v;
}

// Median of the first n (<= 5) values, by insertion: cheaper than a sort call for so few.
double median(std::array<double, 5> &w, int n) {
    for (int i = 1; i < n; ++i)
        for (int j = i; j > 0 && w[std::size_t(j)] < w[std::size_t(j - 1)]; --j)
            std::swap(w[std::size_t(j)], w[std::size_t(j - 1)]);
    return n % 2 ? w[std::size_t(n / 2)] : (w[std::size_t(n / 2 - 1)] + w[std::size_t(n / 2)]) / 2;
}

// Spikes: each record against the median of the five-record window centred on it, clipped at
// the ends; records without a value take no part.
void markSpikes(const std::vector<double> &pH, double limit, std::vector<std::uint8_t> &flags) {
    const int n = int(pH.size());
    std::array<double, 5> w{};
    for (int r = 0; r < n; ++r) {
        const double x = pH[std::size_t(r)];
        if (std::isnan(x)) continue;
        int k = 0;
        for (int j = std::max(0, r - 2); j <= std::min(n - 1, r + 2); ++j)
            if (!std::isnan(pH[std::size_t(j)])) w[std::size_t(k++)] = pH[std::size_t(j)];
        if (k >= 3 && above(std::fabs(x - median(w, k)), limit)) flags[std::size_t(r)] |= flagSpike;
    }
}

void markFlatRuns(const std::vector<double> &raw, int minRun, std::vector<std::uint8_t> &flags) {
    const int n = int(raw.size());
    int start = 0;
    for (int r = 1; r <= n; ++r) {
        const bool continues =
            r < n && !std::isnan(raw[std::size_t(r)]) && raw[std::size_t(r)] == raw[std::size_t(r - 1)];
        if (continues) continue;
        if (r - start >= minRun && !std::isnan(raw[std::size_t(start)]))
            for (int j = start; j < r; ++j) flags[std::size_t(j)] |= flagFlat;
        start = r;
    }
}

}  // namespace

std::vector<std::uint8_t> computeFlags(const DataTable &t, int computedRows, const QualityLimits &limits) {
    const int n = t.rowCount();
    std::vector<std::uint8_t> flags(std::size_t(n), 0);
    if (n == 0) return flags;
    computedRows = std::clamp(computedRows, 0, n);
    for (int r = computedRows; r < n; ++r) flags[std::size_t(r)] |= flagNotComputed;

    const std::vector<double> ph1 = column(t, colPH1, computedRows), ph2 = column(t, colPH2, computedRows);
    for (int r = 0; r < computedRows; ++r) {
        const double d = ph1[std::size_t(r)] - ph2[std::size_t(r)];
        if (!std::isnan(d) && above(std::fabs(d), limits.disagree)) flags[std::size_t(r)] |= flagDisagree;
    }
    markSpikes(ph1, limits.spike, flags);
    markSpikes(ph2, limits.spike, flags);

    if (limits.flatRecords >= 2) {
        markFlatRuns(column(t, colPH1Raw, n), limits.flatRecords, flags);
        markFlatRuns(column(t, colPH2Raw, n), limits.flatRecords, flags);
    }

    const std::vector<double> th[3] = {column(t, colTherm1, n), column(t, colTherm2, n), column(t, colTherm3, n)};
    for (int r = 0; r < n; ++r) {
        double lo = std::numeric_limits<double>::infinity(), hi = -lo;
        for (const auto &c : th) {
            const double x = c[std::size_t(r)];
            if (std::isnan(x)) continue;
            lo = std::min(lo, x);
            hi = std::max(hi, x);
        }
        if (hi > lo && above(hi - lo, limits.thermistors)) flags[std::size_t(r)] |= flagThermistors;
    }

    if (colFlowRate <= t.lastCol())
        for (int r = 0; r < n; ++r)
            if (t.kind(r, colFlowRate) != Cell::Kind::Empty && t.number(r, colFlowRate) == 0.0)
                flags[std::size_t(r)] |= flagNoFlow;
    return flags;
}

namespace {
const char kLetters[kFlagKinds] = {'D', 'S', 'F', 'T', 'N', 'X'};
}

char flagLetter(int kind) { return kind >= 0 && kind < kFlagKinds ? kLetters[kind] : '?'; }

QString flagLetters(std::uint8_t flags) {
    QString s;
    for (int i = 0; i < kFlagKinds; ++i)
        if (flags & (1u << i)) s += QLatin1Char(kLetters[i]);
    return s;
}

QString flagTooltip(std::uint8_t flags, const QualityLimits &l) {
    const QString lines[kFlagKinds] = {
        QStringLiteral("D: probes disagree (|pH-1 - pH-2| > %1)").arg(l.disagree),
        QStringLiteral("S: spike (a pH more than %1 from the median of the 5 records around it)").arg(l.spike),
        QStringLiteral("F: flat signal (a raw reading unchanged for %1 records or more)").arg(l.flatRecords),
        QStringLiteral("T: thermistors disagree (by more than %1 \u00B0C)").arg(l.thermistors),
        QStringLiteral("N: no flow (flow rate 0)"),
        QStringLiteral("X: not computed (the computation stopped before this record)"),
    };
    QStringList out;
    for (int i = 0; i < kFlagKinds; ++i)
        if (flags & (1u << i)) out << lines[i];
    return out.join(u'\n');
}

FlagCounts countFlags(const std::vector<std::uint8_t> &flags) {
    FlagCounts c;
    for (const std::uint8_t f : flags) {
        if (!f) continue;
        ++c.flagged;
        for (int i = 0; i < kFlagKinds; ++i)
            if (f & (1u << i)) ++c.of[i];
    }
    return c;
}

std::optional<int> nextFlaggedRow(const std::vector<std::uint8_t> &flags, int row, int direction) {
    const int n = int(flags.size());
    if (direction == 0 || n == 0) return std::nullopt;
    const int step = direction > 0 ? 1 : -1;
    for (int r = step > 0 ? std::max(row + 1, 0) : std::min(row - 1, n - 1); r >= 0 && r < n; r += step)
        if (flags[std::size_t(r)]) return r;
    return std::nullopt;
}
