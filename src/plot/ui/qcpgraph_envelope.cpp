// Long series held as an envelope of their rows: see CachedLineGraph.
#include "plot/twohalves.h"
#include "plot/ui/cachedlinegraph.h"
#include "plot/ui/qcpgraph.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

namespace {

// Enough buckets that a whole series on the widest screen still has several a pixel column.
constexpr std::size_t kEnvelopeBuckets = 16384;
std::atomic<std::size_t> envelopeFrom{std::size_t(1) << 21};

}  // namespace

void QcpGraph::setEnvelopeFrom(std::size_t points) { envelopeFrom = points; }
std::size_t QcpGraph::envelopeFromPoints() { return envelopeFrom; }

CachedLineGraph &QcpGraph::lines(const Series &s) { return *static_cast<CachedLineGraph *>(s.graph); }

bool QcpGraph::holdEnvelope(Series &s, std::size_t n, const PointSource &points) {
    const std::size_t per = (n + kEnvelopeBuckets - 1) / kEnvelopeBuckets, buckets = (n + per - 1) / per;
    // Each half of the buckets into its own points; both halves must be in time order.
    QVector<QCPGraphData> half[2];
    ValueRange range[2];
    bool sorted[2] = {true, true};
    inTwoHalves(buckets, [&](std::size_t fromBucket, std::size_t toBucket) {
        const int h = fromBucket != 0;
        std::vector<double> x(per);
        std::vector<float> y(per);
        half[h].reserve(qsizetype((toBucket - fromBucket) * 5));
        double prev = -std::numeric_limits<double>::infinity();
        for (std::size_t b = fromBucket; b < toBucket && sorted[h]; ++b) {
            const std::size_t from = b * per, m = std::min(per, n - from);
            points(from, from + m, x.data(), y.data());
            std::size_t low = m, high = m, gap = m;
            for (std::size_t i = 0; i < m; ++i) {
                if (x[i] < prev) sorted[h] = false;
                prev = x[i];
                if (std::isnan(y[i])) {
                    if (gap == m) gap = i;
                    continue;
                }
                if (low == m || y[i] < y[low]) low = i;
                if (high == m || y[i] > y[high]) high = i;
            }
            std::size_t keep[5] = {0, m - 1, low, high, gap};
            std::sort(std::begin(keep), std::end(keep));
            for (std::size_t k = 0; k < 5; ++k)
                if (keep[k] < m && (k == 0 || keep[k] != keep[k - 1]))
                    half[h].append(QCPGraphData(dayToKey(x[keep[k]]), double(y[keep[k]])));
            if (low < m) {
                range[h].widen(double(y[low]));
                range[h].widen(double(y[high]));
            }
        }
    });
    // The halves join in order too: the second starts at or after the first's last row.
    if (!sorted[0] || !sorted[1] ||
        (!half[0].isEmpty() && !half[1].isEmpty() && half[1].first().key < half[0].last().key))
        return false;
    half[0].append(half[1]);
    s.graph->data()->set(half[0], true);
    lines(s).setSource({points, n, per});
    const ValueRange all = ValueRange::joined(range);
    s.values = all;
    s.rowOf.clear();
    s.x = {};
    s.y = {};
    s.staged = s.dirty = false;
    m_fullDirty = true;
    return true;
}
