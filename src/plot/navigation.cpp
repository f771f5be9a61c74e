#include "plot/navigation.h"

#include "model/clsdataset.h"
#include "model/datetime.h"
#include "model/numbertext.h"
#include "plot/graph.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double kMinute = 60.0 / dt::kSecondsPerDay;

// Whole seconds from a to b.
long long secondsBetween(double a, double b) { return std::llround((b - a) * dt::kSecondsPerDay); }

// Number of records that can be looked at; rowcount and the table agree once trimmed.
int recordCount(clsDataSet &dataSet) {
    if (!dataSet.isInitialized()) return 0;
    return std::min(dataSet.rowcount(), dataSet.DATA().rowCount());
}

// A row whose column 0 is no date-time counts as the zero date-time.
double rowDate(const DataTable &table, int row) {
    const double d = table.rowDay(row);
    return std::isnan(d) ? 0.0 : d;
}

}  // namespace

double getNextClosestDate(double target, bool up, clsDataSet &dataSet) {
    const int count = recordCount(dataSet);
    if (count == 0) return 0.0;
    const DataTable &table = dataSet.DATA();
    const int n = count - 1;
    // The first row at or after target; i == n + 1 when every record lies before it, and
    // `found` is then row n's date-time.
    int i = 0;
    if (count == table.rowCount() && table.daysAscending()) {
        int lo = 0, hi = count;  // rows before lo lie before target, rows from hi on do not
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (rowDate(table, mid) < target)
                lo = mid + 1;
            else
                hi = mid;
        }
        i = lo;
    } else {
        while (i <= n && rowDate(table, i) < target) ++i;
    }
    const double found = rowDate(table, std::min(i, n));
    if (i != 0 && i != n) {
        const long long toFound = std::llabs(secondsBetween(target, found));
        const long long toPrevious = std::llabs(secondsBetween(target, rowDate(table, i - 1)));
        if (toPrevious < toFound) --i;
    }
    i += up ? 1 : -1;
    if (i < 0) i = 0;
    if (i > n) i = n;
    return rowDate(table, i);
}

std::optional<double> stepTimeRange(int index, const QString &fieldText, clsDataSet &dataSet) {
    const int count = recordCount(dataSet);
    if (count == 0 || index < kStepStart || index > kStepEnd) return std::nullopt;
    const DataTable &table = dataSet.DATA();
    const double first = rowDate(table, 0), last = rowDate(table, count - 1);
    if (index == kStepStart) return first;
    if (index == kStepEnd) return last;
    const std::optional<double> cur = dt::parse(fieldText);
    if (!cur) return std::nullopt;
    switch (index) {
    case kStepBackMore: {
        const double v = *cur - kMinute;
        return secondsBetween(v, first) >= 1 ? first : v;
    }
    case kStepBack: return getNextClosestDate(*cur, false, dataSet);
    case kStepForward: return getNextClosestDate(*cur, true, dataSet);
    default: {
        const double v = *cur + kMinute;
        return secondsBetween(last, v) >= 1 ? last : v;
    }
    }
}

QString rangeFieldText(double dateTime) { return dt::format(dateTime, u"mm/d/yyyy Hh:Nn:Ss"); }

std::optional<QString> stepTimeRangeText(int index, const QString &fieldText, clsDataSet &dataSet) {
    const std::optional<double> v = stepTimeRange(index, fieldText, dataSet);
    if (!v) return std::nullopt;
    return rangeFieldText(*v);
}

std::optional<QString> stepYLimit(int index, const QString &fieldText) {
    static const double changes[] = {1.0, 0.1, -1.0, -0.1};
    if (index < 0 || index > 3) return std::nullopt;
    const std::optional<double> cur = readNumber(fieldText);
    if (!cur) return std::nullopt;
    QString text = QString::number(*cur + changes[index], 'f', 1);
    if (text == QLatin1String("-0.0")) text = QStringLiteral("0.0");  // 0.1 - 0.1 in binary
    return text;
}

std::optional<int> stepRecord(int index, int current, int rowcount) {
    if (rowcount <= 0) return std::nullopt;
    const int last = rowcount - 1;
    int row;
    switch (index) {
    case kStepStart: row = 0; break;
    case kStepBackMore: row = current - 10; break;
    case kStepBack: row = current - 1; break;
    case kStepForward: row = current + 1; break;
    case kStepForwardMore: row = current + 10; break;
    case kStepEnd: row = last; break;
    default: return std::nullopt;
    }
    // A grid without a current row (-1) still lands on a record.
    return std::clamp(row, 0, last);
}

bool isAnnotationInView(double x, double lo, double hi) {
    return (lo == kUnzoomedLo && hi == kUnzoomedHi) || (lo < x && x < hi);
}

bool isAnnotationInView(const IGraph &graph) {
    return isAnnotationInView(graph.markerPosition(), graph.zoomedXMin(), graph.zoomedXMax());
}

QString annotationStatusText(bool inView, bool force) {
    return inView || force ? QStringLiteral("Annotation is in view")
                           : QStringLiteral("Annotation is NOT in view - zoom out");
}

void ZoomController::autoscaleClicked(bool autoscaleTicked) {
    if (autoscaleTicked)
        run(m_hooks.disableRangeControls);
    else if (!m_zoomed)
        run(m_hooks.enableRangeControls);
    run(m_hooks.rebuildPlot);
}

void ZoomController::zoomIn() {
    m_zoomed = true;
    run(m_hooks.disableRangeControls);
    if (m_hooks.showAnnotationStatus) m_hooks.showAnnotationStatus(false);
}

void ZoomController::zoomOut(bool autoscaleTicked) {
    m_zoomed = false;
    run(autoscaleTicked ? m_hooks.disableRangeControls : m_hooks.enableRangeControls);
    if (m_hooks.showAnnotationStatus) m_hooks.showAnnotationStatus(true);
}

int nearestRecord(clsDataSet &dataSet, double day, int onDateOf) {
    const int count = recordCount(dataSet);
    if (count == 0 || !std::isfinite(day)) return -1;
    const DataTable &table = dataSet.DATA();
    if (day >= 0.0 && day < 1.0) {
        const double date = table.rowDay(std::clamp(onDateOf, 0, count - 1));
        if (std::isfinite(date)) day += std::floor(date);
    }
    int best = -1;
    double bestGap = 0.0;
    for (int r = 0; r < count; ++r) {
        const double gap = std::abs(table.rowDay(r) - day);
        if (!std::isnan(gap) && (best < 0 || gap < bestGap)) {
            best = r;
            bestGap = gap;
        }
    }
    return best;
}
