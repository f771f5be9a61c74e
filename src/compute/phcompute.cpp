#include "compute/phcompute.h"
#include "model/clsdataset.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <limits>
#include <vector>

namespace {
// The pH of one probe, NaN when the arithmetic cannot be done (or an input is NaN); the one
// formula of probePH and of Compute's loop.
// Without branches, so a block of rows runs as one straight loop.
inline double phOrNaN(double temperature, double raw, const ProbeInputs &in) {
    const double E = raw / kMillivoltsPerVolt;
    const double K = temperature + kKelvinOffset + in.thermCorr;
    const double denominator = K * kNernstFactor * in.slope;
    double pH = (E - in.offset) / denominator + kNeutralPH;
    pH = pH + in.corr;
    const bool ok = K > 0.0 && denominator != 0.0 && std::isfinite(pH);  // K <= 0: at or below absolute zero
    return ok ? roundPH(pH) : std::numeric_limits<double>::quiet_NaN();
}
}  // namespace

std::optional<double> probePH(double temperature, double raw, const ProbeInputs &in) {
    const double pH = phOrNaN(temperature, raw, in);
    if (std::isnan(pH)) return std::nullopt;
    return pH;
}

namespace {
const int kThermColumns[3] = {colTherm1, colTherm2, colTherm3};

struct Probe {
    const ProbeInputs &in;
    int rawCol, outCol;
    QString name;
    int tempCol() const { return kThermColumns[std::clamp(in.thermistor, 0, 2)]; }
};

// One probe of a record whose inputs are not two plain numbers, read cell by cell: the pH, NaN
// for an empty pH cell, or why Compute stops here.
std::optional<ComputeStop> probeCell(const DataTable &t, int r, const Probe &p, double &pH) {
    const ProbeInputs &in = p.in;
    const int tempCol = p.tempCol(), rawCol = p.rawCol;
    // A reading the logger did not give is no reading of 0: that probe gets no pH, and the
    // record goes on to the other probe and the next record.
    pH = std::numeric_limits<double>::quiet_NaN();
    if (t.kind(r, tempCol) == Cell::Kind::Empty || t.kind(r, rawCol) == Cell::Kind::Empty) return std::nullopt;
    const std::optional<double> T = t.number(r, tempCol);
    if (!T)
        return ComputeStop{r, QStringLiteral("the temperature of thermistor %1 (\"%2\") is not a number")
                                  .arg(in.thermistor + 1)
                                  .arg(t.text(r, tempCol))};
    const std::optional<double> raw = t.number(r, rawCol);
    if (!raw)
        return ComputeStop{
            r, QStringLiteral("the %1 raw reading (\"%2\") is not a number").arg(p.name, t.text(r, rawCol))};
    if (in.slope == 0.0) return ComputeStop{r, QStringLiteral("the %1 slope is 0").arg(p.name)};
    if (*T + kKelvinOffset + in.thermCorr <= 0.0)
        return ComputeStop{r, QStringLiteral("the corrected temperature of thermistor %1 is at or below 0 kelvin")
                                  .arg(in.thermistor + 1)};
    const std::optional<double> value = probePH(*T, *raw, in);
    if (!value) return ComputeStop{r, QStringLiteral("the %1 result is not a finite number").arg(p.name)};
    pH = *value;
    return std::nullopt;
}

// phOrNaN four rows at a time, lane by lane the same IEEE operations in the same order (so the
// same bits); a row whose rounding needs std::nearbyint comes out NaN and goes to probeCell.
using Lanes = double __attribute__((vector_size(32)));
using LaneBits = std::int64_t __attribute__((vector_size(32)));

__attribute__((target_clones("avx", "default"))) void phLanes(const double *T, const double *raw, int count, const ProbeInputs &in, double *out) {
    const LaneBits sign = LaneBits{} + std::numeric_limits<std::int64_t>::min();
    const Lanes nan = Lanes{} + std::numeric_limits<double>::quiet_NaN();
    int k = 0;
    for (; k + 4 <= count; k += 4) {
        Lanes t, r;
        std::memcpy(&t, T + k, sizeof t);
        std::memcpy(&r, raw + k, sizeof r);
        const Lanes E = r / kMillivoltsPerVolt;
        const Lanes K = t + kKelvinOffset + in.thermCorr;
        const Lanes denominator = K * kNernstFactor * in.slope;
        Lanes pH = (E - in.offset) / denominator + kNeutralPH;
        pH = pH + in.corr;
        const Lanes x = pH * 10000.0;
        const Lanes shifted = (x + kRoundShift) - kRoundShift;
        const Lanes whole = Lanes((LaneBits(shifted) & ~sign) | (LaneBits(x) & sign));
        const Lanes magnitude = Lanes(LaneBits(x) & ~sign);
        const LaneBits ok = (K > 0.0) & (denominator != 0.0) & ((pH - pH) == 0.0) & (magnitude < kRoundExactBelow);
        const Lanes result = ok ? whole / 10000.0 : nan;
        std::memcpy(out + k, &result, sizeof result);
    }
    for (; k < count; ++k) out[k] = phOrNaN(T[k], raw[k], in);
}

// One probe's pH of rows first..first+count-1 into `out` (NaN: an empty cell), from the
// columns' doubles; a NaN there sends the row to probeCell. The rows from a stop on are left.
std::optional<ComputeStop> probeRows(const DataTable &t, const Probe &p, int first, int count, double *out, int &done) {
    const double *T = t.numbers(p.tempCol()).data() + first, *raw = t.numbers(p.rawCol).data() + first;
    phLanes(T, raw, count, p.in, out);
    for (done = 0; done < count; ++done)
        if (std::isnan(out[done]))
            if (auto stop = probeCell(t, first + done, p, out[done])) return stop;
    return std::nullopt;
}

void writeRows(DataTable &t, int col, int first, const double *pH, int count) {
    const std::span<double> cells = t.numbersForWrite(col, first, count);
    std::copy_n(pH, count, cells.begin());
    for (int k = 0; k < count; ++k)
        if (std::isnan(pH[k])) t.setCell(first + k, col, Cell());
}
}  // namespace

