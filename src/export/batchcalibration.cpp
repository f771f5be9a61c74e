#include "export/batchcalibration.h"

#include "compute/calibrationpoints.h"
#include "compute/calibrationreport.h"
#include "workbench/workbench.h"

BatchCalibration calibrateFromPointsFile(const QString &path, const DataTable &table, Calibration &c) {
    BatchCalibration out;
    const PointsRead read = readCalibrationPointsFile(path);
    if (!read.ok()) {
        out.error = read.error;
        return out;
    }
    std::array<std::optional<std::pair<double, double>>, 2> results;
    for (std::size_t p = 0; p < 2; ++p) {
        if (read.probes[p].empty()) continue;
        const int thermistor = c.thermistor[p];
        const ProbeContext context{thermistor, c.thermistorCorr[std::size_t(thermistor)], c.slope[p]};
        const ProbeCalibration pc = calibrateProbe(read.probes[p], table, int(p), context);
        out.lines[p] = calibrationReportLines(int(p), pc);
        out.points[p] = pc.points;
        if (!pc.ok() || pc.result.verdict == Verdict::Fail)
            out.failed = true;
        else
            results[p] = calibrationFieldValues(pc.result.slope, pc.result.offset);
    }
    if (out.failed) return out;
    for (std::size_t p = 0; p < 2; ++p)
        if (results[p]) std::tie(c.slope[p], c.offset[p]) = *results[p];
    return out;
}
