#include "plot/plotbuilder.h"

#include "support/fake_graph.h"
#include "model/clsplotset.h"
#include "plot_fixtures.h"

#include <gtest/gtest.h>
#include <cmath>

using Window = PlotWindow;

TEST(PlotBuilder, BothSeriesAndTheirData) {
    Window w;
    fillRecords(w.dataSet, {at(10, 0, 0), at(10, 0, 30), at(10, 1, 30)});
    w.builder.rebuildPlot();

    EXPECT_TRUE(w.graph.visible());
    ASSERT_EQ(w.graph.seriesCount(), 2);
    EXPECT_EQ(w.graph.seriesLabel(0), QStringLiteral("pH-1"));
    EXPECT_EQ(w.graph.seriesColor(0), 0x00FF00u);
    EXPECT_EQ(w.graph.seriesLabel(1), QStringLiteral("pH-2"));
    EXPECT_EQ(w.graph.seriesColor(1), 0x0000FFu);
    EXPECT_EQ(w.graph.xAxisLabel(), QStringLiteral("Date/Time"));
    EXPECT_EQ(w.graph.yAxisLabel(), QStringLiteral("pH"));
    EXPECT_EQ(w.graph.markerLineType(), 6);
    EXPECT_EQ(w.graph.markerColor(), 0x00FFFFu);
    EXPECT_EQ(w.graph.markerText(), QString());
    EXPECT_EQ(w.plotSet.Count(), 2);
    EXPECT_EQ(w.plotSet.datafieldindex(0), colPH1);

    ASSERT_EQ(w.graph.pointCount(), 3);
    for (int s = 0; s < 2; ++s) EXPECT_DOUBLE_EQ(w.graph.xData(s, 2), at(10, 1, 30));
    EXPECT_FLOAT_EQ(w.graph.yData(0, 1), 7.01f);
    EXPECT_FLOAT_EQ(w.graph.yData(1, 2), 7.98f);
    EXPECT_EQ(w.graph.requestLog, std::vector<int>{kActionRedraw});
}

TEST(PlotBuilder, OnlyPH2AndThenNone) {
    Window w;
    fillRecords(w.dataSet, {at(10, 0, 0), at(10, 0, 30)});
    w.builder.rebuildPlot();  // the window's first rebuild runs with both ticked

    w.inputs.plotPH1 = false;
    w.builder.rebuildPlot();
    ASSERT_EQ(w.graph.seriesCount(), 1);
    EXPECT_EQ(w.graph.seriesLabel(0), QStringLiteral("pH-2"));
    EXPECT_EQ(w.graph.seriesColor(0), 0x0000FFu);
    EXPECT_FLOAT_EQ(w.graph.yData(0, 1), 7.99f);  // drawn from colPH2
    EXPECT_EQ(w.graph.yAxisLabel(), QStringLiteral("pH"));

    w.inputs.plotPH2 = false;
    const int copiesBefore = w.graph.bulkCopies;
    w.builder.rebuildPlot();
    EXPECT_FALSE(w.graph.visible());  // Label12 shows through
    EXPECT_EQ(w.plotSet.Count(), 0);
    EXPECT_EQ(w.graph.bulkCopies, copiesBefore);  // no point data copied...
    EXPECT_EQ(w.graph.pointCount(), 2);           // ...but the point count is still sent
    EXPECT_EQ(w.graph.requests[kActionRedraw], 3);

    w.inputs.plotPH1 = true;
    w.builder.rebuildPlot();
    EXPECT_TRUE(w.graph.visible());
    EXPECT_EQ(w.graph.seriesLabel(0), QStringLiteral("pH-1"));
}

TEST(PlotBuilder, AutoscaleAndTypedLimits) {
    Window w;
    w.inputs.start = QStringLiteral("1/1/1988 00:00:00");
    w.inputs.end = QStringLiteral("1/1/1999 00:00:00");
    w.inputs.yMin = QStringLiteral("6.5");
    w.inputs.yMax = QStringLiteral("8.");
    w.builder.rebuildPlot();
    EXPECT_EQ(w.graph.xScaleMode(), kScaleAuto);
    EXPECT_EQ(w.graph.yScaleMode(), kScaleAuto);
    EXPECT_EQ(w.graph.yMinText(), QString());  // range fields not read

    w.inputs.autoscale = false;
    w.builder.rebuildPlot();
    EXPECT_EQ(w.graph.xScaleMode(), kScaleManual);
    EXPECT_DOUBLE_EQ(w.graph.xMin(), 32143.0);
    EXPECT_DOUBLE_EQ(w.graph.xMax(), 36161.0);
    EXPECT_EQ(w.graph.yScaleMode(), kScaleManual);
    EXPECT_EQ(w.graph.yMinText(), QStringLiteral("6.5"));  // handed over as typed
    EXPECT_EQ(w.graph.yMaxText(), QStringLiteral("8."));

    w.inputs.start = QStringLiteral("1/1/19");  // half-typed
    w.builder.rebuildPlot();
    EXPECT_EQ(w.graph.xMin(), 0.0);
}

