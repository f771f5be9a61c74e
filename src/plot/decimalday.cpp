#include "plot/decimalday.h"

#include "model/datetime.h"

#include <cmath>

double dt2decimalday(const QString &myDT) { return dt::parse(myDT).value_or(0.0); }

namespace {
// Outside the years 100 to 9999 there is no date to write or read back. Serial days of
// 1 Jan 100 and 1 Jan 10000, as constants: no other file's start-up must be needed for them.
constexpr double lowest = -657434.0, highest = 2958466.0;
bool isDateTime(double x) { return std::isfinite(x) && x >= lowest && x < highest; }
}  // namespace

QString decimalday2dt(double x) {
    if (!isDateTime(x)) return {};
    const double w = std::floor(x) - 1.0;
    const long long s = static_cast<long long>((x - w - 1.0) * dt::kSecondsPerDay + 0.5);
    const double day = (w + 1.0) + double(s / 86400);
    if (day >= highest) return {};
    return dt::format(day + double(s % 86400) / dt::kSecondsPerDay, u"dd-mmm-yyyy hh:mm:ss");
}

double toDecimalDay(double dateTime) {
    if (!isDateTime(dateTime)) return 0.0;
    const double day = dt::fromParts(dt::toParts(dateTime));
    return day < highest ? day : 0.0;
}
