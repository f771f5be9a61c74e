#pragma once
// Everything decided about a deployment, as the project file keeps it: its logs, each
// calibration segment, the buffer calibrations, the quality limits, the marks and the view.
// Plain values, turned to and from the file's JSON here; the workbench captures and applies them.
#include "compute/buffercalibration.h"
#include "corrections/corrections.h"
#include "qc/qcthresholds.h"
#include "qc/marks.h"

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <utility>
#include <vector>

// The schema this program writes and the newest it reads.
inline constexpr int kProjectSchemaVersion = 1;

struct ProjectLog {
    QString path;  // absolute once read; the file holds it relative to the project's folder
    qint64 size = 0;
    QByteArray sha256{};  // hex
    bool operator==(const ProjectLog &) const = default;
};

// A segment's calibration as Compute uses it (probe 1 and 2, the three thermistors).
struct ProjectCalibration {
    std::array<double, 2> slope{}, offset{}, corr{};
    std::array<int, 2> thermistor{0, 0};  // 0..2
    std::array<double, 3> thermistorCorr{};
    bool operator==(const ProjectCalibration &) const = default;
};

struct ProjectSegment {
    int firstRow = 0;
    QString origin{};  // "header", "line", "edited", "buffer calibration"
    int line = 0;
    QString logName{};
    ProjectCalibration calibration{};
    bool operator==(const ProjectSegment &) const = default;
};

// A buffer calibration applied to one probe of one segment, with the points it was fitted from.
struct ProjectBufferCalibration {
    int segment = 0;  // 0-based
    int probe = 0;    // 0: pH-1, 1: pH-2
    std::vector<BufferPoint> points{};
    double slope = 1.0, offset = 0.0;  // applied
    bool operator==(const ProjectBufferCalibration &o) const;
};

struct ProjectView {
    QString start{}, end{};  // the range fields
    QString yMin{}, yMax{};
    bool autoscale = true;
    bool plotPH1 = true, plotPH2 = true, plotDpH = false;
    std::vector<int> extraFields{};
    std::optional<std::pair<double, double>> zoom{};  // decimal days, when zoomed
    bool statisticsIncludeBad = false;
    bool plotPH1Corr = false, plotPH2Corr = false;  // the corrected pH series
    bool operator==(const ProjectView &) const = default;
};

struct ProjectState {
    std::vector<ProjectLog> logs{};
    std::vector<ProjectSegment> segments{};
    std::vector<ProjectBufferCalibration> bufferCalibrations{};
    QcThresholds limits{};  // the quality-control thresholds, the gap limit among them
    std::vector<Mark> marks{};
    std::vector<ServiceVisit> visits{};
    CorrectionSettings corrections{};
    bool allRecords = false;  // the logs were read whole however long (the any-length setting)
    ProjectView view{};
    bool operator==(const ProjectState &) const = default;
};

// Paths of logs relative to `folder` (the project's) in the JSON, absolute from it.
QJsonObject projectStateJson(const ProjectState &state, const QString &folder);
// An error text (which part is wrong) when the object is no project state.
ProjectState projectStateFromJson(const QJsonObject &json, const QString &folder, QString *error);

// The decisions of a state (everything but the logs, how they were read and the view), field by field: the path of
// each value ("segments[0].calibration.slope[1]") and its compact JSON text. Two states differ
// in the fields whose texts differ.
QMap<QString, QString> decisionFields(const ProjectState &state);
