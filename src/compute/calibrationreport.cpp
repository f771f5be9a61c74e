#include "compute/calibrationreport.h"
#include "fields/entryfieldrules.h"
#include "model/datetime.h"
#include "model/numbertext.h"

namespace {
QString fieldText(double v, QStringView fieldName) {
    return numtext::fieldNumberText(v, findEntryFieldRule(fieldName)->places);
}

QString probeName(int probe) { return QStringLiteral("pH-%1").arg(probe + 1); }

QString signedFixed(double v, int places) {
    return (v >= 0 ? QStringLiteral("+") : QString()) + QString::number(v, 'f', places);
}
}  // namespace

CalibrationFieldTexts calibrationFieldTexts(double slope, double offset) {
    return {fieldText(slope, u"txtPH1Slope"), fieldText(offset, u"txtPH1Offset")};
}

std::pair<double, double> calibrationFieldValues(double slope, double offset) {
    const CalibrationFieldTexts t = calibrationFieldTexts(slope, offset);
    return {readNumber(t.slope).value_or(slope), readNumber(t.offset).value_or(offset)};
}

QString calibrationSummary(int probe, const CalibrationResult &r) {
    if (!r.ok) return QStringLiteral("%1: no result: %2").arg(probeName(probe), r.error);
    const CalibrationFieldTexts t = calibrationFieldTexts(r.slope, r.offset);
    QString text = QStringLiteral("%1 slope %2 (%3 % of Nernst) %4, offset %5 V (%6 mV) %7: %8")
                       .arg(probeName(probe), t.slope)
                       .arg(r.slopePercent(), 0, 'f', 2)
                       .arg(verdictText(r.slopeVerdict), t.offset)
                       .arg(r.offsetMV(), 0, 'f', 1)
                       .arg(verdictText(r.offsetVerdict), verdictText(r.verdict));
    if (!r.note.isEmpty()) text += QStringLiteral(" (") + r.note + u')';
    return text;
}

QStringList calibrationReportLines(int probe, const ProbeCalibration &c) {
    QStringList lines;
    if (!c.error.isEmpty()) return {QStringLiteral("%1: no result: %2").arg(probeName(probe), c.error)};
    for (std::size_t i = 0; i < c.points.size(); ++i) {
        const BufferPoint &p = c.points[i];
        QString line = QStringLiteral("%1 point %2: pH %3, %4 mV, %5 \u00B0C")
                           .arg(probeName(probe))
                           .arg(i + 1)
                           .arg(p.pH, 0, 'f', 3)
                           .arg(p.mV, 0, 'f', 2)
                           .arg(p.temperature, 0, 'f', 2);
        if (i < c.entries.size() && c.entries[i].table)
            line += QStringLiteral(" (%1)").arg(QLatin1String(c.entries[i].table->label));
        if (c.result.ok && i < c.result.residuals.size())
            line += QStringLiteral(", residual %1 pH").arg(signedFixed(c.result.residuals[i], 4));
        if (i < c.spans.size() && c.spans[i]) {
            const SpanStats &s = *c.spans[i];
            line += QStringLiteral("; records %1 to %2: %3").arg(s.fromRow).arg(s.toRow).arg(spanSummary(s));
        }
        lines << line;
    }
    lines << calibrationSummary(probe, c.result);
    return lines;
}
