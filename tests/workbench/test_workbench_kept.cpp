// What a read and a Compute tell about the numbers on show: calibration values the file did
// not give, and records the last Compute did not reach.
#include "workbench/workbench.h"
#include "export/export_fixtures.h"
#include "support/fake_graph.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <gtest/gtest.h>
#include <cmath>

using namespace exporttest;

namespace {
const std::vector<Reading> kKeptReadings = {
    {"10:00:00", {17.7, 18.1, 12.5}, 66.2, 41.1},
    {"10:00:10", {25.0, 18.2, 17.5}, 59.2, 0.0},
    {"10:00:20", {17.7, 30.2, 17.5}, -100, -40.2},
};

// The log without the lines whose text contains one of `drop`.
QByteArray without(QByteArray log, const QList<QByteArray> &drop) {
    QList<QByteArray> lines = log.split('\n');
    lines.removeIf([&](const QByteArray &l) {
        return std::any_of(drop.begin(), drop.end(), [&](const QByteArray &d) { return l.contains(d); });
    });
    return lines.join('\n');
}
}  // namespace

TEST(WorkbenchKept, NamesTheCalibrationValuesAFileDidNotGive) {
    TempFiles tmp;
    const QString full = tmp.write("full.asc", makeLog(kKeptReadings, 0.985, 1.012, 0.0125, -0.0085));
    const QString partial =
        tmp.write("partial.asc", without(makeLog(kKeptReadings, 0.9, 0.9, 0.9, 0.9), {"Probe 2 Slope", "Probe 1 Offset"}));
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);

    ASSERT_TRUE(wb.open(partial));  // the first file: the kept values are the initial ones
    EXPECT_EQ(wb.readReport().keptNames(), QStringList({"pH-1 offset", "pH-2 slope"}));
    EXPECT_FALSE(wb.readReport().keptFromEarlierFile);
    EXPECT_EQ(wb.calibration().slope[1], 1.0);

    ASSERT_TRUE(wb.open(full));
    EXPECT_TRUE(wb.readReport().keptNames().isEmpty());

    ASSERT_TRUE(wb.open(partial));
    EXPECT_EQ(wb.readReport().keptNames(), QStringList({"pH-1 offset", "pH-2 slope"}));
    EXPECT_TRUE(wb.readReport().keptFromEarlierFile);
    EXPECT_EQ(wb.calibration().slope[1], 1.012);    // kept
    EXPECT_EQ(wb.calibration().offset[0], 0.0125);  // kept
    EXPECT_EQ(wb.calibration().slope[0], 0.9);      // from this file
}

TEST(WorkbenchKept, RowsAfterAStoppedComputeAreNotShownAsComputed) {
    TempFiles tmp;
    ScriptedInteraction ui;
    FakeGraph graph;
    Workbench wb(ui, &graph);
    ASSERT_TRUE(wb.open(tmp.write("run.asc", makeLog(kKeptReadings))));
    wb.table().setCell(1, colTherm1, Cell("x"));
    EXPECT_FALSE(wb.computePH());
    EXPECT_EQ(wb.computedRows(), 1);
    EXPECT_NE(wb.showRecord(0)->ph1, QStringLiteral("  not computed"));
    EXPECT_EQ(wb.showRecord(1)->ph1, QStringLiteral("  not computed"));
    EXPECT_EQ(wb.showRecord(2)->ph2, QStringLiteral("  not computed"));
    wb.rebuildPlot();
    EXPECT_FALSE(std::isnan(graph.yData(0, 0)));
    for (int s = 0; s < 2; ++s)
        for (int r = 1; r < 3; ++r) EXPECT_TRUE(std::isnan(graph.yData(s, r))) << s << ' ' << r;

    wb.table().setCell(1, colTherm1, Cell(20.0));
    EXPECT_TRUE(wb.computePH());
    wb.rebuildPlot();
    EXPECT_FALSE(std::isnan(graph.yData(1, 2)));
    EXPECT_NE(wb.showRecord(2)->ph2, QStringLiteral("  not computed"));
}
