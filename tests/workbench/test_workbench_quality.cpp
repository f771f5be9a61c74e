// Flags and statistics as the workbench keeps them beside the open log, and their exports.
#include "workbench/workbench.h"
#include "export/export_fixtures.h"
#include "model/numbertext.h"
#include "plot/decimalday.h"
#include "support/fake_graph.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <QFile>
#include <cmath>
#include <gtest/gtest.h>

using namespace exporttest;

namespace {
// Both probes read alike (slope 1, offset 0) except record 2, 15 mV apart: dpH about 0.26.
const std::vector<Reading> kQualityReadings = {
    {"08:00:00", {20, 20, 20}, 1, 1}, {"08:00:10", {20, 20, 20}, 2, 2}, {"08:00:20", {20, 20, 20}, 3, 18},
    {"08:00:30", {20, 20, 21}, 4, 4}, {"08:00:40", {20, 20, 20}, 5, 5}, {"08:00:50", {20, 20, 20}, 6, 6},
};

struct Opened {
    TempFiles tmp;
    ScriptedInteraction ui;
    FakeGraph graph;
    Workbench wb{ui, &graph};
    Opened() {
        EXPECT_TRUE(wb.open(tmp.write("run.asc", makeLog(kQualityReadings, 1, 1, 0, 0))));
        EXPECT_TRUE(wb.computePH());
    }
};
}  // namespace

TEST(WorkbenchQuality, ComputeFlagsAndIndexesTheLog) {
    Opened o;
    Workbench &wb = o.wb;
    ASSERT_EQ(wb.flags().size(), 6u);
    // Record 2 also stands 0.26 from its neighbours' pH-2, which stand 0.13 from theirs: spikes.
    const QStringList expected = {"", "S", "SD", "S", "", ""};
    for (int r = 0; r < 6; ++r) EXPECT_EQ(flagLetters(wb.flags()[std::size_t(r)]), expected[r]) << r;

    const RangeStats all = wb.statistics(0, 5);
    EXPECT_EQ(all.records(), 6);
    EXPECT_EQ(all.series[statT3].max, 21.0);
    EXPECT_NEAR(all.series[statT3].mean, 121.0 / 6, 1e-12);
    EXPECT_EQ(all.series[statFlow].count, 6);
    EXPECT_EQ(all.series[statFlow].sd, 0.0);
    EXPECT_EQ(all.series[statDpH].count, 6);
    EXPECT_EQ(all.series[statDpH].max, 0.0);
    EXPECT_NEAR(all.series[statDpH].min, -15 / (293.15 * kNernst * 1000), 1e-4);
    EXPECT_EQ(all.volume.first, 0.0);
    EXPECT_EQ(all.volume.last, 2.5);
    EXPECT_EQ(all.volume.difference, 2.5);

    // Wider limits: the same pH, no flag.
    QcThresholds th;
    th.probeSuspect = 0.5;
    wb.setQcThresholds(th);
    EXPECT_EQ(flagLetters(wb.flags()[2]), "S");
}

TEST(WorkbenchQuality, VisibleRowsFollowAutoscaleTypedRangeAndZoom) {
    Opened o;
    Workbench &wb = o.wb;
    EXPECT_EQ(wb.visibleRows(false), std::make_pair(0, 5));
    wb.plotInputs().autoscale = false;
    wb.plotInputs().start = "05/13/2004 08:00:10";
    wb.plotInputs().end = "05/13/2004 08:00:35";
    EXPECT_EQ(wb.visibleRows(false), std::make_pair(1, 3));
    EXPECT_EQ(wb.visibleStatistics(false).series[statT3].count, 3);

    // A zoom wins over both; its bounds are the graph's.
    const double day = dt2decimalday("05/13/2004 08:00:00");
    o.graph.setZoomBounds(day + 35.0 / 86400, day + 55.0 / 86400);
    EXPECT_EQ(wb.visibleRows(true), std::make_pair(4, 5));
    wb.plotInputs().autoscale = true;
    EXPECT_EQ(wb.visibleStatistics(true).records(), 2);

    EXPECT_EQ(wb.rowsBetweenTexts("", ""), std::make_pair(0, 5));
    EXPECT_EQ(wb.rowsBetweenTexts("5/13/2004 08:00:15", ""), std::make_pair(2, 5));
    EXPECT_EQ(wb.rowsBetweenTexts("2004-05-13 08:00:05", "5/13/2004 08:00:20"), std::make_pair(1, 2));
    EXPECT_EQ(wb.rowsBetweenTexts("soon", ""), std::nullopt);
}

