// Projects through brinewick-export: one made from logs and options gives the CSV those options
// give; one made in the window gives the window's CSV; --verify finds a hand edit and a changed log.
#include "export_fixtures.h"
#include "export_runner.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"
#include "workbench/workbench.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace exporttest;

namespace {

const std::vector<Reading> kDayOne = {{"08:00:00", {18.0, 18.5, 12.5}, 66.2, 41.1},
                                      {"08:00:10", {18.1, 18.4, 12.6}, 59.1, 0.0},
                                      {"08:00:20", {18.2, 18.3, 12.7}, -100, -40.2},
                                      {"08:00:30", {18.3, 18.2, 12.8}, 12.3, -250.5}};
const std::vector<Reading> kDayTwo = {{"09:00:00", {19.0, 19.5, 13.5}, 60.2, 40.1},
                                      {"09:00:10", {19.1, 19.4, 13.6}, 50.1, 1.0}};

void rewrite(const QString &path, const QByteArray &from, const QByteArray &to) {
    QByteArray bytes = slurp(path);
    ASSERT_TRUE(bytes.contains(from));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes.replace(from, to));
}

TEST(ProjectCommand, AProjectOfLogsAndOptionsGivesTheirCsv) {
    TempFiles tmp;
    const QString one = tmp.write("one.asc", makeLog(kDayOne)), two = tmp.write("two.asc", makeLog(kDayTwo, 1.0, 0.99));
    const QStringList options{"--ph1-slope", "0.97", "--ph2-thermistor", "3", "--therm3-corr", "0.4", "--segment", "2"};
    const QString project = tmp.path("p.brinewick");
    const Outcome made = run(QStringList{"--save-project", project} + options + QStringList{one, two});
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    EXPECT_EQ(run({"--verify", project}).status, 0);

    ASSERT_EQ(run({"--project", project, "--csv", tmp.path("p.csv"), "--stats", tmp.path("p.stats.csv")}).status, 0);
    const Outcome direct = run(QStringList{"--join", "--csv", tmp.path("d.csv"), "--stats", tmp.path("d.stats.csv")} +
                               options + QStringList{one, two});
    ASSERT_EQ(direct.status, 0) << direct.err.toStdString();
    EXPECT_EQ(slurp(tmp.path("p.csv")), slurp(tmp.path("d.csv")));
    EXPECT_EQ(slurp(tmp.path("p.stats.csv")), slurp(tmp.path("d.stats.csv")));

    const ProjectRead read = readProjectFile(project);
    ASSERT_EQ(read.project.trail.size(), 1u);
    const TrailEntry &e = read.project.trail[0];
    EXPECT_EQ(e.what, u"Project made by brinewick-export");
    EXPECT_EQ(e.changes[0].newValue, one + u'\n' + two);
    EXPECT_EQ(e.changes[1].newValue, options.join(u' '));
    EXPECT_EQ(e.user, loginName());
}

TEST(ProjectCommand, TheWindowsProjectGivesItsCsvAndVerifyFindsEdits) {
    TempFiles tmp;
    const QString log = tmp.write("one.asc", makeLog(kDayOne));
    const QString project = tmp.path("w.brinewick");
    {
        ScriptedInteraction ui;
        Workbench wb(ui, nullptr);
        ASSERT_TRUE(wb.open(log));
        wb.decide(
            "Mark as Bad", [&] { wb.markRows(1, 2, MarkKind::Bad, "pump off"); }, "pump off");
        wb.decide("Add Note", [&] { wb.markRows(2, 3, MarkKind::Note, "cleaned"); });
        wb.decide("Limits", [&] { QcThresholds th;
            th.spikeSuspect = 0.01;
            th.probeSuspect = 0.05;
            wb.setQcThresholds(th); });
        wb.computePH();
        ASSERT_EQ(wb.saveProject(project), QString());
        ASSERT_EQ(wb.exportTable(tmp.path("window.csv")), QString());
        ASSERT_EQ(wb.exportStatistics(tmp.path("window.stats.csv"), 0, 3), QString());
    }
    ASSERT_EQ(run({"--project", project, "--csv", tmp.path("p.csv"), "--stats", tmp.path("p.stats.csv")}).status, 0);
    EXPECT_EQ(slurp(tmp.path("p.csv")), slurp(tmp.path("window.csv")));
    EXPECT_EQ(slurp(tmp.path("p.stats.csv")), slurp(tmp.path("window.stats.csv")));
    EXPECT_TRUE(slurp(tmp.path("p.csv")).contains(",flags,qc_ph1,qc_ph2,mark,note\r\n"));

    const QByteArray saved = slurp(project);
    rewrite(project, "\"reason\": \"pump off\"", "\"reason\": \"pump was on\"");
    Outcome r = run({"--verify", project});
    EXPECT_EQ(r.status, 6);
    EXPECT_EQ(r.err, QStringLiteral("brinewick-export: the audit trail of \"%1\" is broken: entry 1 was changed: "
                                    "entry 2 holds another hash of it.\n")
                         .arg(project)
                         .toLocal8Bit());
    rewrite(project, "\"reason\": \"pump was on\"", "\"reason\": \"pump off\"");
    EXPECT_EQ(run({"--verify", project}).status, 0);

    rewrite(log, "\"08:00:30\",18.3", "\"08:00:30\",18.4");
    r = run({"--verify", project});
    EXPECT_EQ(r.status, 7);
    EXPECT_TRUE(r.err.contains("The log \"" + log.toLocal8Bit() + "\" is not as the project")) << r.err.toStdString();
    // It still opens, and says so.
    r = run({"--project", project, "--csv", tmp.path("changed.csv")});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.contains("its size or SHA-256 differs")) << r.err.toStdString();
    EXPECT_EQ(saved, slurp(project));

    r = run({"--verify", project, log});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "brinewick-export: --verify checks one project: give no other option and no log (see --help)\n");
}

}  // namespace
