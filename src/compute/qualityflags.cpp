#include "compute/qualityflags.h"
#include "compute/columnvalues.h"

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

// Median of the first n (<= 5) values, by insertion: cheaper than a sort call for so few.
double median(std::array<double, 5> &w, int n) {
    for (int i = 1; i < n; ++i)
        for (int j = i; j > 0 && w[std::size_t(j)] < w[std::size_t(j - 1)]; --j)
            std::swap(w[std::size_t(j)], w[std::size_t(j - 1)]);
    return n % 2 ? w[std::size_t(n / 2)] : (w[std::size_t(n / 2 - 1)] + w[std::size_t(n / 2)]) / 2;
}

// A spike: the record against the median of the five-record window centred on it, clipped at
// the table's ends; records without a value take no part. `v` holds rows from `v0`.
bool isSpike(const double *v, int v0, int vEnd, int r, double limit) {
    const double x = v[r - v0];
    if (std::isnan(x)) return false;
    const int from = std::max(v0, r - 2), to = std::min(vEnd - 1, r + 2);
    // The median lies inside the window's span: a window all within the limit of x has none far off.
    bool wide = false;
    for (int j = from; j <= to && !wide; ++j) wide = above(std::fabs(v[j - v0] - x), limit);  // NaN: not wide
    if (!wide) return false;
    std::array<double, 5> w;
    int k = 0;
    for (int j = from; j <= to; ++j)
        if (!std::isnan(v[j - v0])) w[std::size_t(k++)] = v[j - v0];
    return k >= 3 && above(std::fabs(x - median(w, k)), limit);
}

// A run of equal raw readings, carried from chunk to chunk; long runs are flagged when they end.
struct FlatRun {
    int start = 0;
    double value = kNaN;
    void next(int r, double x, int minRun, std::vector<std::uint8_t> &flags) {
        if (!std::isnan(x) && x == value) return;
        end(r, minRun, flags);
        start = r;
        value = x;
    }
    void end(int r, int minRun, std::vector<std::uint8_t> &flags) const {
        if (!std::isnan(value) && r - start >= minRun)
            for (int j = start; j < r; ++j) flags[std::size_t(j)] |= flagFlat;
    }
};

}  // namespace

namespace {

constexpr int kChunk = 512, kHalo = 2;

// The flags that depend on a record and its close neighbours (all but flat) of rows from..n-1;
// the pH columns carry two rows either side for the spike windows.
void flagRows(const DataTable &t, int computedRows, const QualityLimits &limits, int from,
              std::vector<std::uint8_t> &flags) {
    const int n = t.rowCount();
    std::vector<double> scratch[2], col(kChunk), th[3];
    for (auto &v : scratch) v.resize(kChunk + 2 * kHalo);
    for (auto &v : th) v.resize(kChunk);
    const int thCols[3] = {colTherm1, colTherm2, colTherm3};
    const bool hasPH = t.lastCol() >= colPH2;
    for (int c0 = from; c0 < n; c0 += kChunk) {
        const int c1 = std::min(n, c0 + kChunk), m = c1 - c0;
        const int v0 = std::max(0, c0 - kHalo), vEnd = std::min(n, c1 + kHalo);
        const double *ph[2];
        for (int p = 0; p < 2; ++p)
            ph[p] = columnRows(t, p ? colPH2 : colPH1, v0, vEnd - v0, computedRows, scratch[p].data());
        for (int r = c0; r < c1; ++r) {
            std::uint8_t f = r >= computedRows ? flagNotComputed : 0;
            const double d = ph[0][r - v0] - ph[1][r - v0];
            // Compute leaves a pH cell empty only where an input is missing.
            if (hasPH && r < computedRows && std::isnan(d)) f |= flagMissing;
            if (!std::isnan(d) && above(std::fabs(d), limits.disagree)) f |= flagDisagree;
            if (isSpike(ph[0], v0, vEnd, r, limits.spike) || isSpike(ph[1], v0, vEnd, r, limits.spike)) f |= flagSpike;
            flags[std::size_t(r)] |= f;
        }

        const double *temps[3];
        for (int i = 0; i < 3; ++i) temps[i] = columnRows(t, thCols[i], c0, m, n, th[i].data());
        for (int k = 0; k < m; ++k) {
            double lo = std::numeric_limits<double>::infinity(), hi = -lo;
            for (const double *v : temps) {
                const double x = v[k];
                if (std::isnan(x)) continue;
                lo = std::min(lo, x);
                hi = std::max(hi, x);
            }
            if (hi > lo && above(hi - lo, limits.thermistors)) flags[std::size_t(c0 + k)] |= flagThermistors;
        }

        const double *flow = columnRows(t, colFlowRate, c0, m, n, col.data());
        for (int k = 0; k < m; ++k)
            if (flow[k] == 0.0) flags[std::size_t(c0 + k)] |= flagNoFlow;
    }
}

const int kRawCols[2] = {colPH1Raw, colPH2Raw};

// Flat runs of both raw readings through rows from..n-1, going on from `runs`.
void flagFlatRuns(const DataTable &t, const QualityLimits &limits, int from, FlatRun runs[2],
                  std::vector<std::uint8_t> &flags) {
    const int n = t.rowCount();
    std::vector<double> col(kChunk);
    for (int c0 = from; c0 < n; c0 += kChunk) {
        const int m = std::min(n, c0 + kChunk) - c0;
        for (int p = 0; p < 2; ++p) {
            const double *raw = columnRows(t, kRawCols[p], c0, m, n, col.data());
            for (int k = 0; k < m; ++k) runs[p].next(c0 + k, raw[k], limits.flatRecords, flags);
        }
    }
    for (int p = 0; p < 2; ++p) runs[p].end(n, limits.flatRecords, flags);
}

}  // namespace

