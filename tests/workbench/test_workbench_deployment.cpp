// Three logs opened as one deployment: an overlap, a gap, a calibration line after a dropped
// duplicate and a column one log lacks.
#include "workbench/workbench.h"
#include "export/report.h"
#include "export/export_fixtures.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace exporttest;

namespace {

QByteArray header(double s1, double s2, double o1, double o2, const char *date, bool aux = true) {
    return QStringLiteral("\"pH Probe Logger\"\r\n\"Probe 1 Slope:\",%1\r\n\"Probe 2 Slope:\",%2\r\n"
                          "\"Probe 1 Offset:\",%3\r\n\"Probe 2 Offset:\",%4\r\n\"Start Date:\",%5\r\n"
                          "\"Time\",\"Therm 1\",\"Therm 2\",\"Therm 3\",\"pH-1 Raw\",\"pH-2 Raw\",\"pH-1\",\"pH-2\",%6"
                          "\"Flow Rate\",\"Total Vol\"\r\n")
        .arg(s1)
        .arg(s2)
        .arg(o1)
        .arg(o2)
        .arg(QLatin1String(date), aux ? QStringLiteral("\"Aux\",") : QString())
        .toLatin1();
}

QByteArray record(const Reading &r, bool aux = true) {
    return QStringLiteral("\"%1\",%2,%3,%4,%5,%6,7.8,7.9,%7%8,%9\r\n")
        .arg(QLatin1String(r.time))
        .arg(r.therm[0])
        .arg(r.therm[1])
        .arg(r.therm[2])
        .arg(r.raw1)
        .arg(r.raw2)
        .arg(aux ? QStringLiteral("4,") : QString(), QStringLiteral("1.25"), QStringLiteral("0.5"))
        .toLatin1();
}

// Joined rows: day1 0-3, day2 10:00:20 (conflicting with day1's), 10:00:40 and 10:00:50 (its
// 10:00:30 is day1's, dropped), then after a gap day3's two records without the Aux column.
const Reading kDay1[] = {{"10:00:00", {25.0, 0, 0}, 59.16, 41.14},
                         {"10:00:10", {17.7, 0, 0}, -100, -40.25},
                         {"10:00:20", {12.5, 0, 0}, 66.22, 0.0},
                         {"10:00:30", {20.0, 0, 0}, 120.5, 80.0}};
const Reading kDay2[] = {{"10:00:20", {12.5, 0, 0}, 70.0, 0.0},
                         {"10:00:30", {20.0, 0, 0}, 120.5, 80.0},
                         {"10:00:40", {21.5, 0, 0}, -3.7, 15.25},
                         {"10:00:50", {22.25, 0, 0}, 44.4, -12.5}};
const Reading kDay3[] = {{"00:00:00", {23.0, 0, 0}, 10.0, 100.0}, {"00:00:10", {24.0, 0, 0}, 15.5, 90.0}};

struct Deployment {
    TempFiles tmp;
    QStringList paths;
    Deployment() {
        QByteArray day1 = header(0.985, 1.012, 0.0125, -0.0085, "#2004-5-13#"), day2, day3;
        for (const Reading &r : kDay1) day1 += record(r);
        day2 = header(0.99, 1.01, 0.01, -0.005, "#2004-5-13#") + record(kDay2[0]) + record(kDay2[1]) +
               "Slope:,0.97,Slope2:,1.03\r\n" + record(kDay2[2]) + record(kDay2[3]);
        day3 = header(1.0, 1.0, 0.0, 0.0, "#2004-5-14#", false) + record(kDay3[0], false) + record(kDay3[1], false);
        // Given out of time order: the join orders them by their first record.
        paths << tmp.write("day3.asc", day3) << tmp.write("day1.asc", day1) << tmp.write("day2.asc", day2);
    }
};

}  // namespace

