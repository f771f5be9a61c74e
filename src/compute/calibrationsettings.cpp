#include "compute/calibrationsettings.h"
#include "compute/columnvalues.h"

#include <QSettings>
#include <cmath>

namespace {
const char *const kGroup = "Calibration";

}  // namespace

bool sensibleLimits(const CalibrationLimits &l) {
    return l.slopeWarnLow <= l.slopePassLow && l.slopePassLow <= l.slopePassHigh &&
           l.slopePassHigh <= l.slopeWarnHigh && 0 <= l.offsetPass && l.offsetPass <= l.offsetWarn &&
           l.driftLimit >= 0 && l.minRecords >= 1 && l.minPHSpan >= 0 && l.minPHSpan <= 14;
}

CalibrationLimits loadCalibrationLimits(QSettings &s) {
    const CalibrationLimits d;
    CalibrationLimits l;
    s.beginGroup(QLatin1String(kGroup));
    l.slopePassLow = storedDouble(s, "SlopePassLow", d.slopePassLow);
    l.slopePassHigh = storedDouble(s, "SlopePassHigh", d.slopePassHigh);
    l.slopeWarnLow = storedDouble(s, "SlopeWarnLow", d.slopeWarnLow);
    l.slopeWarnHigh = storedDouble(s, "SlopeWarnHigh", d.slopeWarnHigh);
    l.offsetPass = storedDouble(s, "OffsetPass", d.offsetPass);
    l.offsetWarn = storedDouble(s, "OffsetWarn", d.offsetWarn);
    l.driftLimit = storedDouble(s, "DriftLimit", d.driftLimit);
    l.minPHSpan = storedDouble(s, "MinPHSpan", d.minPHSpan);
    const double minRecords = storedDouble(s, "MinRecords", d.minRecords);
    l.minRecords = minRecords >= 1 && minRecords <= 1e6 ? int(minRecords) : d.minRecords;
    s.endGroup();
    return sensibleLimits(l) ? l : d;
}

void saveCalibrationLimits(QSettings &s, const CalibrationLimits &l) {
    s.beginGroup(QLatin1String(kGroup));
    s.setValue(QStringLiteral("SlopePassLow"), l.slopePassLow);
    s.setValue(QStringLiteral("SlopePassHigh"), l.slopePassHigh);
    s.setValue(QStringLiteral("SlopeWarnLow"), l.slopeWarnLow);
    s.setValue(QStringLiteral("SlopeWarnHigh"), l.slopeWarnHigh);
    s.setValue(QStringLiteral("OffsetPass"), l.offsetPass);
    s.setValue(QStringLiteral("OffsetWarn"), l.offsetWarn);
    s.setValue(QStringLiteral("DriftLimit"), l.driftLimit);
    s.setValue(QStringLiteral("MinRecords"), l.minRecords);
    s.setValue(QStringLiteral("MinPHSpan"), l.minPHSpan);
    s.endGroup();
}
