#include "compute/qualitysettings.h"
#include "compute/columnvalues.h"
#include "model/deployment.h"

#include <QSettings>
#include <cmath>

namespace {
const char *const kQualityGroup = "QualityFlags";

}  // namespace

bool sensibleLimits(const QualityLimits &l) {
    return l.disagree > 0 && l.spike > 0 && l.thermistors > 0 && l.flatRecords >= 2 && l.flatRecords <= 1000000;
}

QualityLimits loadQualityLimits(QSettings &s) {
    const QualityLimits d;
    QualityLimits l;
    s.beginGroup(QLatin1String(kQualityGroup));
    l.disagree = storedDouble(s, "Disagree", d.disagree);
    l.spike = storedDouble(s, "Spike", d.spike);
    l.thermistors = storedDouble(s, "Thermistors", d.thermistors);
    const double flat = storedDouble(s, "FlatRecords", d.flatRecords);
    l.flatRecords = flat >= 2 && flat <= 1e6 ? int(flat) : d.flatRecords;
    s.endGroup();
    // One bad value resets that value only.
    if (!(l.disagree > 0)) l.disagree = d.disagree;
    if (!(l.spike > 0)) l.spike = d.spike;
    if (!(l.thermistors > 0)) l.thermistors = d.thermistors;
    return l;
}

void saveQualityLimits(QSettings &s, const QualityLimits &l) {
    s.beginGroup(QLatin1String(kQualityGroup));
    s.setValue(QStringLiteral("Disagree"), l.disagree);
    s.setValue(QStringLiteral("Spike"), l.spike);
    s.setValue(QStringLiteral("Thermistors"), l.thermistors);
    s.setValue(QStringLiteral("FlatRecords"), l.flatRecords);
    s.endGroup();
}

double loadGapMinutes(QSettings &s) {
    s.beginGroup(QLatin1String(kQualityGroup));
    const double m = storedDouble(s, "GapMinutes", kDefaultGapMinutes);
    s.endGroup();
    return m >= kMinGapMinutes && m <= kMaxGapMinutes ? m : kDefaultGapMinutes;
}

void saveGapMinutes(QSettings &s, double minutes) {
    s.beginGroup(QLatin1String(kQualityGroup));
    s.setValue(QStringLiteral("GapMinutes"), minutes);
    s.endGroup();
}
