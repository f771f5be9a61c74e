#include "compute/calibrationsettings.h"

#include <QSettings>
#include <cmath>

namespace {
const char *const kGroup = "Calibration";

double readDouble(QSettings &s, const char *key, double fallback) {
    bool ok = false;
    const double v = s.value(QLatin1String(key)).toDouble(&ok);
    return ok && std::isfinite(v) ? v : fallback;
}

}  // namespace

bool sensibleLimits(const CalibrationLimits &l) {
    return l.slopeWarnLow <= l.slopePassLow && l.slopePassLow <= l.slopePassHigh &&
           l.slopePassHigh <= l.slopeWarnHigh && 0 <= l.offsetPass && l.offsetPass <= l.offsetWarn &&
           l.driftLimit >= 0 && l.minRecords >= 1;
}

CalibrationLimits loadCalibrationLimits(QSettings &s) {
    const CalibrationLimits d;
    CalibrationLimits l;
    s.beginGroup(QLatin1String(kGroup));
    l.slopePassLow = readDouble(s, "SlopePassLow", d.slopePassLow);
    l.slopePassHigh = readDouble(s, "SlopePassHigh", d.slopePassHigh);
    l.slopeWarnLow = readDouble(s, "SlopeWarnLow", d.slopeWarnLow);
    l.slopeWarnHigh = readDouble(s, "SlopeWarnHigh", d.slopeWarnHigh);
    l.offsetPass = readDouble(s, "OffsetPass", d.offsetPass);
    l.offsetWarn = readDouble(s, "OffsetWarn", d.offsetWarn);
    l.driftLimit = readDouble(s, "DriftLimit", d.driftLimit);
    const double minRecords = readDouble(s, "MinRecords", d.minRecords);
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
    s.endGroup();
}
