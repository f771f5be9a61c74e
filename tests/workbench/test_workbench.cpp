// The road of one log without a window: open, compute, step, plot inputs, export.
#include "workbench/workbench.h"
#include "export/export_fixtures.h"
#include "model/datetime.h"
#include "plot/navigation.h"
#include "support/fake_graph.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace exporttest;

namespace {
const std::vector<Reading> kMidnightReadings = {
    {"23:59:40", {17.77, 18.10, 12.5}, 66.22, 41.14},
    {"23:59:50", {25.0, 18.16, 17.49}, 59.16, 0.0},
    {"00:00:00", {17.70, 30.25, 17.46}, -100, -40.25},
};
}  // namespace

TEST(Workbench, StartsFromTheFieldDefaults) {
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    EXPECT_FALSE(wb.isOpen());
    EXPECT_EQ(wb.calibration().slope[0], 1.0);
    EXPECT_EQ(wb.calibration().offset[1], 0.0);
    EXPECT_EQ(wb.plotInputs().yMax, "9.0");
    EXPECT_EQ(wb.plotInputs().yMin, "6.0");
    EXPECT_EQ(wb.plotInputs().start, "1/1/1988 00:00:00");
    EXPECT_EQ(wb.plotInputs().end, "1/1/1999 00:00:00");
    EXPECT_FALSE(wb.computePH());  // nothing open: nothing computed, no message
    EXPECT_FALSE(wb.stepRecord(kStepForward));
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST(Workbench, OpenComputeStepAndExport) {
    TempFiles tmp;
    const QString log = tmp.write("run.asc", makeLog(kMidnightReadings));
    ScriptedInteraction ui;
    FakeGraph graph;
    Workbench wb(ui, &graph);
    ASSERT_TRUE(wb.open(log));
    EXPECT_TRUE(wb.readReport().completed);
    EXPECT_EQ(wb.readReport().stoppedAtLine, 0);
    EXPECT_EQ(wb.rowCount(), 3);
    EXPECT_EQ(wb.calibration().slope[0], 0.985);
    EXPECT_EQ(wb.calibration().offset[1], -0.0085);
    EXPECT_EQ(wb.plotInputs().start, "5/13/2004 23:59:40");
    EXPECT_EQ(wb.plotInputs().end, "5/14/2004 00:00:00");

    wb.calibration().thermistor[1] = 2;
    wb.calibration().thermistorCorr[2] = 0.5;
    ASSERT_TRUE(wb.computePH());
    EXPECT_FALSE(wb.computeNeeded());
    EXPECT_EQ(wb.computedRows(), 3);
    for (int i = 0; i < 3; ++i) {
        const Reading &r = kMidnightReadings[std::size_t(i)];
        EXPECT_EQ(wb.table().number(i, colPH1), expectedPH(r, r.raw1, Probe{0.985, 0.0125})) << i;
        EXPECT_EQ(wb.table().number(i, colPH2), expectedPH(r, r.raw2, Probe{1.012, -0.0085, 0.0, 2, 0.5})) << i;
    }

    EXPECT_EQ(wb.stepRecord(kStepEnd), 2);
    EXPECT_EQ(wb.stepRecord(kStepForward), 2);
    ASSERT_TRUE(wb.showRecord(1));
    EXPECT_EQ(wb.currentRecord(), 1);
    EXPECT_FALSE(wb.showRecord(7));
    EXPECT_EQ(wb.currentRecord(), 1);
    EXPECT_EQ(wb.stepStart(kStepForward), "05/13/2004 23:59:50");  // the range fields' own form
    EXPECT_EQ(wb.plotInputs().start, "05/13/2004 23:59:50");
    EXPECT_EQ(wb.stepYMax(0), "10.0");
    EXPECT_EQ(wb.plotInputs().yMax, "10.0");

    const QString csv = tmp.path("out.csv");
    EXPECT_EQ(wb.exportTable(csv), "");
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(readCsv(f.readAll()).size(), 4u);
}

TEST(Workbench, BadTextsAndStopsAreToldAndMarkComputeNeeded) {
    TempFiles tmp;
    const QString log = tmp.write("run.asc", makeLog(kMidnightReadings));
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    ASSERT_TRUE(wb.open(log));
    CalibrationTexts t;
    t.slope = {"1", "1"};
    t.offset = {"0", "x"};
    t.corr = {"0", "0"};
    t.thermistorCorr = {"", "0", "0"};  // an empty thermistor 1 correction means none
    const Calibration before = wb.calibration();
    EXPECT_FALSE(wb.validateInputs(t));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0].text, "The pH-2 offset \"x\" is not a number; nothing was computed.");
    EXPECT_EQ(wb.calibration().slope[0], before.slope[0]);

    t.offset[1] = "0";
    ASSERT_TRUE(wb.validateInputs(t));
    wb.calibration().slope[1] = 0.0;
    EXPECT_FALSE(wb.computePH());
    EXPECT_TRUE(wb.computeNeeded());
    EXPECT_EQ(wb.computedRows(), 0);
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_TRUE(ui.messages[1].text.contains("the pH-2 slope is 0"));
}

TEST(Workbench, ReadReportOfAStoppedRead) {
    TempFiles tmp;
    const QString log = tmp.write(
        "bad.asc", makeLog(kMidnightReadings, 0.985, 1.012, 0.0125, -0.0085, "#2004-13-45#\r\n\"Start Date:\",#2004-5-13#"));
    ScriptedInteraction ui;
    ui.answers = {MsgAnswer::No};
    Workbench wb(ui, nullptr);
    EXPECT_FALSE(wb.open(log));
    EXPECT_FALSE(wb.readReport().completed);
    EXPECT_EQ(wb.readReport().stoppedAtLine, 6);
    EXPECT_EQ(wb.path(), log);
}
