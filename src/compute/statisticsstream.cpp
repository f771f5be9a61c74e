#include "compute/statisticsstream.h"

#include "compute/phcompute.h"
#include "model/clsdataset.h"

#include <cmath>
#include <limits>

namespace {
constexpr double kNoStreamValue = std::numeric_limits<double>::quiet_NaN();
}  // namespace

void StatisticsStream::add(const DataTable &t, int from, int to, int row0, int computed) {
    if (from >= to) return;
    const auto timeOf = [&t](int r) {
        const double day = t.rowDay(r);
        return RowTime{day, std::isfinite(day) ? QString() : t.text(r, colDateTime)};
    };
    if (m_first < 0) {
        m_first = row0 + from;
        m_firstTime = timeOf(from);
    }
    m_lastTime = timeOf(to - 1);
    const int firstBlock = m_first / kStatisticsBlock;
    double x[kSeries];
    for (int r = from; r < to; ++r) {
        const int row = row0 + r;
        if (m_last >= 0 && row / kStatisticsBlock != m_last / kStatisticsBlock) closeBlock();
        m_last = row;
        for (int s = 0; s < kSeries; ++s) {
            if (s == statDpH) continue;
            const int col = statColumn(s);
            x[s] = (s == statPH1 || s == statPH2) && r >= computed ? kNoStreamValue : t.value(r, col);
        }
        const double d = x[statPH1] - x[statPH2];
        x[statDpH] = std::isnan(d) ? kNoStreamValue : roundPH(d);
        if (!std::isnan(x[kStatSeriesCount])) {
            if (m_firstVolume < 0) m_firstVolume = row, m_firstVolumeValue = x[kStatSeriesCount];
            m_lastVolume = row;
            m_lastVolumeValue = x[kStatSeriesCount];
        }
        // The range's first block is added row by row, as the index adds a partial block.
        for (int s = 0; s < kSeries; ++s) {
            if (row / kStatisticsBlock == firstBlock) {
                if (!std::isnan(x[s])) m_moments[std::size_t(s)].add(x[s]);
            } else {
                m_block[std::size_t(s)].push_back(x[s]);
            }
        }
    }
}

// A block that the range holds whole and that is not its last: one block's moments, merged.
void StatisticsStream::closeBlock() {
    for (int s = 0; s < kSeries; ++s) {
        std::vector<double> &v = m_block[std::size_t(s)];
        if (v.empty()) continue;
        const double *x = v.data();
        Moments block;
        blockMoments<1>(&x, int(v.size()), &block);
        m_moments[std::size_t(s)].merge(block);
        v.clear();
    }
}

RangeStats StatisticsStream::result() const {
    RangeStats out;
    out.firstRow = m_first < 0 ? 0 : m_first;
    out.lastRow = m_first < 0 ? -1 : m_last;
    std::array<Moments, kSeries> m = m_moments;
    for (int s = 0; s < kSeries; ++s)  // the last block, partial or not, row by row
        for (const double x : m_block[std::size_t(s)])
            if (!std::isnan(x)) m[std::size_t(s)].add(x);
    for (int s = 0; s < kStatSeriesCount; ++s)
        out.series[std::size_t(s)] = seriesStats(m[std::size_t(s)]);
    if (m_firstVolume >= 0) {
        out.volume.first = m_firstVolumeValue;
        out.volume.last = m_lastVolumeValue;
        out.volume.difference = out.volume.last - out.volume.first;
    }
    out.volume.count = m[kStatSeriesCount].count;
    return out;
}
