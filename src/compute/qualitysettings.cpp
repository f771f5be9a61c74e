#include "compute/qualitysettings.h"

#include <QSettings>
#include <cmath>

namespace {
const char *const kGroup = "QualityFlags";

double readDouble(QSettings &s, const char *key, double fallback) {
    bool ok = false;
    const double v = s.value(QLatin1String(key)).toDouble(&ok);
    return ok && std::isfinite(v) ? v : fallback;
}
}  // namespace

bool sensibleLimits(const QualityLimits &l) {
    return l.disagree > 0 && l.spike > 0 && l.thermistors > 0 && l.flatRecords >= 2 && l.flatRecords <= 1000000;
}

QualityLimits loadQualityLimits(QSettings &s) {
    const QualityLimits d;
    QualityLimits l;
    s.beginGroup(QLatin1String(kGroup));
    l.disagree = readDouble(s, "Disagree", d.disagree);
    l.spike = readDouble(s, "Spike", d.spike);
    l.thermistors = readDouble(s, "Thermistors", d.thermistors);
    const double flat = readDouble(s, "FlatRecords", d.flatRecords);
    l.flatRecords = flat >= 2 && flat <= 1e6 ? int(flat) : d.flatRecords;
    s.endGroup();
    // One bad value resets that value only.
    if (!(l.disagree > 0)) l.disagree = d.disagree;
    if (!(l.spike > 0)) l.spike = d.spike;
    if (!(l.thermistors > 0)) l.thermistors = d.thermistors;
    return l;
}

void saveQualityLimits(QSettings &s, const QualityLimits &l) {
    s.beginGroup(QLatin1String(kGroup));
    s.setValue(QStringLiteral("Disagree"), l.disagree);
    s.setValue(QStringLiteral("Spike"), l.spike);
    s.setValue(QStringLiteral("Thermistors"), l.thermistors);
    s.setValue(QStringLiteral("FlatRecords"), l.flatRecords);
    s.endGroup();
}
