#include "compute/statistics.h"
#include "compute/columnvalues.h"
#include "compute/moments.h"

#include "compute/phcompute.h"
#include "model/clsdataset.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();
const int kColumns[] = {colPH1, colPH2, -1, colTherm1, colTherm2, colTherm3, colFlowRate, colTotalVolume};

double cellValue(const DataTable &t, int r, int col) { return t.value(r, col); }
}  // namespace

double dpHValue(const DataTable &t, int row) {
    const double d = cellValue(t, row, colPH1) - cellValue(t, row, colPH2);
    return std::isnan(d) ? d : roundPH(d);  // 7.1234 - 7 is 0.12340000000000018 in binary
}

int statColumn(int series) { return kColumns[series]; }

SeriesStats seriesStats(const Moments &x) {
    SeriesStats o;
    o.count = x.count;
    if (x.count == 0) return o;
    o.min = x.min;
    o.max = x.max;
    o.mean = x.mean;
    o.sd = x.count > 1 ? std::sqrt(std::max(0.0, x.m2 / (x.count - 1))) : std::numeric_limits<double>::quiet_NaN();
    return o;
}

QString statSeriesName(int series) {
    static const char *const names[kStatSeriesCount] = {"pH-1", "pH-2", "dpH", "T1", "T2", "T3", "Flow Rate"};
    return series >= 0 && series < kStatSeriesCount ? QString::fromLatin1(names[series]) : QString();
}

double StatisticsIndex::value(const DataTable &t, int s, int r) const {
    if (s == statDpH) return r < m_computedRows ? dpHValue(t, r) : kNoValue;
    if ((s == statPH1 || s == statPH2) && r >= m_computedRows) return kNoValue;
    return cellValue(t, r, kColumns[s]);
}

void StatisticsIndex::addRows(const DataTable &t, int from, int to, std::array<Moments, kMoments> &m) const {
    for (int r = from; r <= to; ++r)
        for (int s = 0; s < kMoments; ++s) {
            const double x = value(t, s, r);
            if (!std::isnan(x)) m[std::size_t(s)].add(x);
        }
}

int StatisticsIndex::firstVolumeRow(const DataTable &t, int from, int to) const {
    for (int r = from; r <= to; ++r)
        if (!std::isnan(cellValue(t, r, colTotalVolume))) return r;
    return -1;
}

int StatisticsIndex::lastVolumeRow(const DataTable &t, int from, int to) const {
    for (int r = to; r >= from; --r)
        if (!std::isnan(cellValue(t, r, colTotalVolume))) return r;
    return -1;
}

void StatisticsIndex::clear() {
    m_rows = m_cols = m_computedRows = 0;
    m_ascending = true;
    m_blocks.clear();
    m_blockFirstVolume.clear();
    m_blockLastVolume.clear();
    m_prefix = {};
}

void StatisticsIndex::rebuild(const DataTable &t, int computedRows) {
    clear();
    extend(t, computedRows);
}

void StatisticsIndex::extend(const DataTable &t, int computedRows) {
    const int rows = t.rowCount();
    computedRows = std::clamp(computedRows, 0, rows);
    // Appended rows only; anything else changes blocks already made.
    if (rows < m_rows || t.colCount() != m_cols || computedRows < std::min(m_computedRows, m_rows) ||
        (m_computedRows < m_rows && computedRows != m_computedRows)) {
        if (m_rows > 0 || m_cols != t.colCount()) clear();
    }
    const int oldRows = m_rows;
    m_rows = rows;
    m_cols = t.colCount();
    m_computedRows = computedRows;
    const int blocks = (m_rows + kBlock - 1) / kBlock;
    const int firstBlock = oldRows / kBlock;        // the last old block may have been partial
    if (m_prefix.upTo > firstBlock) m_prefix = {};  // it read blocks made again here
    m_blocks.resize(std::size_t(blocks));
    m_blockFirstVolume.resize(std::size_t(blocks), -1);
    m_blockLastVolume.resize(std::size_t(blocks), -1);

    std::array<double, kBlock> dpH{};
    std::array<std::array<double, kBlock>, kMoments> scratch;
    std::array<const double *, kMoments> v{};
    for (int b = firstBlock; b < blocks; ++b) {
        m_blockFirstVolume[std::size_t(b)] = m_blockLastVolume[std::size_t(b)] = -1;
        const int from = b * kBlock, m = std::min(m_rows, from + kBlock) - from;
        for (int s = 0; s < kMoments; ++s) {
            if (s == statDpH) continue;
            v[std::size_t(s)] = columnRows(t, kColumns[s], from, m, s <= statPH2 ? m_computedRows : m_rows,
                                           scratch[std::size_t(s)].data());
        }
        for (int k = 0; k < m; ++k) {
            const double d = v[statPH1][k] - v[statPH2][k];
            dpH[std::size_t(k)] = std::isnan(d) ? kNoValue : roundPH(d);
        }
        v[statDpH] = dpH.data();
        std::array<Moments, kMoments> &mo = m_blocks[std::size_t(b)];
        static_assert(kMoments % 4 == 0);
        for (int s = 0; s < kMoments; s += 4) blockMoments<4>(&v[std::size_t(s)], m, &mo[std::size_t(s)]);
        if (mo[kStatSeriesCount].count > 0) {  // the total volume: its first and last row in the block
            const double *x = v[kStatSeriesCount];
            int k = 0;
            while (std::isnan(x[k])) ++k;
            m_blockFirstVolume[std::size_t(b)] = from + k;
            k = m - 1;
            while (std::isnan(x[k])) --k;
            m_blockLastVolume[std::size_t(b)] = from + k;
        }
    }
    const std::span<const double> days = t.days();
    double previous = oldRows > 0 ? days[std::size_t(oldRows - 1)] : -std::numeric_limits<double>::infinity();
    for (int r = oldRows; r < m_rows && m_ascending; ++r) {
        const double day = days[std::size_t(r)];
        m_ascending = day >= previous;  // false for NaN too
        previous = day;
    }
}

