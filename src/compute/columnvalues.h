#pragma once
// Small readers shared by the quality flags, the statistics and the remembered limits.
#include "model/datatable.h"

#include <QSettings>
#include <algorithm>
#include <cmath>
#include <limits>

// Rows first..first+count-1 of a column, NaN where there is none (a missing column, an empty
// cell, no number, a row from `upTo` on).
inline void readColumn(const DataTable &t, int col, int first, int count, int upTo, double *out) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    if (col > t.lastCol()) {
        std::fill(out, out + count, nan);
        return;
    }
    t.columnNumbers(col, first, count, out, nan);
    for (int k = std::max(0, upTo - first); k < count; ++k) out[k] = nan;
}

// The same rows read in place when the column holds them as wanted (no row from `upTo` on);
// otherwise copied into `scratch` (room for count).
inline const double *columnRows(const DataTable &t, int col, int first, int count, int upTo, double *scratch) {
    if (col >= 1 && col <= t.lastCol() && first + count <= upTo) return t.numbers(col).data() + first;
    readColumn(t, col, first, count, upTo, scratch);
    return scratch;
}

// A remembered number, or the fallback when the store holds none that is finite.
inline double storedDouble(QSettings &s, const char *key, double fallback) {
    bool ok = false;
    const double v = s.value(QLatin1String(key)).toDouble(&ok);
    return ok && std::isfinite(v) ? v : fallback;
}