TEST(WorkbenchQuality, TableExportEndsWithFlagsAndStatisticsExport) {
    Opened o;
    const QString csv = o.tmp.path("t.csv");
    ASSERT_EQ(o.wb.exportTable(csv), "");
    const std::vector<QStringList> rows = readCsv(slurp(csv));
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0].size(), 14);
    EXPECT_EQ(rows[0].mid(11), QStringList({"flags", "qc_ph1", "qc_ph2"}));
    EXPECT_EQ(rows[3].mid(11), QStringList({"SD", "3", "3"}));
    EXPECT_EQ(rows[1].mid(11), QStringList({"", "1", "1"}));  // the readings rise faster than 1 pH/h after

    const QString stats = o.tmp.path("s.csv");
    ASSERT_EQ(o.wb.exportStatistics(stats, 3, 5), "");
    const std::vector<QStringList> s = readCsv(slurp(stats));
    ASSERT_EQ(s.size(), 35u);  // and a row per series and result
    EXPECT_EQ(s[0].join(u','), "quantity,count,min,max,mean,sd,first,last,difference");
    EXPECT_EQ(s[10].join(u','), "qc_ph1 flag 1,0,,,,,,,");
    EXPECT_EQ(s[12].join(u','), "qc_ph1 flag 3,3,,,,,,,");
    EXPECT_EQ(s[34].join(u','), "qc_t3 flag 9,0,,,,,,,");
    EXPECT_EQ(s[1].join(u','), "Date/Time,3,2004-05-13 08:00:30,2004-05-13 08:00:50,,,,,");
    ASSERT_EQ(s[7].size(), 9);
    EXPECT_EQ(s[7].mid(0, 4).join(u','), "T3,3,20,21");
    EXPECT_NEAR(s[7][4].toDouble(), 61.0 / 3, 1e-12);
    EXPECT_NEAR(s[7][5].toDouble(), std::sqrt(1.0 / 3), 1e-12);
    EXPECT_EQ(s[8].join(u','), "Flow Rate,3,1.25,1.25,1.25,0,,,");
    EXPECT_EQ(s[9].join(u','), "Total Volume,3,,,,,1.5,2.5,1");
    EXPECT_FALSE(slurp(stats).contains("nan"));

    // One record has no standard deviation: an empty cell, not 0.
    ASSERT_EQ(o.wb.exportStatistics(stats, 4, 4), "");
    const std::vector<QStringList> one = readCsv(slurp(stats));
    ASSERT_EQ(one.size(), 35u);
    EXPECT_EQ(one[7][1], "1");
    EXPECT_EQ(one[7][5], "");
    EXPECT_FALSE(slurp(stats).contains("nan"));
}

TEST(WorkbenchQuality, MissingReadingsGiveNoPHFlagMAndEmptyCellsInTheExports) {
    TempFiles tmp;
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    const QByteArray log = makeLog({{"08:00:00", {20, 20, 20}, 1, 1}}, 1, 1, 0, 0) +
                           "\"08:00:10\",20,20,20,ERR,5,7.8,7.9,1,1.25,0.5\r\n"  // no raw reading of probe 1
                           "\"08:00:20\",20,20\r\n"                              // a short line
                           "\"08:00:30\",20,20,20,3,3,7.8,7.9,3,1.25,1.5\r\n";
    ASSERT_TRUE(wb.open(tmp.write("gaps.asc", log)));
    EXPECT_EQ(wb.readReport().missing, 1);
    EXPECT_TRUE(wb.computePH());  // no stop
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(u'|').toStdString();
    EXPECT_EQ(wb.computedRows(), 4);
    QStringList letters;
    for (FlagMask f : wb.flags()) letters << flagLetters(f);
    EXPECT_EQ(letters, QStringList({"", "MY", "MY", ""}));
    const RangeStats s = wb.statistics(0, 3);
    EXPECT_EQ(s.series[statPH1].count, 2);  // no pH of 0 mV among them
    EXPECT_EQ(s.series[statPH2].count, 3);

    const QString csv = tmp.path("gaps.csv");
    ASSERT_EQ(wb.exportTable(csv), "");
    const std::vector<QStringList> rows = readCsv(slurp(csv));
    ASSERT_EQ(rows.size(), 5u);
    // Raw reading and pH of probe 1 empty, probe 2 computed; the short line's pH empty too.
    EXPECT_EQ(rows[2].mid(4, 3), QStringList({"", "5", ""})) << rows[2].join(u',').toStdString();
    EXPECT_EQ(rows[2][7], generalNumberText(wb.table().number(1, colPH2).value()));
    EXPECT_EQ(rows[2].mid(11), QStringList({"MY", "9", "4"}));  // probe 2: the syntax test fails
    EXPECT_EQ(rows[3].mid(4, 4), QStringList({"", "", "", ""}));
    EXPECT_EQ(rows[3].mid(11), QStringList({"MY", "9", "9"}));
}

TEST(WorkbenchQuality, GapsUnderTheDefaultAndAChangedLimitBreakEverySeriesLine) {
    std::vector<Reading> readings;
    // Steps of 1, 20, 1, 5, exactly 10 and 45 minutes.
    for (const char *t : {"08:00:00", "08:01:00", "08:21:00", "08:22:00", "08:27:00", "08:37:00", "09:22:00"})
        readings.push_back({t, {20, 20, 20}, 1, 1});
    TempFiles tmp;
    ScriptedInteraction ui;
    FakeGraph graph;
    Workbench wb(ui, &graph);
    ASSERT_TRUE(wb.open(tmp.write("gaps.asc", makeLog(readings, 1, 1, 0, 0))));
    wb.computePH();
    // Each gap's rows, and a break of every series' line between them; every point stays.
    auto expectGapsAfter = [&](const std::vector<int> &rows) {
        wb.rebuildPlot();
        ASSERT_EQ(wb.gaps().size(), rows.size());
        ASSERT_EQ(graph.lineBreaks().size(), rows.size());
        EXPECT_EQ(graph.pointCount(), wb.rowCount());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(wb.gaps()[i].fromRow, rows[i]);
            EXPECT_EQ(wb.gaps()[i].toRow, rows[i] + 1);
            for (int s = 0; s < graph.seriesCount(); ++s) {
                EXPECT_GT(graph.lineBreaks()[i], graph.xData(s, rows[i])) << i;
                EXPECT_LT(graph.lineBreaks()[i], graph.xData(s, rows[i] + 1)) << i;
            }
        }
    };
    expectGapsAfter({1, 5});
    wb.setGapMinutes(4);
    expectGapsAfter({1, 3, 4, 5});
    wb.setGapMinutes(60);
    expectGapsAfter({});
}
