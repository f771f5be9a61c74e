#pragma once
// The points file of the batch command's --calibrate: one buffer point a line,
//   probe, buffer pH, mV, temperature          a reading typed in
//   probe, buffer pH, from, to                 the records between two date-times
// The probe is 1, 2, pH-1 or pH-2; the buffer is a pH (used as it stands) or a buffer's id or
// label (buffertables.h: its pH at the point's temperature). Blank lines, lines starting with
// '#' and a first line that is a heading are skipped. Fields are separated by commas, or by tabs
// or semicolons (then a decimal comma is read too); a UTF-8 or UTF-16 byte-order mark is read.
#include "compute/buffercalibration.h"
#include "compute/buffertables.h"
#include "compute/calibrationspan.h"

#include <QString>
#include <array>
#include <optional>
#include <utility>
#include <vector>

class DataTable;

struct PointEntry {
    int line = 0;                                   // 1-based line of the file
    QString buffer;                                 // as written
    std::optional<double> pH;                       // a typed pH
    const BufferTable *table = nullptr;             // or a named buffer
    double mV = 0.0, temperature = 0.0;             // a typed reading
    std::optional<std::pair<double, double>> span;  // or from and to, decimal days
};

struct PointsRead {
    QString error;  // names the file and the line
    std::array<std::vector<PointEntry>, 2> probes;
    bool ok() const { return error.isEmpty(); }
};

// A larger points file is refused unread.
inline constexpr qint64 kMaxPointsFileSize = qint64(1) << 20;

// name is put in front of every error ("points.csv line 3: ...").
PointsRead parseCalibrationPoints(const QString &text, const QString &name);
PointsRead readCalibrationPointsFile(const QString &path);

// What a probe's calibration starts from: its thermistor and the current slope (kept by one point).
struct ProbeContext {
    int thermistor = 0;
    double thermCorr = 0.0;
    double currentSlope = 1.0;
};

struct ProbeCalibration {
    QString error;  // a point could not be resolved (names the line); result is then not computed
    std::vector<BufferPoint> points;
    std::vector<std::optional<SpanStats>> spans;  // per point; set for span lines
    std::vector<PointEntry> entries;
    CalibrationResult result;
    bool ok() const { return error.isEmpty() && result.ok; }
};

// Resolves spans against the table (probe 0 or 1) and fits the points.
ProbeCalibration calibrateProbe(const std::vector<PointEntry> &entries, const DataTable &table, int probe,
                                const ProbeContext &context, const CalibrationLimits &limits = {});