std::optional<ComputeStop> computeAll(DataTable &table, const ProbeInputs &probe1, const ProbeInputs &probe2) {
    return computeRows(table, 0, probe1, probe2);
}

namespace {
// Rows first..n-1 with one set of inputs.
std::optional<ComputeStop> computeRange(DataTable &table, int first, int n, const ProbeInputs &probe1,
                                        const ProbeInputs &probe2) {
    if (n > first && table.lastCol() < colPH2)
        return ComputeStop{
            first, QStringLiteral("the records have no pH columns (no record holds a number in the 8th column)")};
    const Probe probes[2] = {{probe1, colPH1Raw, colPH1, QStringLiteral("pH-1")},
                             {probe2, colPH2Raw, colPH2, QStringLiteral("pH-2")}};
    // A block at a time, each probe down its columns; where a probe stops, the rows after it
    // (and the second probe of its record, if the first stopped) keep their previous pH.
    constexpr int kBlock = 4096;
    std::vector<double> pH[2];
    for (auto &v : pH) v.resize(std::size_t(std::min(kBlock, std::max(n - first, 0))));
    for (int b = first; b < n; b += kBlock) {
        const int m = std::min(kBlock, n - b);
        std::optional<ComputeStop> stops[2];
        int done[2];
        for (int p = 0; p < 2; ++p) stops[p] = probeRows(table, probes[p], b, m, pH[p].data(), done[p]);
        std::optional<ComputeStop> stop;
        if (stops[0] && done[0] <= done[1]) {
            stop = std::move(stops[0]);
            done[1] = done[0];
        } else if (stops[1]) {
            stop = std::move(stops[1]);
            done[0] = done[1] + 1;
        }
        for (int p = 0; p < 2; ++p) writeRows(table, probes[p].outCol, b, pH[p].data(), done[p]);
        if (stop) return stop;
    }
    return std::nullopt;
}
}  // namespace

std::optional<ComputeStop> computeRows(DataTable &table, int first, const ProbeInputs &probe1,
                                       const ProbeInputs &probe2) {
    return computeRange(table, std::max(first, 0), table.rowCount(), probe1, probe2);
}

std::optional<ComputeStop> computeSpans(DataTable &table, int first, const std::vector<ComputeSpan> &spans) {
    const int n = table.rowCount();
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const int end = i + 1 < spans.size() ? std::min(spans[i + 1].firstRow, n) : n;
        const int begin = std::max({first, spans[i].firstRow, 0});
        if (begin >= end) continue;
        if (auto stop = computeRange(table, begin, end, spans[i].probe1, spans[i].probe2)) return stop;
    }
    return std::nullopt;
}

QString computeStopMessage(const ComputeStop &stop, const DataTable &table) {
    const bool inside = stop.row >= 0 && stop.row < table.rowCount() && table.colCount() > 0;
    return computeStopMessage(stop, inside ? std::optional(table.text(stop.row, colDateTime)) : std::nullopt);
}

QString computeStopMessage(const ComputeStop &stop, const std::optional<QString> &recordTime) {
    const QString when = recordTime ? QStringLiteral(" (") + *recordTime + u')' : QString();
    return QStringLiteral("pH could not be computed for record %1%2: %3.\r\n"
                          "The records before it were computed; the rest keep their previous pH.")
        .arg(stop.row)
        .arg(when, stop.reason);
}
