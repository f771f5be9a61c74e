// A log that grows: the appended points are drawn on the tail layer alone while the view would
// not change, and the value ranges are kept up as points come.
#include "plot/ui/qcpgraph.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// Past this many appended points a full redraw is as cheap, and the tail starts again.
constexpr int kTailPoints = 20000;
}  // namespace

void QcpGraph::ValueRange::widen(double v) {
    if (std::isnan(v)) return;
    lower = any ? std::min(lower, v) : v;
    upper = any ? std::max(upper, v) : v;
    any = true;
}

QcpGraph::ValueRange QcpGraph::ValueRange::joined(const ValueRange (&halves)[2]) {
    ValueRange all;
    all.known = true;
    for (const ValueRange &r : halves)
        if (r.any) {
            all.widen(r.lower);
            all.widen(r.upper);
        }
    return all;
}

QcpGraph::ValueRange QcpGraph::valueRangeOf(const float *y, std::size_t n) {
    // Comparisons with NaN are false, so gaps drop out without a branch of their own; eight
    // lanes side by side, as one chain of comparisons waits on itself at every point.
    constexpr std::size_t lanes = 8;
    float lo[lanes], hi[lanes];
    std::fill(lo, lo + lanes, std::numeric_limits<float>::infinity());
    std::fill(hi, hi + lanes, -std::numeric_limits<float>::infinity());
    std::size_t i = 0;
    for (; i + lanes <= n; i += lanes)
        for (std::size_t l = 0; l < lanes; ++l) {
            lo[l] = y[i + l] < lo[l] ? y[i + l] : lo[l];
            hi[l] = y[i + l] > hi[l] ? y[i + l] : hi[l];
        }
    for (; i < n; ++i) {
        lo[0] = y[i] < lo[0] ? y[i] : lo[0];
        hi[0] = y[i] > hi[0] ? y[i] : hi[0];
    }
    ValueRange r;
    r.known = true;
    const float low = *std::min_element(lo, lo + lanes), high = *std::max_element(hi, hi + lanes);
    if (low <= high) r = {true, true, double(low), double(high)};
    return r;
}

QcpGraph::ValueRange QcpGraph::seriesRange(Series &s) {
    if (!s.values.known) {
        bool found = false;
        const QCPRange r = s.graph->getValueRange(found);
        s.values = {true, found, r.lower, r.upper};
    }
    return s.values;
}

QcpGraph::ValueRange QcpGraph::valueRange(bool right) {
    ValueRange all;
    all.known = true;
    for (Series &s : m_series) {
        if (s.right != right || s.own) continue;
        const ValueRange r = seriesRange(s);
        if (!r.any) continue;
        all.widen(r.lower);
        all.widen(r.upper);
    }
    return all;
}

bool QcpGraph::tailFits() {
    if (m_flagsDirty) return false;
    for (const Series &s : m_series)
        if (s.tail->dataCount() > kTailPoints) return false;
    if (m_zoomed) return true;  // the view stays where the person put it
    if (m_xMode != kScaleManual) {
        // Autoscale takes the new records in: while they fall inside the room left at the
        // right, the axis would not move.
        const double shown = m_plot->xAxis->range().upper;
        for (const Series &s : m_series)
            if (!s.tail->data()->isEmpty() && (s.tail->data()->constEnd() - 1)->key > shown) return false;
        if (!m_flagTail->data()->isEmpty() && (m_flagTail->data()->constEnd() - 1)->key > shown) return false;
    }
    if (m_yMode != kScaleManual && !(valueRange(false) == m_drawnRange[0])) return false;
    for (Series &s : m_series) {
        const ValueRange r = s.own ? seriesRange(s) : ValueRange{};
        if (r.any && !(s.own->range().contains(r.lower) && s.own->range().contains(r.upper))) return false;
    }
    return valueRange(true) == m_drawnRange[1];  // the right axis always fits its data
}

void QcpGraph::clearTails() {
    for (Series &s : m_series) s.tail->data()->clear();
    m_flagTail->data()->clear();
}