TEST(PlotBuilder, DataCopyEdges) {
    Window w;
    // Not loaded: series and scales, no points, and a redraw so the axes follow the fields.
    w.builder.rebuildPlot();
    EXPECT_EQ(w.graph.seriesCount(), 2);
    EXPECT_EQ(w.graph.pointCount(), 0);
    EXPECT_EQ(w.graph.requestLog, std::vector<int>{kActionRedraw});

    fillRecords(w.dataSet, {at(23, 59, 59)});
    w.builder.rebuildPlot();
    ASSERT_EQ(w.graph.pointCount(), 1);
    EXPECT_DOUBLE_EQ(w.graph.xData(0, 0), at(23, 59, 59));
    EXPECT_DOUBLE_EQ(w.graph.xData(1, 0), at(23, 59, 59));
    EXPECT_FLOAT_EQ(w.graph.yData(0, 0), 7.0f);
    EXPECT_FLOAT_EQ(w.graph.yData(1, 0), 8.0f);

    // A record that is no date-time sits at 0.0; a pH text that is no number is a gap.
    DataTable &t = w.dataSet.DATA();
    t.setCell(0, colDateTime, Cell("garbage"));
    t.setCell(0, colPH1, Cell("n/a"));
    w.builder.rebuildPlot();
    EXPECT_EQ(w.graph.xData(0, 0), 0.0);
    EXPECT_TRUE(std::isnan(w.graph.yData(0, 0)));
}

TEST(PlotBuilder, MarkPlotTime) {
    Window w;
    w.builder.markPlotTime(38353.5 + 0.3 / 86400);  // to whole seconds, as its text would say
    EXPECT_DOUBLE_EQ(w.graph.markerPosition(), 38353.5);
    EXPECT_EQ(w.graph.requestLog, std::vector<int>{kActionRedraw});
    EXPECT_EQ(w.statusCalls, std::vector<bool>{false});
    // A rebuild keeps the marker where it was.
    w.builder.rebuildPlot();
    EXPECT_DOUBLE_EQ(w.graph.markerPosition(), 38353.5);
}

TEST(PlotBuilder, DataGoesToTheGraphOnlyWhenItChanged) {
    Window w;
    fillRecords(w.dataSet, {at(10, 0, 0), at(10, 0, 30), at(10, 1, 30)});
    w.builder.rebuildPlot();
    const int first = w.graph.bulkCopies;
    ASSERT_EQ(first, 2);

    // A keystroke in a range field: the limits change, the data stays.
    w.inputs.autoscale = false;
    w.inputs.yMax = QStringLiteral("9.5");
    w.builder.rebuildPlot();
    EXPECT_EQ(w.graph.bulkCopies, first);
    EXPECT_EQ(w.graph.yMaxText(), QStringLiteral("9.5"));
    EXPECT_EQ(w.graph.requestLog.back(), kActionRedraw);

    // A new value in the table, a series unticked, a Compute: each copies the data again.
    w.dataSet.DATA().setCell(1, colPH1, Cell(6.5));
    w.builder.rebuildPlot();
    EXPECT_EQ(w.graph.bulkCopies, first + 2);
    EXPECT_FLOAT_EQ(w.graph.yData(0, 1), 6.5f);
    w.inputs.plotPH1 = false;
    w.builder.rebuildPlot();
    EXPECT_EQ(w.graph.bulkCopies, first + 3);
    EXPECT_FLOAT_EQ(w.graph.yData(0, 1), 7.99f);  // pH-2 is series 0 now
    w.builder.setComputed(1, nullptr);
    w.builder.rebuildPlot();
    EXPECT_EQ(w.graph.bulkCopies, first + 4);
    EXPECT_TRUE(std::isnan(w.graph.yData(0, 1)));
}
