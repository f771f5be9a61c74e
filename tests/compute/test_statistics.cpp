#include "compute/phcompute.h"
#include "compute/statistics.h"
#include "model/clsdataset.h"
#include "model/datetime.h"

#include <gtest/gtest.h>
#include <cmath>
#include <random>

namespace {

struct Expect {
    int count = 0;
    double min = 0, max = 0, mean = 0, sd = 0;
};

// Two-pass statistics of the values the test itself picks out of the table.
Expect direct(const std::vector<double> &v) {
    Expect e;
    e.count = int(v.size());
    if (v.empty()) return e;
    e.min = *std::min_element(v.begin(), v.end());
    e.max = *std::max_element(v.begin(), v.end());
    double sum = 0;
    for (double x : v) sum += x;
    e.mean = sum / double(v.size());
    double ss = 0;
    for (double x : v) ss += (x - e.mean) * (x - e.mean);
    e.sd = v.size() > 1 ? std::sqrt(ss / double(v.size() - 1)) : std::nan("");  // undefined for one value
    return e;
}

// 1,700 records, 10 s apart, spanning several index blocks, with gaps of every kind: empty
// flow cells, a thermistor text that is no number, total volume missing at both ends.
struct Log {
    clsDataSet ds;
    static constexpr int kRows = 1700;
    explicit Log(unsigned seed = 7) {
        std::mt19937 rng(seed);
        std::normal_distribution<double> ph(7.2, 0.05), temp(18.0, 0.4);
        const double start = dt::fromParts({2004, 5, 13, 8, 0, 0});
        for (int r = 0; r < kRows; ++r) {
            std::vector<Cell> c(11, Cell(0.0));
            c[colDateTime] = Cell(dt::recordText(start + r * 10.0 / 86400.0));
            c[colTherm1] = Cell(temp(rng));
            c[colTherm2] = r % 97 == 0 ? Cell("--") : Cell(temp(rng));
            c[colTherm3] = Cell(temp(rng));
            c[colPH1] = Cell(roundPH(ph(rng)));
            c[colPH2] = Cell(roundPH(ph(rng)));
            c[colFlowRate] = r % 5 == 0 ? Cell() : Cell(1.0 + r % 7);
            c[colTotalVolume] = r < 3 || r >= kRows - 2 ? Cell() : Cell(100.0 + r * 0.25);
            ds.add(c);
        }
    }
    DataTable &t() { return ds.DATA(); }
};

std::vector<double> pick(DataTable &t, int s, int first, int last, int computed) {
    std::vector<double> v;
    for (int r = first; r <= last; ++r) {
        const bool ph = s == statPH1 || s == statPH2 || s == statDpH;
        if (ph && r >= computed) continue;
        auto num = [&](int col) -> std::optional<double> {
            return t.cell(r, col).isEmpty() ? std::nullopt : t.number(r, col);
        };
        std::optional<double> x;
        if (s == statDpH) {
            const auto a = num(colPH1), b = num(colPH2);
            if (a && b) x = std::round((*a - *b) * 1e4) / 1e4;
        } else {
            const int cols[] = {colPH1, colPH2, 0, colTherm1, colTherm2, colTherm3, colFlowRate};
            x = num(cols[s]);
        }
        if (x) v.push_back(*x);
    }
    return v;
}

void expectRange(Log &log, const StatisticsIndex &index, int first, int last, int computed) {
    const RangeStats got = index.range(log.t(), first, last);
    EXPECT_EQ(got.firstRow, first);
    EXPECT_EQ(got.lastRow, last);
    for (int s = 0; s < kStatSeriesCount; ++s) {
        const Expect e = direct(pick(log.t(), s, first, last, computed));
        const SeriesStats &g = got.series[std::size_t(s)];
        SCOPED_TRACE(statSeriesName(s).toStdString() + " rows " + std::to_string(first) + ".." + std::to_string(last));
        EXPECT_EQ(g.count, e.count);
        EXPECT_EQ(g.min, e.min);
        EXPECT_EQ(g.max, e.max);
        EXPECT_NEAR(g.mean, e.mean, 1e-9);
        if (e.count == 1)
            EXPECT_TRUE(std::isnan(g.sd)) << g.sd;
        else
            EXPECT_NEAR(g.sd, e.sd, 1e-9);
        EXPECT_FALSE(std::isnan(g.mean) || std::isnan(g.min));
    }
}

}  // namespace

TEST(Statistics, RangesWithinAndAcrossBlocksMatchDirectComputation) {
    Log log;
    StatisticsIndex index;
    const int computed = 1450;  // the computation stopped at record 1450
    index.rebuild(log.t(), computed);
    for (auto [first, last] : std::vector<std::pair<int, int>>{
             {0, Log::kRows - 1}, {0, 0}, {5, 40}, {500, 530}, {300, 1300}, {511, 512}, {1400, 1699}, {1500, 1699}})
        expectRange(log, index, first, last, computed);

    // Not computed: no pH at all, and no NaN anywhere.
    const RangeStats tail = index.range(log.t(), 1500, 1699);
    EXPECT_EQ(tail.series[statPH1].count, 0);
    EXPECT_EQ(tail.series[statDpH].count, 0);
    EXPECT_EQ(tail.series[statDpH].mean, 0.0);
    EXPECT_EQ(tail.series[statT1].count, 200);
}

