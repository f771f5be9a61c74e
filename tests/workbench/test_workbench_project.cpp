// Decisions as the workbench keeps them: marks, buffer calibrations, limits and the view, their
// trail, and a project saved and opened again giving the same table.
#include "workbench/workbench.h"
#include "export/export_fixtures.h"
#include "support/fake_graph.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <gtest/gtest.h>

using namespace exporttest;

namespace {

const std::vector<Reading> kProjectReadings = {
    {"08:00:00", {20, 20, 20}, 1, 1},  {"08:00:10", {20, 20, 20}, 2, 2}, {"08:00:20", {20, 20, 20}, 3, 3},
    {"08:00:30", {20, 20, 21}, 40, 4}, {"08:00:40", {20, 20, 20}, 5, 5}, {"08:00:50", {20, 20, 20}, 6, 6},
};

struct ProjectBench {
    TempFiles tmp;
    ScriptedInteraction ui;
    Workbench wb{ui, nullptr};
    QString log = tmp.write("run.asc", makeLog(kProjectReadings));
    ProjectBench() {
        EXPECT_TRUE(wb.open(log));
        EXPECT_TRUE(wb.computePH());
    }
};

// Decisions of every kind, each through decide as the window makes them.
void decideAll(Workbench &wb) {
    ASSERT_TRUE(wb.decide(
        QStringLiteral("Mark as Bad"), [&] { wb.markRows(3, 3, MarkKind::Bad, QStringLiteral("wiper")); },
        QStringLiteral("wiper")));
    ASSERT_TRUE(wb.decide(QStringLiteral("Mark as Doubtful"),
                          [&] { wb.markRows(4, 5, MarkKind::Doubtful, QStringLiteral("drift?")); }));
    ASSERT_TRUE(
        wb.decide(QStringLiteral("Add Note"), [&] { wb.markRows(0, 5, MarkKind::Note, QStringLiteral("a, \"b\"")); }));
    ASSERT_TRUE(wb.decide(QStringLiteral("Buffer calibration"), [&] {
        wb.applyBufferCalibration({0, 1, {{4.0, -170.0, 20.0, false}, {7.0, 1.0, 20.0, false}}, 0.99, 0.001});
    }));
    ASSERT_TRUE(wb.decide(QStringLiteral("Limits"), [&] {
        QcThresholds th;
        th.spikeSuspect = 0.05;
        th.climatology[4] = {true, 7.0, 8.0};
        wb.setQcThresholds(th);
    }));
    ServiceVisit visit;
    visit.day = wb.openTable().days()[5];
    visit.foulingError = -0.1;
    visit.note = QStringLiteral("wiped");
    ASSERT_TRUE(wb.decide(QStringLiteral("Service Visits"), [&] {
        wb.setServiceVisits({visit}, {GradeLimits{}, true});
    }));
    Calibration c = wb.calibration();
    c.thermistor = {2, 1};
    c.thermistorCorr = {0, 0.5, -0.25};
    c.corr[0] = 0.02;
    ASSERT_TRUE(wb.decide(QStringLiteral("Compute"), [&] { wb.setSegmentCalibration(0, c); }));
    wb.plotInputs().autoscale = false;
    wb.plotInputs().plotDpH = true;
    wb.setStatisticsIncludeBad(false);
    wb.computePH();
}

QByteArray csvOf(Workbench &wb, TempFiles &tmp, const char *name) {
    const QString path = tmp.path(QLatin1String(name));
    EXPECT_EQ(wb.exportTable(path), QString());
    return slurp(path);
}

TEST(WorkbenchProject, MarksShowInFlagsCsvAndStatisticsButChangeNoValue) {
    ProjectBench b;
    const QByteArray before = csvOf(b.wb, b.tmp, "before.csv");
    const RangeStats all = b.wb.statistics(0, 5);
    decideAll(b.wb);
    EXPECT_EQ(b.wb.flagText(3), flagLetters(b.wb.flags()[3]) + u'B');
    EXPECT_TRUE(b.wb.flagText(4).endsWith(u'Q'));
    const std::vector<QStringList> rows = readCsv(csvOf(b.wb, b.tmp, "after.csv"));
    ASSERT_EQ(rows.size(), 7u);
    // The service visit's six columns come last.
    const qsizetype end = rows[0].size() - 6;
    EXPECT_EQ(rows[0][end], "pH-1 corrected");
    EXPECT_EQ(rows[0].mid(end - 3, 3), (QStringList{"qc_ph2", "mark", "note"}));
    EXPECT_EQ(rows[4].mid(end - 2, 2), (QStringList{"bad", "a, \"b\""}));
    EXPECT_EQ(rows[5].mid(end - 2, 2), (QStringList{"doubtful", "a, \"b\""}));
    EXPECT_EQ(rows[1][end - 2], QString());

    // The bad record's pH-1 (40 mV) is left out, unless asked for.
    const RangeStats left = b.wb.statistics(0, 5);
    EXPECT_EQ(left.series[statPH1].count, 5);
    b.wb.setStatisticsIncludeBad(true);
    EXPECT_EQ(b.wb.statistics(0, 5).series[statPH1].count, 6);
    EXPECT_EQ(all.series[statPH1].count, 6);
    EXPECT_EQ(readCsv(before)[4].mid(0, 6), rows[4].mid(0, 6));  // the raw reading as it was
}

TEST(WorkbenchProject, DecisionsUndoRedoAndTheTrailOnlyGrows) {
    ProjectBench b;
    decideAll(b.wb);
    ASSERT_EQ(b.wb.trail().size(), 7u);
    EXPECT_FALSE(b.wb.decide(QStringLiteral("Nothing"), [] {}));
    const auto step = b.wb.decide(QStringLiteral("Clear Mark"), [&] { b.wb.clearMarks(0, 5); });
    ASSERT_TRUE(step);
    EXPECT_EQ(b.wb.marks().list().size(), 1u);
    b.wb.undoDecision(*step);
    EXPECT_EQ(b.wb.marks().list().size(), 3u);
    b.wb.redoDecision(*step);
    EXPECT_EQ(b.wb.marks().list().size(), 1u);
    ASSERT_EQ(b.wb.trail().size(), 10u);
    EXPECT_EQ(b.wb.trail()[8].what, u"Undo Clear Mark");
    EXPECT_EQ(b.wb.trail()[0].reason, u"wiper");
    EXPECT_EQ(b.wb.trail()[0].changes[0].field, u"marks[0].from");
    EXPECT_EQ(b.wb.trail()[9].previous, sha256Hex(canonicalText(trailEntryJson(b.wb.trail()[8]))));
}

TEST(WorkbenchProject, SavedProjectOpensToTheSameDecisionsAndTable) {
    ProjectBench b;
    decideAll(b.wb);
    const QString path = b.tmp.path(QStringLiteral("run.brinewick"));
    ASSERT_EQ(b.wb.saveProject(path), QString());
    const QByteArray csv = csvOf(b.wb, b.tmp, "window.csv");

    ScriptedInteraction ui;
    Workbench again(ui, nullptr);
    ASSERT_TRUE(again.openProject(path));
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(again.projectFile().state, b.wb.projectFile().state);
    EXPECT_EQ(again.trail(), b.wb.trail());
    EXPECT_EQ(csvOf(again, b.tmp, "again.csv"), csv);
    EXPECT_FALSE(again.statisticsIncludeBad());
}

// Corrections past the maximum allowable limit fail the probe's aggregate; undone, they are gone.
TEST(WorkbenchProject, ServiceVisitsCorrectGradeAndUndo) {
    ProjectBench b;
    const std::span<const double> days = b.wb.openTable().days();
    ServiceVisit first, second;
    first.day = days[0];
    second.day = days[5];
    second.foulingError = -3.0;
    const std::optional<Workbench::DecisionStep> step = b.wb.decide(QStringLiteral("Service Visits"), [&] {
        b.wb.setServiceVisits({second, first}, {});
    });
    ASSERT_TRUE(step);
    const ProbeCorrections &c = b.wb.corrections(0);
    ASSERT_EQ(c.grade.size(), 6u);
    EXPECT_TRUE(b.wb.corrections(1).empty());
    EXPECT_NEAR(c.correction[3], 3.0 * 30 / 50, 1e-9);
    EXPECT_EQ(c.grade[3], Grade::Poor);
    EXPECT_NEAR(b.wb.correctedPH(0, 3), b.wb.openTable().value(3, colPH1) + 1.8, 1e-9);
    for (int r : {4, 5}) {
        EXPECT_EQ(c.grade[std::size_t(r)], Grade::NotReported);
        EXPECT_TRUE(std::isnan(b.wb.correctedPH(0, r)));
        EXPECT_EQ(qcAggregate(b.wb.qcAggregates()[std::size_t(r)], seriesPH1), qcFail);
    }
    EXPECT_NE(qcAggregate(b.wb.qcAggregates()[1], seriesPH1), qcFail);
    EXPECT_EQ(b.wb.trail().back().what, QStringLiteral("Service Visits"));
    b.wb.undoDecision(*step);
    EXPECT_FALSE(b.wb.hasCorrections());
    EXPECT_NE(qcAggregate(b.wb.qcAggregates()[5], seriesPH1), qcFail);
}

}  // namespace
