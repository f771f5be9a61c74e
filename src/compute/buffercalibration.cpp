#include "compute/buffercalibration.h"
#include "compute/calibrationreport.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>

QString verdictText(Verdict v) {
    switch (v) {
    case Verdict::Pass: return QStringLiteral("pass");
    case Verdict::Warn: return QStringLiteral("warn");
    case Verdict::Fail: break;
    }
    return QStringLiteral("fail");
}

Verdict worse(Verdict a, Verdict b) { return std::max(a, b); }

namespace {
// Limits are typed with two places; a computed 110 % may come out as 110.00000000000001.
constexpr double kEdge = 1e-9;

bool within(double v, double low, double high) { return v >= low - kEdge && v <= high + kEdge; }

// The x of the fit: what a 100 % slope gives in volts at that pH and temperature.
double nernstVolts(const BufferPoint &p) {
    return (p.pH - kNeutralPH) * (p.temperature + kKelvinOffset) * kNernstFactor;
}

QString ph(double v) { return QString::number(v, 'f', 3); }

CalibrationResult failure(QString why) {
    CalibrationResult r;
    r.error = std::move(why);
    return r;
}

QString number(double v) { return QString::number(v, 'g', 6); }

// "point 2" or "points 1 and 3".
QString pointList(const std::vector<int> &numbers) {
    QStringList n;
    for (int i : numbers) n << QString::number(i);
    const QString last = n.takeLast();
    return n.isEmpty() ? QStringLiteral("point ") + last
                       : QStringLiteral("points %1 and %2").arg(n.join(QStringLiteral(", ")), last);
}

std::optional<QString> checkPoints(const std::vector<BufferPoint> &points, const CalibrationLimits &limits) {
    if (points.empty()) return QStringLiteral("No buffer points.");
    if (int(points.size()) > kMaxBufferPoints)
        return QStringLiteral("At most %1 buffer points (%2 given).").arg(kMaxBufferPoints).arg(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const BufferPoint &p = points[i];
        if (!std::isfinite(p.pH) || !std::isfinite(p.mV) || !std::isfinite(p.temperature))
            return QStringLiteral("Point %1: the pH, the reading and the temperature must be numbers.").arg(i + 1);
        if (p.temperature + kKelvinOffset <= 0.0)
            return QStringLiteral("Point %1: the temperature is at or below absolute zero.").arg(i + 1);
        if (std::fabs(p.mV) > kMaxPointMV)
            return QStringLiteral("Point %1: the reading %2 mV is beyond \u00B1%3 mV.")
                .arg(i + 1)
                .arg(number(p.mV))
                .arg(kMaxPointMV);
        if (p.temperature < kMinPointTemperature || p.temperature > kMaxPointTemperature)
            return QStringLiteral("Point %1: the temperature %2 \u00B0C is outside %3 to %4 \u00B0C.")
                .arg(i + 1)
                .arg(number(p.temperature))
                .arg(kMinPointTemperature)
                .arg(kMaxPointTemperature);
    }
    if (points.size() == 2 && points[0].pH == points[1].pH)
        return QStringLiteral("Points 1 and 2 have the same pH (%1): two points need two different buffers.")
            .arg(ph(points[0].pH));
    if (points.size() > 2 &&
        std::all_of(points.begin(), points.end(), [&](const BufferPoint &p) { return p.pH == points[0].pH; }))
        return QStringLiteral("All points have the same pH (%1): the slope needs at least two different buffers.")
            .arg(ph(points[0].pH));
    if (points.size() > 1) {
        const auto [lo, hi] = std::minmax_element(
            points.begin(), points.end(), [](const BufferPoint &a, const BufferPoint &b) { return a.pH < b.pH; });
        if (hi->pH - lo->pH < limits.minPHSpan - kEdge)
            return QStringLiteral("The buffer points span only %1 pH (%2 to %3): two or more points must span at "
                                  "least %4 pH.")
                .arg(hi->pH - lo->pH, 0, 'f', 3)
                .arg(ph(lo->pH), ph(hi->pH))
                .arg(limits.minPHSpan, 0, 'f', 2);
    }
    return std::nullopt;
}
}  // namespace