TEST(Statistics, TotalVolumeFirstLastAndDifference) {
    Log log;
    StatisticsIndex index;
    index.rebuild(log.t(), Log::kRows);
    const RangeStats all = index.range(log.t(), 0, Log::kRows - 1);
    EXPECT_EQ(all.volume.count, Log::kRows - 5);
    EXPECT_EQ(all.volume.first, 100.75);  // rows 0..2 have none
    EXPECT_EQ(all.volume.last, 100.0 + 1697 * 0.25);
    EXPECT_EQ(all.volume.difference, 1694 * 0.25);
    const RangeStats mid = index.range(log.t(), 600, 1100);
    EXPECT_EQ(mid.volume.first, 250.0);
    EXPECT_EQ(mid.volume.last, 375.0);
    const RangeStats none = index.range(log.t(), 0, 2);
    EXPECT_EQ(none.volume.count, 0);
    EXPECT_EQ(none.volume.difference, 0.0);
    // Clipped to the table; a reversed range is empty.
    EXPECT_EQ(index.range(log.t(), -10, 99999).records(), Log::kRows);
    EXPECT_EQ(index.range(log.t(), 9, 3).records(), 0);
}

// A log that grows asks for the same first row again and again; what an index answers after
// growing, or after a new Compute, is what one built afresh answers, to the last bit.
TEST(Statistics, RangesAfterGrowthAndRecomputeAreThoseOfAFreshIndex) {
    Log log;
    auto expectSame = [](const RangeStats &a, const RangeStats &b) {
        for (int s = 0; s < kStatSeriesCount; ++s) {
            const SeriesStats &x = a.series[std::size_t(s)], &y = b.series[std::size_t(s)];
            EXPECT_EQ(x.count, y.count);
            EXPECT_EQ(x.min, y.min);
            EXPECT_EQ(x.max, y.max);
            EXPECT_EQ(x.mean, y.mean);
            EXPECT_EQ(x.sd, y.sd);
        }
    };
    DataTable part = log.t();
    part.resize(1099, part.lastCol());
    StatisticsIndex grown, fresh;
    grown.rebuild(part, 1100);
    grown.range(part, 5, 1099);
    grown.range(part, 5, 1098);
    grown.extend(log.t(), Log::kRows);
    fresh.rebuild(log.t(), Log::kRows);
    expectSame(grown.range(log.t(), 5, Log::kRows - 1), fresh.range(log.t(), 5, Log::kRows - 1));

    for (int r = 0; r < 1200; r += 3) log.t().setCell(r, colPH1, Cell(7.0 + r * 1e-4));
    grown.rebuild(log.t(), Log::kRows);
    fresh.rebuild(log.t(), Log::kRows);
    expectSame(grown.range(log.t(), 5, Log::kRows - 1), fresh.range(log.t(), 5, Log::kRows - 1));
}

TEST(Statistics, RowsOfADateTimeRange) {
    Log log;
    StatisticsIndex index;
    index.rebuild(log.t(), Log::kRows);
    const double start = dt::fromParts({2004, 5, 13, 8, 0, 0});
    const double s10 = 10.0 / 86400.0;
    EXPECT_EQ(index.rowsBetween(log.t(), start - 0.5 * s10, start + 99.5 * s10), std::make_pair(0, 99));
    EXPECT_EQ(index.rowsBetween(log.t(), start + 4.5 * s10, start + 7.5 * s10), std::make_pair(5, 7));
    EXPECT_EQ(index.rowsBetween(log.t(), start - 1, start + 1), std::make_pair(0, Log::kRows - 1));
    const auto outside = index.rowsBetween(log.t(), start + 1, start + 2);
    EXPECT_LT(outside.second, outside.first);

    // Out of order (a record without a date-time): the first and last row inside.
    log.t().setCell(3, colDateTime, Cell("no time"));
    index.rebuild(log.t(), Log::kRows);
    EXPECT_EQ(index.rowsBetween(log.t(), start + 1.5 * s10, start + 20.5 * s10), std::make_pair(2, 20));
}

// Zeros of both signs compare equal: the smallest and largest are the first of their value in
// row order, within a block and across blocks, wherever the missing cells fall.
TEST(Statistics, EqualExtremesAreTheFirstInRowOrder) {
    DataTable t;
    const int rows = 4 * 512;
    t.resize(rows - 1, colTotalVolume);
    for (int r = 0; r < rows; ++r) {
        if (r % 11 == 4) continue;  // empty
        t.setCell(r, colTherm1, Cell(r % 3 == 1 ? -0.0 : 0.0));
        t.setCell(r, colTherm2, Cell(r == 700 ? -0.0 : (r % 2 ? 1.5 : 0.0)));
    }
    StatisticsIndex index;
    index.rebuild(t, rows);
    for (auto [first, last] : std::vector<std::pair<int, int>>{{0, rows - 1}, {1, rows - 1}, {513, 1700}, {700, 1900}}) {
        const RangeStats s = index.range(t, first, last);
        int f1 = first;
        while (f1 % 11 == 4) ++f1;
        const bool negative1 = f1 % 3 == 1;
        SCOPED_TRACE(std::to_string(first) + ".." + std::to_string(last));
        EXPECT_EQ(std::signbit(s.series[statT1].min), negative1);
        EXPECT_EQ(std::signbit(s.series[statT1].max), negative1);
        int f2 = first;
        while (f2 % 11 == 4 || f2 % 2) ++f2;
        EXPECT_EQ(std::signbit(s.series[statT2].min), f2 == 700);
        EXPECT_EQ(s.series[statT2].max, 1.5);
    }
    EXPECT_EQ(index.range(t, 0, rows - 1).series[statT1].count, rows - (rows + 6) / 11);
}
