#pragma once
// Statistics of a row range of the table, from an index rebuilt once per Compute so that any
// range costs a few blocks' work, not a pass over the table.
#include "compute/moments.h"

#include <QString>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

class DataTable;

enum StatSeries { statPH1, statPH2, statDpH, statT1, statT2, statT3, statFlow, kStatSeriesCount };
// pH-1 minus pH-2 of a row, to the pH's four decimals; NaN where either is missing. Whether
// the row was computed is the caller's question.
double dpHValue(const DataTable &table, int row);

// "pH-1", "pH-2", "dpH", "T1", "T2", "T3", "Flow Rate".
QString statSeriesName(int series);
// The decimals of each series' column: the pH as computed, the temperatures and the flow rate
// as the logger writes them.
inline constexpr int kStatDecimals[kStatSeriesCount] = {4, 4, 4, 2, 2, 2, 3};

// Values of the records that have one; with count 0 the others are 0.
struct SeriesStats {
    int count = 0;
    double min = 0, max = 0, mean = 0;
    double sd = 0;  // sample standard deviation; NaN (undefined) for a single value
};

// Rows of a block of the index: a range's statistics are the same whichever way its rows come.
inline constexpr int kStatisticsBlock = 512;
// The table column of a series; the total volume's after the last; -1 for dpH.
int statColumn(int series);
// A series' figures from its moments.
SeriesStats seriesStats(const Moments &m);

struct VolumeStats {
    int count = 0;  // records with a total volume
    double first = 0, last = 0, difference = 0;
};

struct RangeStats {
    int firstRow = 0, lastRow = -1;  // the rows looked at; none when lastRow < firstRow
    int records() const { return lastRow >= firstRow ? lastRow - firstRow + 1 : 0; }
    std::array<SeriesStats, kStatSeriesCount> series{};
    VolumeStats volume;
};

class StatisticsIndex {
public:
    // Reads the table; pH (and so dpH) count only for rows before computedRows.
    void rebuild(const DataTable &table, int computedRows);
    // The same for a table that has grown since: only the blocks of the new rows are made.
    void extend(const DataTable &table, int computedRows);
    void clear();
    int rows() const { return m_rows; }

    // Rows first..last (clipped to the table) of the table the index was built from.
    RangeStats range(const DataTable &table, int first, int last) const;
    // The same without the rows whose entry in `leaveOut` is not 0 (records marked bad): a
    // pass over the rows, as the blocks hold them all.
    RangeStats rangeLeavingOut(const DataTable &table, int first, int last,
                               const std::vector<std::uint8_t> &leaveOut) const;

    // The rows whose date-time lies in lo..hi (decimal days): first and last, or an empty
    // range (second < first). Binary search while the date-times ascend; otherwise the first
    // and the last row inside.
    std::pair<int, int> rowsBetween(const DataTable &table, double lo, double hi) const;

private:
    static constexpr int kBlock = kStatisticsBlock;
    static constexpr int kMoments = kStatSeriesCount + 1;  // the series and the total volume
    // Value of series s in row r, NaN where there is none.
    double value(const DataTable &t, int s, int r) const;
    void addRows(const DataTable &t, int from, int to, std::array<Moments, kMoments> &m) const;
    int firstVolumeRow(const DataTable &t, int from, int to) const;
    int lastVolumeRow(const DataTable &t, int from, int to) const;

    int m_rows = 0, m_cols = 0, m_computedRows = 0;
    bool m_ascending = true;
    std::vector<std::array<Moments, kMoments>> m_blocks;
    std::vector<int> m_blockFirstVolume, m_blockLastVolume;  // -1: none in the block
    // The last range's moments from its first row up to its last block: a log that grows asks
    // for the same first row again and again, and its thousands of blocks are merged once.
    struct Prefix {
        int first = -1, upTo = 0;  // rows first.. through the blocks before upTo
        std::array<Moments, kMoments> m{};
    };
    mutable Prefix m_prefix;
};