Verdict judgeSlope(double percent, const CalibrationLimits &l) {
    if (within(percent, l.slopePassLow, l.slopePassHigh)) return Verdict::Pass;
    if (within(percent, l.slopeWarnLow, l.slopeWarnHigh)) return Verdict::Warn;
    return Verdict::Fail;
}

Verdict judgeOffset(double mV, const CalibrationLimits &l) {
    if (within(mV, -l.offsetPass, l.offsetPass)) return Verdict::Pass;
    if (within(mV, -l.offsetWarn, l.offsetWarn)) return Verdict::Warn;
    return Verdict::Fail;
}

CalibrationResult calibrate(const std::vector<BufferPoint> &points, double currentSlope,
                            const CalibrationLimits &limits) {
    if (auto why = checkPoints(points, limits)) return failure(*why);
    const std::size_t n = points.size();
    std::vector<double> x(n), E(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = nernstVolts(points[i]);
        E[i] = points[i].mV / kMillivoltsPerVolt;
    }

    double s = currentSlope, o = 0.0;
    if (n == 1) {
        if (!std::isfinite(s))
            return failure(QStringLiteral("One point keeps the slope, and the current slope is not a number."));
        if (s == 0.0) return failure(QStringLiteral("One point keeps the slope, and the current slope is 0."));
        o = E[0] - s * x[0];
    } else if (n == 2) {
        if (x[1] == x[0]) return failure(QStringLiteral("The two points do not fix a slope."));
        s = (E[1] - E[0]) / (x[1] - x[0]);
        o = E[0] - s * x[0];
    } else {
        double mx = 0, mE = 0;
        for (std::size_t i = 0; i < n; ++i) mx += x[i], mE += E[i];
        mx /= double(n);
        mE /= double(n);
        double sxx = 0, sxE = 0;
        for (std::size_t i = 0; i < n; ++i) sxx += (x[i] - mx) * (x[i] - mx), sxE += (x[i] - mx) * (E[i] - mE);
        if (sxx == 0.0) return failure(QStringLiteral("The points do not fix a slope."));
        s = sxE / sxx;
        o = mE - s * mx;
    }
    if (n > 1 && s == 0.0)
        return failure(QStringLiteral("The fit gives a slope of 0: the readings do not change with the pH."));
    if (!std::isfinite(s) || !std::isfinite(o))
        return failure(QStringLiteral("The fit gives a slope or an offset that is not a finite number."));

    CalibrationResult r;
    r.fittedSlope = s;
    r.fittedOffset = o;
    std::tie(s, o) = calibrationFieldValues(s, o);
    if (s == 0.0)
        return failure(QStringLiteral("The fit gives a slope of 0 on the field's four places: the readings hardly "
                                      "change with the pH."));
    r.ok = true;
    r.slope = s;
    r.offset = o;
    for (std::size_t i = 0; i < n; ++i) {
        const double K = points[i].temperature + kKelvinOffset;
        r.residuals.push_back((E[i] - o) / (K * kNernstFactor * s) + kNeutralPH - points[i].pH);
    }
    r.slopeVerdict = judgeSlope(r.slopePercent(), limits);
    r.offsetVerdict = judgeOffset(r.offsetMV(), limits);
    QStringList notes;
    if (s < 0.0) {
        r.slopeVerdict = Verdict::Fail;
        notes << (n == 1 ? QStringLiteral("The current slope is negative: a higher reading must give a higher pH.")
                         : QStringLiteral("The slope is negative: the buffer points look swapped (this instrument's "
                                          "reading rises with pH, the opposite of a bench meter's mV: a higher "
                                          "reading must give a higher pH)."));
    }
    r.verdict = worse(r.slopeVerdict, r.offsetVerdict);
    std::vector<int> unstable;
    for (std::size_t i = 0; i < n; ++i)
        if (points[i].unstable) unstable.push_back(int(i) + 1);
    if (!unstable.empty()) {
        r.verdict = worse(r.verdict, Verdict::Warn);
        notes << QStringLiteral("At most warn: %1 %2 from a span that is not stable.")
                     .arg(pointList(unstable), unstable.size() == 1 ? u"is" : u"are");
    }
    r.note = notes.join(u' ');
    return r;
}
