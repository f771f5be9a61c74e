#include "compute/phcompute.h"
#include "model/clsdataset.h"

#include <cmath>
#include <algorithm>

double roundPH(double value) {
    return std::nearbyint(value * 10000.0) / 10000.0;  // default rounding mode: half to even
}

std::optional<double> probePH(double temperature, double raw, const ProbeInputs &in) {
    const double E = raw / kMillivoltsPerVolt;
    const double K = temperature + kKelvinOffset + in.thermCorr;
    const double denominator = K * kNernstFactor * in.slope;
    if (K <= 0.0 || denominator == 0.0) return std::nullopt;  // at or below absolute zero
    double pH = (E - in.offset) / denominator + kNeutralPH;
    pH = pH + in.corr;
    if (!std::isfinite(pH)) return std::nullopt;
    return roundPH(pH);
}

namespace {
const int kThermColumns[3] = {colTherm1, colTherm2, colTherm3};

std::optional<ComputeStop> computeProbe(DataTable &t, int r, const ProbeInputs &in, int rawCol, int outCol,
                                        const QString &probe) {
    const int tempCol = kThermColumns[std::clamp(in.thermistor, 0, 2)];
    // A reading the logger did not give is no reading of 0: that probe gets no pH, and the
    // record goes on to the other probe and the next record.
    if (t.kind(r, tempCol) == Cell::Kind::Empty || t.kind(r, rawCol) == Cell::Kind::Empty) {
        t.setCell(r, outCol, Cell());
        return std::nullopt;
    }
    const std::optional<double> T = t.number(r, tempCol);
    if (!T)
        return ComputeStop{r, QStringLiteral("the temperature of thermistor %1 (\"%2\") is not a number")
                                  .arg(in.thermistor + 1)
                                  .arg(t.text(r, tempCol))};
    const std::optional<double> raw = t.number(r, rawCol);
    if (!raw)
        return ComputeStop{r,
                           QStringLiteral("the %1 raw reading (\"%2\") is not a number").arg(probe, t.text(r, rawCol))};
    if (in.slope == 0.0) return ComputeStop{r, QStringLiteral("the %1 slope is 0").arg(probe)};
    if (*T + kKelvinOffset + in.thermCorr <= 0.0)
        return ComputeStop{r, QStringLiteral("the corrected temperature of thermistor %1 is at or below 0 kelvin")
                                  .arg(in.thermistor + 1)};
    const std::optional<double> pH = probePH(*T, *raw, in);
    if (!pH) return ComputeStop{r, QStringLiteral("the %1 result is not a finite number").arg(probe)};
    t.setNumber(r, outCol, *pH);
    return std::nullopt;
}
}  // namespace

std::optional<ComputeStop> computeAll(DataTable &table, const ProbeInputs &probe1, const ProbeInputs &probe2) {
    return computeRows(table, 0, probe1, probe2);
}

std::optional<ComputeStop> computeRows(DataTable &table, int first, const ProbeInputs &probe1,
                                       const ProbeInputs &probe2) {
    const int L = table.lastRow();
    first = std::max(first, 0);
    if (L >= first && table.lastCol() < colPH2)
        return ComputeStop{
            first, QStringLiteral("the records have no pH columns (no record holds a number in the 8th column)")};
    for (int r = first; r <= L; ++r) {
        if (auto stop = computeProbe(table, r, probe1, colPH1Raw, colPH1, QStringLiteral("pH-1"))) return stop;
        if (auto stop = computeProbe(table, r, probe2, colPH2Raw, colPH2, QStringLiteral("pH-2"))) return stop;
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
