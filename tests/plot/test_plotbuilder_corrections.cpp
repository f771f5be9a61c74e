// The corrected pH series and the grade strips of the daily grades, also for a log that grows.
#include "plot/plotbuilder.h"

#include "plot_fixtures.h"

#include <gtest/gtest.h>
#include <cmath>

namespace {
double on(int day, int hour) { return dt::fromParts({2004, 5, day, hour, 0, 0}); }
using Band = IGraph::GradeBand;
}  // namespace

TEST(PlotBuilderCorrections, CorrectedSeriesAndDailyGradeStripsFollowTheRows) {
    PlotWindow w;
    fillRecords(w.dataSet, {on(13, 10), on(13, 20), on(14, 6), on(14, 18), on(15, 8)});
    ProbeCorrections ph1{{0.1, -0.3, 0.0, 0.9, 2.5},
                         {Grade::Excellent, Grade::Good, Grade::Excellent, Grade::Poor, Grade::NotReported}};
    const ProbeCorrections ph2;  // no visits
    w.builder.setCorrections(&ph1, &ph2);
    w.builder.setComputed(5, nullptr);
    w.inputs.plotPH1Corr = w.inputs.plotPH2Corr = true;
    w.builder.rebuildPlot();

    ASSERT_EQ(w.graph.seriesCount(), 4);
    EXPECT_EQ(w.graph.seriesLabel(2), "pH-1 corr");
    EXPECT_EQ(w.graph.seriesColor(2), colPH1CorrColor);
    EXPECT_EQ(w.graph.yAxisLabel(), "pH");
    EXPECT_FLOAT_EQ(w.graph.yData(2, 0), 7.1f);    // 7.00 + 0.1
    EXPECT_FLOAT_EQ(w.graph.yData(2, 1), 6.71f);   // 7.01 - 0.3
    EXPECT_TRUE(std::isnan(w.graph.yData(2, 4)));  // not reported: no point, no line to it
    EXPECT_TRUE(std::isnan(w.graph.yData(3, 0)));  // pH-2 has no corrections
    // One strip, for pH-1: each day's lowest grade.
    ASSERT_EQ(w.graph.gradeStrips().size(), 1u);
    EXPECT_EQ(w.graph.gradeStrips()[0].label, "pH-1");
    const double d13 = std::floor(on(13, 0));
    EXPECT_EQ(w.graph.gradeStrips()[0].bands, (std::vector<Band>{{d13, d13 + 1, int(Grade::Good)},
                                                                 {d13 + 1, d13 + 2, int(Grade::Poor)},
                                                                 {d13 + 2, d13 + 3, int(Grade::NotReported)}}));

    // A grown log: its new points, and the last day worked out again with a new one after it.
    std::vector<Cell> cells(11, Cell(0.0));
    cells[colDateTime] = Cell(dt::recordText(on(16, 9)));
    cells[colPH1] = Cell(7.05);
    w.dataSet.add(cells);
    w.dataSet.DATA();
    ph1.correction.push_back(1.0);
    ph1.grade.push_back(Grade::Poor);
    w.builder.setComputed(6, nullptr);
    w.builder.appendRows(5, 5);
    EXPECT_FLOAT_EQ(w.graph.yData(2, 5), 8.05f);
    EXPECT_EQ(w.graph.gradeStrips()[0].bands.size(), 4u);
    EXPECT_EQ(w.graph.gradeStrips()[0].bands.back(), (Band{d13 + 3, d13 + 4, int(Grade::Poor)}));

    // Corrections gone: no strip.
    ph1 = {};
    w.builder.setComputed(6, nullptr);
    w.builder.rebuildPlot();
    EXPECT_TRUE(w.graph.gradeStrips().empty());
}
