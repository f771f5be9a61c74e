// The dpH series on the second Y axis and the flag marks.
#include "plot/plotbuilder.h"

#include "compute/statistics.h"

#include "support/fake_graph.h"
#include "model/clsplotset.h"
#include "plot_fixtures.h"

#include <gtest/gtest.h>
#include <cmath>

using Window = PlotWindow;

TEST(PlotBuilderDpH, ThirdSeriesOnTheRightWithComputedRowsOnly) {
    Window w;
    // pH-1 = 7 + row/100, pH-2 = 8 - row/100: dpH = -1 + row/50.
    fillRecords(w.dataSet, {at(10, 0, 0), at(10, 0, 30), at(10, 1, 0), at(10, 1, 30)});
    const std::vector<std::uint16_t> flags = {0, 1, 0, 32};
    w.builder.setComputed(3, &flags);
    w.inputs.plotDpH = true;
    w.builder.rebuildPlot();

    ASSERT_EQ(w.graph.seriesCount(), 3);
    EXPECT_EQ(w.plotSet.Count(), 3);
    EXPECT_EQ(w.graph.seriesLabel(2), "dpH");
    EXPECT_EQ(w.graph.seriesColor(2), colDpHColor);
    EXPECT_FALSE(w.graph.seriesOnRightAxis(0));
    EXPECT_FALSE(w.graph.seriesOnRightAxis(1));
    EXPECT_TRUE(w.graph.seriesOnRightAxis(2));
    EXPECT_EQ(w.graph.rightAxisLabel(), "dpH");
    EXPECT_EQ(w.graph.yAxisLabel(), "pH");
    EXPECT_FLOAT_EQ(w.graph.yData(2, 0), -1.0f);
    EXPECT_FLOAT_EQ(w.graph.yData(2, 1), -0.98f);
    EXPECT_FLOAT_EQ(w.graph.yData(2, 2), -0.96f);
    EXPECT_TRUE(std::isnan(w.graph.yData(2, 3)));  // not computed: a gap, not the file's pH
    EXPECT_TRUE(std::isnan(w.graph.yData(0, 3)));  // nor for the pH series
    EXPECT_FLOAT_EQ(w.graph.yData(0, 2), 7.02f);
    EXPECT_EQ(w.graph.flagMarks(), (std::vector<double>{at(10, 0, 30), at(10, 1, 30)}));

    // dpH alone: one series on the right; the pH label stays as it was.
    w.inputs.plotPH1 = w.inputs.plotPH2 = false;
    w.builder.rebuildPlot();
    ASSERT_EQ(w.graph.seriesCount(), 1);
    EXPECT_TRUE(w.graph.seriesOnRightAxis(0));
    EXPECT_TRUE(w.graph.visible());
    EXPECT_FLOAT_EQ(w.graph.yData(0, 1), -0.98f);

    // Unticked: the first two series as before, no right axis label.
    w.inputs = PlotInputs{};
    w.builder.rebuildPlot();
    ASSERT_EQ(w.graph.seriesCount(), 2);
    EXPECT_FALSE(w.graph.seriesOnRightAxis(1));
    EXPECT_EQ(w.graph.rightAxisLabel(), QString());

    // Flags of another table (a new log before Compute) mark nothing.
    const std::vector<std::uint16_t> stale = {1, 1};
    w.builder.setComputed(4, &stale);
    w.builder.rebuildPlot();
    EXPECT_TRUE(w.graph.flagMarks().empty());
}

// A long table is read in two halves at once: every point lands where it belongs, the odd
// cells at the seam included.
TEST(PlotBuilderDpH, ALongTableArrivesWholeAndInOrder) {
    Window w;
    constexpr int n = 60001;
    std::vector<double> times;
    for (int i = 0; i < n; ++i) times.push_back(at(0, 0, 0) + i / 86400.0);
    w.dataSet.setRecordLimit(kAnyLengthRecords);
    fillRecords(w.dataSet, times);
    DataTable &t = w.dataSet.DATA();
    const int seam = n / 2;
    t.setCell(seam - 1, colPH1, Cell("n/a"));
    t.setCell(seam, colPH2, Cell());  // an empty cell (a missing value) is a gap, not 0
    t.setCell(seam + 1, colDateTime, Cell("garbage"));
    w.builder.setComputed(n - 5, nullptr);
    w.inputs.plotDpH = true;
    w.builder.rebuildPlot();

    ASSERT_EQ(w.graph.pointCount(), n);
    int wrong = 0;
    for (int r = 0; r < n; ++r) {
        const double day = r == seam + 1 ? 0.0 : times[std::size_t(r)];
        const bool computed = r < n - 5;
        for (int s = 0; s < 3; ++s) wrong += w.graph.xData(s, r) != day;
        const float ph1 = r == seam - 1 ? NAN : float(7.0 + r / 100.0);
        const float ph2 = r == seam ? NAN : float(8.0 - r / 100.0);
        const float expected[3] = {ph1, ph2, float(dpHValue(t, r))};
        for (int s = 0; s < 3; ++s) {
            const float y = w.graph.yData(s, r), want = computed ? expected[s] : NAN;
            wrong += !(std::isnan(want) ? std::isnan(y) : y == want);
        }
    }
    EXPECT_EQ(wrong, 0);
}

// Rows appended to a table that was plotted (a followed log): the marks from the first row whose
// flags changed are made again, also where that row shares its date-time with the one before
// and where the new rows put the date-times out of order.
TEST(PlotBuilderDpH, AppendedRowsRemakeTheMarksFromTheFirstChangedFlag) {
    Window w;
    fillRecords(w.dataSet, {at(10, 0, 0), at(10, 0, 1), at(10, 0, 1), at(10, 0, 2)});
    std::vector<std::uint16_t> flags = {1, 1, 1, 0};
    w.builder.setComputed(4, &flags);
    w.builder.rebuildPlot();
    EXPECT_EQ(w.graph.flagMarks(), (std::vector<double>{at(10, 0, 0), at(10, 0, 1), at(10, 0, 1)}));

    const auto append = [&](const std::vector<double> &times, std::vector<std::uint16_t> now, int firstFlagRow) {
        const int first = w.dataSet.rowcount();
        clsDataSet more;
        fillRecords(more, times);
        w.dataSet.appendRecords(std::move(more.DATA()));
        flags = std::move(now);
        w.builder.setComputed(int(flags.size()), &flags);
        w.builder.appendRows(first, firstFlagRow);
        std::vector<double> expected;
        for (int r = 0; r < int(flags.size()); ++r)
            if (flags[std::size_t(r)]) expected.push_back(w.dataSet.DATA().rowDay(r));
        return w.graph.flagMarks() == expected;
    };
    EXPECT_TRUE(append({at(10, 0, 3), at(10, 0, 4)}, {1, 1, 0, 1, 1, 0}, 2));
    EXPECT_TRUE(append({at(9, 0, 0)}, {1, 1, 0, 1, 1, 0, 1}, 6));  // out of order from here on
    EXPECT_TRUE(append({at(10, 0, 5)}, {1, 1, 0, 1, 1, 1, 0, 1}, 5));
}
