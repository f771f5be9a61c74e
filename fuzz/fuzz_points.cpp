// A points file of --calibrate: written to a temporary file, read as the batch command reads it,
// then every probe's points resolved against a few records and fitted.
#include "compute/calibrationpoints.h"
#include "compute/calibrationreport.h"
#include "fuzz_support.h"
#include "model/clsdataset.h"
#include "model/datetime.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {
// Twelve records ten seconds apart from 5/13/2004 08:00:00, both probes in a buffer near pH 7.
const DataTable &records() {
    static const DataTable table = [] {
        DataTable t;
        t.resize(11, colTotalVolume);
        const double start = dt::fromParts({2004, 5, 13, 8, 0, 0});
        for (int r = 0; r < 12; ++r) {
            t.setCell(r, colDateTime, Cell(dt::recordText(start + r * 10 / dt::kSecondsPerDay)));
            for (int c : {colTherm1, colTherm2, colTherm3}) t.setCell(r, c, Cell(25.0 + 0.01 * r));
            t.setCell(r, colPH1Raw, Cell(r % 2 ? 0.2 : -0.2));
            t.setCell(r, colPH2Raw, Cell(-177.0 + 0.1 * r));
        }
        return t;
    }();
    return table;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    ensureCoreApplication();
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/brinewick-fuzz-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("points.csv"));
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile f(path);
        require(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "temporary file opens");
        require(f.write(bytes) == bytes.size(), "temporary file written");
    }

    const PointsRead read = readCalibrationPointsFile(path);
    if (qint64(size) > kMaxPointsFileSize) require(!read.ok(), "a file past 1 MiB is refused");
    if (!read.ok()) {
        require(read.error.startsWith(path), "the error names the file");
        return 0;
    }
    for (int p = 0; p < 2; ++p) {
        const auto &entries = read.probes[std::size_t(p)];
        require(int(entries.size()) <= kMaxBufferPoints, "at most five points a probe");
        for (const PointEntry &e : entries) {
            require(bool(e.pH) != (e.table != nullptr), "a point has a typed pH or a buffer, not both");
            require(!e.pH || (*e.pH >= 0 && *e.pH <= 14), "a typed pH lies in 0 to 14");
            if (!e.span) {
                require(std::fabs(e.mV) <= kMaxPointMV, "a typed reading lies within 2000 mV");
                require(e.temperature >= kMinPointTemperature && e.temperature <= kMaxPointTemperature,
                        "a typed temperature lies in -5 to 105 degrees");
            }
        }
        if (entries.empty()) continue;
        const ProbeCalibration c = calibrateProbe(entries, records(), p, {p, 0.0, 1.0});
        const QStringList lines = calibrationReportLines(p, c);
        require(!lines.isEmpty(), "a probe gets its lines");
        if (!c.ok()) continue;
        const CalibrationResult &r = c.result;
        require(std::isfinite(r.slope) && r.slope != 0 && std::isfinite(r.offset), "a result is finite");
        require(r.residuals.size() == c.points.size(), "a residual for every point");
        const auto applied = calibrationFieldValues(r.slope, r.offset);
        require(applied.first == r.slope && applied.second == r.offset, "the result is what the fields hold");
        require(lines.size() == int(c.points.size()) + 1, "a line per point and the summary");
    }
    return 0;
}
