#include "plot/ui/cachedlinegraph.h"

#include "plot/ui/qcpgraph.h"

#include <algorithm>
#include <cmath>
#include <limits>

void CachedLineGraph::rowAt(std::size_t row, double &day, float &value) const {
    m_source.points(row, row + 1, &day, &value);
}

std::size_t CachedLineGraph::rowFrom(double key) const {
    std::size_t lo = 0, hi = m_source.rows;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        double day = 0.0;
        float value = 0.0f;
        rowAt(mid, day, value);
        if (QcpGraph::dayToKey(day) < key)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

bool CachedLineGraph::detailLines(QVector<QCPGraphData> *lineData) const {
    const QCPAxis *axis = keyAxis();
    if (m_source.rows == 0 || !axis) return false;
    const QCPRange range = axis->range();
    const std::size_t first = rowFrom(range.lower), last = rowFrom(range.upper);
    const double pixels = std::abs(axis->coordToPixel(range.upper) - axis->coordToPixel(range.lower));
    // The envelope draws as the rows would while each pixel column has a bucket or more.
    if (double(last - first) >= 2.0 * pixels * double(m_source.perBucket)) return false;
    const std::size_t from = first > 0 ? first - 1 : 0, to = std::min(last + 1, m_source.rows);
    std::vector<double> days(to - from);
    std::vector<float> values(to - from);
    m_source.points(from, to, days.data(), values.data());
    QVector<QCPGraphData> rows(qsizetype(to - from));
    for (std::size_t i = 0; i < days.size(); ++i)
        rows[qsizetype(i)] = QCPGraphData(QcpGraph::dayToKey(days[i]), double(values[i]));
    QCPGraph::getOptimizedLineData(lineData, rows.constBegin(), rows.constEnd());
    return true;
}

void CachedLineGraph::getOptimizedLineData(QVector<QCPGraphData> *lineData,
                                           const QCPGraphDataContainer::const_iterator &begin,
                                           const QCPGraphDataContainer::const_iterator &end) const {
    if (!lineData) return;
    const Key key = keyFor(begin, end);
    if (m_cached && key == m_key) {
        *lineData = m_lines;
        return;
    }
    if (!detailLines(lineData)) QCPGraph::getOptimizedLineData(lineData, begin, end);
    insertBreaks(*lineData);
    if (!key.axis) return;
    m_key = key;
    m_lines = *lineData;
    m_cached = true;
}

CachedLineGraph::Key CachedLineGraph::keyFor(const QCPGraphDataContainer::const_iterator &begin,
                                             const QCPGraphDataContainer::const_iterator &end) const {
    Key k;
    const QCPAxis *axis = keyAxis();
    if (!axis || !axis->axisRect()) return k;
    const QCPGraphDataContainer &data = *mDataContainer;
    k.axis = axis;
    k.first = begin - data.constBegin();
    k.last = end - data.constBegin();
    k.size = data.size();
    k.lower = axis->range().lower;
    k.upper = axis->range().upper;
    k.rect = axis->axisRect()->rect();
    k.reversed = axis->rangeReversed();
    k.adaptive = adaptiveSampling();
    k.scale = int(axis->scaleType());
    return k;
}

void CachedLineGraph::insertBreaks(QVector<QCPGraphData> &lines) const {
    if (!m_breaks || m_breaks->empty() || lines.size() < 2) return;
    auto k = std::upper_bound(m_breaks->begin(), m_breaks->end(), lines.first().key);
    const auto kEnd = std::lower_bound(k, m_breaks->end(), lines.last().key);
    if (k == kEnd) return;
    QVector<QCPGraphData> out;
    out.reserve(lines.size() + qsizetype(kEnd - k));
    for (const QCPGraphData &d : std::as_const(lines)) {
        for (; k != kEnd && *k < d.key; ++k) out.append(QCPGraphData(*k, std::numeric_limits<double>::quiet_NaN()));
        out.append(d);
    }
    lines.swap(out);
}