namespace {
// The total volume's first and last value of the rows looked at (-1: none had one).
void setVolume(RangeStats &out, const DataTable &t, int firstV, int lastV, int count) {
    if (firstV >= 0) {
        out.volume.first = cellValue(t, firstV, colTotalVolume);
        out.volume.last = cellValue(t, lastV, colTotalVolume);
        out.volume.difference = out.volume.last - out.volume.first;
    }
    out.volume.count = count;
}
}  // namespace

RangeStats StatisticsIndex::range(const DataTable &t, int first, int last) const {
    RangeStats out;
    // A table that changed shape since the rebuild would be read out of bounds.
    const int rows = std::min(m_rows, t.rowCount());
    first = std::max(first, 0);
    last = std::min(last, rows - 1);
    out.firstRow = first;
    out.lastRow = last;
    if (last < first || t.colCount() != m_cols) {
        out.lastRow = first - 1;
        return out;
    }

    std::array<Moments, kMoments> m{};
    const int fb = first / kBlock, lb = last / kBlock;
    if (fb == lb) {
        addRows(t, first, last, m);
    } else {
        int b = fb + 1;
        if (m_prefix.first == first && m_prefix.upTo >= b && m_prefix.upTo <= lb) {
            m = m_prefix.m;  // the same merges in the same order, made before
            b = m_prefix.upTo;
        } else {
            addRows(t, first, (fb + 1) * kBlock - 1, m);
        }
        for (; b < lb; ++b)
            for (int s = 0; s < kMoments; ++s) m[std::size_t(s)].merge(m_blocks[std::size_t(b)][std::size_t(s)]);
        m_prefix = {first, lb, m};
        addRows(t, lb * kBlock, last, m);
    }
    for (int s = 0; s < kStatSeriesCount; ++s) out.series[std::size_t(s)] = seriesStats(m[std::size_t(s)]);

    // Total volume: the first and last rows that hold one, through the blocks' own.
    int firstV = -1, lastV = -1;
    if (fb == lb) {
        firstV = firstVolumeRow(t, first, last);
        lastV = firstV < 0 ? -1 : lastVolumeRow(t, first, last);
    } else {
        firstV = firstVolumeRow(t, first, (fb + 1) * kBlock - 1);
        for (int b = fb + 1; firstV < 0 && b < lb; ++b) firstV = m_blockFirstVolume[std::size_t(b)];
        if (firstV < 0) firstV = firstVolumeRow(t, lb * kBlock, last);
        lastV = lastVolumeRow(t, lb * kBlock, last);
        for (int b = lb - 1; lastV < 0 && b > fb; --b) lastV = m_blockLastVolume[std::size_t(b)];
        if (lastV < 0) lastV = lastVolumeRow(t, first, (fb + 1) * kBlock - 1);
    }
    setVolume(out, t, firstV, lastV, m[kStatSeriesCount].count);
    return out;
}

RangeStats StatisticsIndex::rangeLeavingOut(const DataTable &t, int first, int last,
                                            const std::vector<std::uint8_t> &leaveOut) const {
    RangeStats out;
    const int rows = std::min(m_rows, t.rowCount());
    out.firstRow = first = std::max(first, 0);
    out.lastRow = last = std::min(last, rows - 1);
    if (last < first || t.colCount() != m_cols) {
        out.lastRow = first - 1;
        return out;
    }
    auto kept = [&](int r) { return std::size_t(r) >= leaveOut.size() || leaveOut[std::size_t(r)] == 0; };
    std::array<Moments, kMoments> m{};
    int firstV = -1, lastV = -1;
    for (int r = first; r <= last; ++r) {
        if (!kept(r)) continue;
        addRows(t, r, r, m);
        if (!std::isnan(cellValue(t, r, colTotalVolume))) {
            if (firstV < 0) firstV = r;
            lastV = r;
        }
    }
    for (int s = 0; s < kStatSeriesCount; ++s) out.series[std::size_t(s)] = seriesStats(m[std::size_t(s)]);
    setVolume(out, t, firstV, lastV, m[kStatSeriesCount].count);
    return out;
}

std::pair<int, int> StatisticsIndex::rowsBetween(const DataTable &t, double lo, double hi) const {
    const int n = std::min(m_rows, t.rowCount());
    if (n == 0 || !(lo <= hi)) return {0, -1};
    const std::span<const double> days = t.days();
    if (m_ascending) {
        int a = 0, b = n;  // first row with day >= lo
        while (a < b) {
            const int mid = a + (b - a) / 2;
            if (days[std::size_t(mid)] < lo)
                a = mid + 1;
            else
                b = mid;
        }
        int c = a, d = n;  // first row with day > hi
        while (c < d) {
            const int mid = c + (d - c) / 2;
            if (days[std::size_t(mid)] <= hi)
                c = mid + 1;
            else
                d = mid;
        }
        return {a, c - 1};
    }
    auto inside = [&](int r) {
        const double day = days[std::size_t(r)];
        return day >= lo && day <= hi;
    };
    int first = 0;
    while (first < n && !inside(first)) ++first;
    if (first == n) return {0, -1};
    int last = n - 1;
    while (!inside(last)) --last;
    return {first, last};
}
