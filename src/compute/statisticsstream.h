#pragma once
// The statistics of a range of rows that come in order, a block of the table at a time, and are
// not kept: the batch command's statistics of a log it streams. The result is the one the
// index of the whole table gives for the range, to the bit.
#include "compute/moments.h"
#include "compute/statistics.h"

#include <QString>
#include <array>
#include <vector>

class StatisticsStream {
public:
    // Rows from..to-1 of `table`, whose row 0 is the log's row `row0`; the table's rows from
    // `computed` on have no pH. Rows must come in order, each once, with none left out between.
    void add(const DataTable &table, int from, int to, int row0, int computed);
    // The range's statistics, with the log's row numbers.
    RangeStats result() const;
    // The date-time cells of the range's first and last row: the decimal day, or the text
    // where a record has no date-time.
    struct RowTime {
        double day = 0;
        QString text;
    };
    const RowTime &firstTime() const { return m_firstTime; }
    const RowTime &lastTime() const { return m_lastTime; }

private:
    static constexpr int kSeries = kStatSeriesCount + 1;  // and the total volume
    void closeBlock();

    int m_first = -1, m_last = -1;  // the log's rows seen
    std::array<Moments, kSeries> m_moments{};
    // The rows of the block under way: merged as one block once a later block starts, or added
    // one by one if the range ends in it (as the index adds a range's last, partial block).
    std::array<std::vector<double>, kSeries> m_block;
    int m_firstVolume = -1, m_lastVolume = -1;
    double m_firstVolumeValue = 0, m_lastVolumeValue = 0;
    RowTime m_firstTime, m_lastTime;
};
