#include "compute/phcompute.h"
#include "model/clsdataset.h"

#include <cmath>
#include <algorithm>
#include <limits>
#include <vector>

double roundPH(double value) {
    return std::nearbyint(value * 10000.0) / 10000.0;  // default rounding mode: half to even
}

namespace {
// The pH of one probe, NaN when the arithmetic cannot be done (or an input is NaN); the one
// formula of probePH and of Compute's loop.
inline double phOrNaN(double temperature, double raw, const ProbeInputs &in) {
    const double E = raw / kMillivoltsPerVolt;
    const double K = temperature + kKelvinOffset + in.thermCorr;
    const double denominator = K * kNernstFactor * in.slope;
    if (!(K > 0.0) || denominator == 0.0) return std::numeric_limits<double>::quiet_NaN();  // at or below absolute zero
    double pH = (E - in.offset) / denominator + kNeutralPH;
    pH = pH + in.corr;
    if (!std::isfinite(pH)) return std::numeric_limits<double>::quiet_NaN();
    return roundPH(pH);
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

// One probe's pH of rows first..first+count-1 into `out` (NaN: an empty cell), from the
// columns' doubles; a NaN there sends the row to probeCell. The rows from a stop on are left.
std::optional<ComputeStop> probeRows(const DataTable &t, const Probe &p, int first, int count, double *out, int &done) {
    const double *T = t.numbers(p.tempCol()).data() + first, *raw = t.numbers(p.rawCol).data() + first;
    for (int k = 0; k < count; ++k) out[k] = phOrNaN(T[k], raw[k], p.in);
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

std::optional<ComputeStop> computeRows(DataTable &table, int first, const ProbeInputs &probe1,
                                       const ProbeInputs &probe2) {
    const int n = table.rowCount();
    first = std::max(first, 0);
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