TEST(WorkbenchDeployment, LogsJoinWithTheCalibrationInForceAtEachRecord) {
    Deployment d;
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    ASSERT_TRUE(wb.openLogs(d.paths));
    EXPECT_EQ(ui.texts(), QStringList({"The logs' columns differ; they are joined by column name:\n"
                                       "day3.asc: no \"Aux\" (empty cells there)"}));
    ASSERT_EQ(wb.rowCount(), 9);
    EXPECT_EQ(wb.readReport().duplicatesDropped, 1);
    EXPECT_EQ(wb.readReport().conflicts, 2);
    const QString logOf[9] = {"day1.asc", "day1.asc", "day1.asc", "day1.asc", "day2.asc",
                              "day2.asc", "day2.asc", "day3.asc", "day3.asc"};
    for (int r = 0; r < 9; ++r) EXPECT_EQ(wb.logNameOfRow(r), logOf[r]) << r;
    EXPECT_EQ(wb.table().text(7, 8), QString());  // day3 has no Aux
    EXPECT_EQ(wb.table().number(6, 8), 4.0);

    // day1's header, day2's header, day2's slope line after its dropped duplicate, day3's header.
    ASSERT_EQ(wb.segments().size(), 4u);
    const int firstRows[4] = {0, 4, 5, 7};
    const QString origins[4] = {"day1.asc header", "day2.asc header", "day2.asc line 10", "day3.asc header"};
    const Probe probes[4][2] = {{{0.985, 0.0125}, {1.012, -0.0085}},
                                {{0.99, 0.01}, {1.01, -0.005}},
                                {{0.97, 0.01}, {1.03, -0.005}},
                                {{1.0, 0.0}, {1.0, 0.0}}};
    for (std::size_t s = 0; s < 4; ++s) {
        const CalibrationSegment &seg = wb.segments()[s];
        EXPECT_EQ(seg.firstRow, firstRows[s]);
        EXPECT_EQ(seg.logName + u' ' + seg.originText(), origins[s]);
    }

    ASSERT_TRUE(wb.computePH());
    const Reading *in[9] = {&kDay1[0], &kDay1[1], &kDay1[2], &kDay1[3], &kDay2[0],
                            &kDay2[2], &kDay2[3], &kDay3[0], &kDay3[1]};
    const int segmentOf[9] = {0, 0, 0, 0, 1, 2, 2, 3, 3};
    for (int r = 0; r < 9; ++r) {
        const Probe *p = probes[segmentOf[r]];
        EXPECT_EQ(*wb.table().number(r, colPH1), expectedPH(*in[r], in[r]->raw1, p[0])) << r;
        EXPECT_EQ(*wb.table().number(r, colPH2), expectedPH(*in[r], in[r]->raw2, p[1])) << r;
    }
    // Both records of 10:00:20 carry the conflict, and keep it through a new Compute's flags.
    wb.setQcThresholds(QcThresholds{});
    for (int r = 0; r < 9; ++r) EXPECT_EQ(bool(wb.flags()[std::size_t(r)] & flagConflict), r == 2 || r == 4) << r;
    EXPECT_EQ(wb.flagCounts(0, 8).of[11], 2);

    // The report names every log with what was read of it, and every segment with its origin.
    const QString report = reportText(buildReport(wb, {}));
    const QByteArray day2 = slurp(d.paths[2]);
    EXPECT_TRUE(report.contains(QStringLiteral("day2.asc\t%1 bytes\t%2\t4\t5/13/2004 10:00:20\t5/13/2004 10:00:50")
                                    .arg(day2.size())
                                    .arg(QCryptographicHash::hash(day2, QCryptographicHash::Sha256).toHex())))
        << report.toStdString();
    EXPECT_TRUE(report.contains("3\t5/13/2004 10:00:40\tday2.asc, line 10\t0.97, 0.01, 0\t1.03, -0.005, 0"));

    // A log that cannot be read is named and left out; the others open.
    ScriptedInteraction ui2;
    Workbench partial(ui2, nullptr);
    EXPECT_FALSE(partial.openLogs({d.paths[1], d.tmp.path("gone.asc")}));
    EXPECT_EQ(partial.rowCount(), 4);
    EXPECT_TRUE(ui2.texts().contains("These logs could not be read and are left out: gone.asc."));

    // A folder's logs, by the Open dialog's file types.
    d.tmp.write("notes.csv", "not a log");
    const QStringList folder = Workbench::logsOfFolder(QFileInfo(d.paths[0]).absolutePath());
    EXPECT_EQ(folder.size(), 3);
    // One the person may not read is still the folder's: the open names it, not passes it over.
    if (::geteuid() != 0) {
        const QString locked = d.tmp.write("locked.asc", "x");
        ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::WriteOwner));
        EXPECT_TRUE(Workbench::logsOfFolder(QFileInfo(locked).absolutePath()).contains(locked));
    }
}
