#include "qc/qcsettings.h"
#include "compute/columnvalues.h"
#include "model/deployment.h"

#include <QSettings>

namespace {
const char *const kQcGroup = "QualityFlags";
}  // namespace

QcThresholds loadQcThresholds(QSettings &s) {
    const QcThresholds d;
    QcThresholds t;
    s.beginGroup(QLatin1String(kQcGroup));
    for (const QcThresholdField &f : qcThresholdFields()) t.*f.value = storedDouble(s, f.key, d.*f.value);
    for (int m = 0; m < 12; ++m) {
        QcMonthSpan &span = t.climatology[std::size_t(m)];
        const QByteArray min = "ClimatologyMin" + QByteArray::number(m + 1),
                         max = "ClimatologyMax" + QByteArray::number(m + 1);
        span.set = s.contains(QLatin1String(min)) && s.contains(QLatin1String(max));
        span.min = storedDouble(s, min.constData(), 0);
        span.max = storedDouble(s, max.constData(), 0);
    }
    s.endGroup();
    if (!(t.gapMinutes >= kMinGapMinutes && t.gapMinutes <= kMaxGapMinutes)) t.gapMinutes = d.gapMinutes;
    return sensibleThresholds(t) ? t : d;
}

void saveQcThresholds(QSettings &s, const QcThresholds &t) {
    s.beginGroup(QLatin1String(kQcGroup));
    for (const QcThresholdField &f : qcThresholdFields()) s.setValue(QLatin1String(f.key), t.*f.value);
    for (int m = 0; m < 12; ++m) {
        const QcMonthSpan &span = t.climatology[std::size_t(m)];
        const QString min = QStringLiteral("ClimatologyMin%1").arg(m + 1),
                      max = QStringLiteral("ClimatologyMax%1").arg(m + 1);
        if (span.set) {
            s.setValue(min, span.min);
            s.setValue(max, span.max);
        } else {
            s.remove(min);
            s.remove(max);
        }
    }
    s.endGroup();
}

double loadGapMinutes(QSettings &s) {
    s.beginGroup(QLatin1String(kQcGroup));
    const double m = storedDouble(s, "GapMinutes", kDefaultGapMinutes);
    s.endGroup();
    return m >= kMinGapMinutes && m <= kMaxGapMinutes ? m : kDefaultGapMinutes;
}

void saveGapMinutes(QSettings &s, double minutes) {
    s.beginGroup(QLatin1String(kQcGroup));
    s.setValue(QStringLiteral("GapMinutes"), minutes);
    s.endGroup();
}