std::vector<std::uint8_t> computeFlags(const DataTable &t, int computedRows, const QualityLimits &limits) {
    const int n = t.rowCount();
    std::vector<std::uint8_t> flags(std::size_t(n), 0);
    if (n == 0) return flags;
    computedRows = std::clamp(computedRows, 0, n);
    flagRows(t, computedRows, limits, 0, flags);
    FlatRun runs[2];
    if (limits.flatRecords >= 2) flagFlatRuns(t, limits, 0, runs, flags);
    return flags;
}

int extendFlags(const DataTable &t, int computedRows, const QualityLimits &limits, std::vector<std::uint8_t> &flags,
                FlagCounts *totals) {
    const int n = t.rowCount(), m = int(flags.size());
    if (m == 0 || n < m) {
        flags = computeFlags(t, computedRows, limits);
        if (totals) *totals = countFlags(flags);
        return 0;
    }
    if (n == m) return n;
    computedRows = std::clamp(computedRows, 0, n);
    // The last two old rows' spike windows reach into the new ones; a flat run may go on.
    const int from = std::max(0, m - kHalo);
    int first = from;
    FlatRun runs[2];
    const bool flat = limits.flatRecords >= 2;
    for (int p = 0; flat && p < 2; ++p) {
        // The run that ends at the last old row; once it is long enough, its rows are flagged
        // already, so looking further back changes nothing.
        auto value = [&](int r) {
            double x;
            readColumn(t, kRawCols[p], r, 1, n, &x);
            return x;
        };
        const double last = value(m - 1);
        int start = m - 1;
        if (!std::isnan(last))
            while (start > 0 && m - start < limits.flatRecords && value(start - 1) == last) --start;
        runs[p].start = start;
        runs[p].value = last;
        first = std::min(first, start);
    }
    if (totals) *totals -= countFlags(flags, first, m - 1);
    flags.resize(std::size_t(n), 0);
    for (int r = from; r < m; ++r) flags[std::size_t(r)] &= flagFlat;
    flagRows(t, computedRows, limits, from, flags);
    if (flat) flagFlatRuns(t, limits, m, runs, flags);
    if (totals) *totals += countFlags(flags, first, n - 1);
    return first;
}

FlagCounts &FlagCounts::operator+=(const FlagCounts &o) {
    flagged += o.flagged;
    for (int i = 0; i < kFlagKinds; ++i) of[i] += o.of[i];
    return *this;
}

FlagCounts &FlagCounts::operator-=(const FlagCounts &o) {
    flagged -= o.flagged;
    for (int i = 0; i < kFlagKinds; ++i) of[i] -= o.of[i];
    return *this;
}

namespace {
const char kLetters[kFlagKinds] = {'D', 'S', 'F', 'T', 'N', 'X', 'M', 'C'};
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
        QStringLiteral("M: missing value (no raw reading or thermistor temperature; no pH computed)"),
        QStringLiteral("C: conflict (same date-time as a record of another log with other values)"),
    };
    QStringList out;
    for (int i = 0; i < kFlagKinds; ++i)
        if (flags & (1u << i)) out << lines[i];
    return out.join(u'\n');
}

FlagCounts countFlags(const std::vector<std::uint8_t> &flags, int first, int last) {
    FlagCounts c;
    const int n = int(flags.size());
    last = std::min(last, n - 1);
    for (int r = std::max(first, 0); r <= last; ++r) {
        const std::uint8_t f = flags[std::size_t(r)];
        if (!f) continue;
        ++c.flagged;
        for (int i = 0; i < kFlagKinds; ++i)
            if (f & (1u << i)) ++c.of[i];
    }
    return c;
}

QString flagCountsText(const FlagCounts &c) {
    if (c.flagged == 0) return QStringLiteral("No flags");
    QStringList kinds;
    for (int i = 0; i < kFlagKinds; ++i)
        if (c.of[i]) kinds << QStringLiteral("%1 %2").arg(QLatin1Char(kLetters[i])).arg(c.of[i]);
    return QStringLiteral("%1 flagged: %2").arg(c.flagged).arg(kinds.join(QStringLiteral(", ")));
}

std::optional<int> nextFlaggedRow(const std::vector<std::uint8_t> &flags, int row, int direction) {
    const int n = int(flags.size());
    if (direction == 0 || n == 0) return std::nullopt;
    const int step = direction > 0 ? 1 : -1;
    for (int r = step > 0 ? std::max(row + 1, 0) : std::min(row - 1, n - 1); r >= 0 && r < n; r += step)
        if (flags[std::size_t(r)]) return r;
    return std::nullopt;
}
