// A followed folder: its newest log grows on the end of the deployment, and a log that appears
// in the folder joins it.
#include "workbench/workbench.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

QByteArray logHeader(const char *date) {
    return QStringLiteral("\"pH Probe Logger\"\r\n\"Probe 1 Slope:\",0.99\r\n\"Probe 2 Slope:\",1.01\r\n"
                          "\"Probe 1 Offset:\",0.01\r\n\"Probe 2 Offset:\",-0.005\r\n\"Start Date:\",%1\r\n"
                          "\"Time\",\"Therm 1\",\"Therm 2\",\"Therm 3\",\"pH-1 Raw\",\"pH-2 Raw\",\"pH-1\",\"pH-2\","
                          "\"Aux\",\"Flow Rate\",\"Total Vol\"\r\n")
        .arg(QLatin1String(date))
        .toLatin1();
}

// `count` records a minute apart from 10:00, their raw values from `first` on.
QByteArray minuteRecords(int first, int count) {
    QByteArray out;
    for (int i = first; i < first + count; ++i)
        out += QStringLiteral("\"10:%1:00\",20,0,0,%2,%3,7.8,7.9,4,1.25,0.5\r\n")
                   .arg(i, 2, 10, QLatin1Char('0'))
                   .arg(10 + i * 3)
                   .arg(-5 - i)
                   .toLatin1();
    return out;
}

void appendTo(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(bytes);
}

}  // namespace

TEST(WorkbenchFollowFolder, TheNewestLogGrowsAndANewLogJoins) {
    TempFiles tmp;
    tmp.write("day1.asc", logHeader("#2004-5-13#") + minuteRecords(0, 3));
    // Another probe in day2: told at the open, and not again when a log like day1's joins.
    const QByteArray otherProbe =
        logHeader("#2004-5-14#").replace("\"Probe 1 Slope", "\"Probe 1 Serial Number:\",\"A-1\"\r\n\"Probe 1 Slope");
    const QString day2 = tmp.write("day2.asc", otherProbe + minuteRecords(0, 2));
    const QString folder = QFileInfo(day2).absolutePath();
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    ASSERT_TRUE(wb.openFolder(folder));
    ASSERT_EQ(wb.rowCount(), 5);
    ASSERT_EQ(ui.texts().size(), 1);
    ASSERT_TRUE(wb.canFollow());
    wb.computePH();
    Calibration edited = wb.calibration();
    edited.corr[0] = 0.25;
    wb.setSegmentCalibration(0, edited);
    wb.computePH();
    ASSERT_TRUE(wb.startFollow());
    EXPECT_EQ(wb.followedPath(), day2);

    // Records, then a calibration line and a record: on the end, named after day2, computed.
    appendTo(day2, minuteRecords(2, 2) + "Slope:,0.97,Slope2:,1.03\r\n" + minuteRecords(4, 1));
    FollowStep step = wb.pollFollow();
    EXPECT_EQ(step.outcome, LogFollower::Outcome::Appended);
    EXPECT_EQ(step.firstNewRow, 5);
    ASSERT_EQ(wb.rowCount(), 8);
    for (int r = 5; r < 8; ++r) EXPECT_EQ(wb.logNameOfRow(r), QStringLiteral("day2.asc")) << r;
    EXPECT_EQ(wb.computedRows(), 8);
    EXPECT_EQ(wb.flags().size(), 8u);
    ASSERT_EQ(wb.segments().size(), 3u);
    EXPECT_EQ(wb.segments()[2].firstRow, 7);
    EXPECT_EQ(wb.segments()[2].calibration.slope[0], 0.97);
    EXPECT_EQ(wb.join().logs.back().records, 5);

    // A log written into the folder joins: the folder is opened again, the edit kept, and
    // following goes on with the new newest log.
    const QString day3 = tmp.write("day3.asc", logHeader("#2004-5-15#") + minuteRecords(0, 1));
    step = wb.pollFollow();
    EXPECT_EQ(step.outcome, LogFollower::Outcome::ReadAgain);
    EXPECT_EQ(step.joinedLogs, QStringList{"day3.asc"});
    ASSERT_EQ(wb.join().logs.size(), 3u);
    ASSERT_EQ(wb.rowCount(), 9);
    EXPECT_EQ(wb.logNameOfRow(8), QStringLiteral("day3.asc"));
    EXPECT_EQ(wb.segments()[0].origin, CalibrationOrigin::Edit);
    EXPECT_EQ(wb.segments()[0].calibration.corr[0], 0.25);
    EXPECT_EQ(wb.computedRows(), 9);
    EXPECT_TRUE(wb.following());
    EXPECT_EQ(wb.followedPath(), day3);

    appendTo(day3, minuteRecords(1, 1));
    step = wb.pollFollow();
    EXPECT_EQ(step.outcome, LogFollower::Outcome::Appended);
    ASSERT_EQ(wb.rowCount(), 10);
    EXPECT_EQ(wb.logNameOfRow(9), QStringLiteral("day3.asc"));
    EXPECT_EQ(wb.computedRows(), 10);
    EXPECT_EQ(wb.pollFollow().outcome, LogFollower::Outcome::Unchanged);
    EXPECT_EQ(ui.texts().size(), 1) << ui.texts().join('\n').toStdString();
}

TEST(WorkbenchFollowFolder, ANewestLogWrittenAnewOpensTheFolderAgain) {
    TempFiles tmp;
    tmp.write("day1.asc", logHeader("#2004-5-13#") + minuteRecords(0, 3));
    const QString day2 = tmp.write("day2.asc", logHeader("#2004-5-14#") + minuteRecords(0, 4));
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    ASSERT_TRUE(wb.openFolder(QFileInfo(day2).absolutePath()));
    EXPECT_FALSE(Workbench(ui, nullptr).canFollow());
    ASSERT_TRUE(wb.startFollow());
    tmp.write("day2.asc", logHeader("#2004-5-14#") + minuteRecords(0, 2));
    const FollowStep step = wb.pollFollow();
    EXPECT_EQ(step.outcome, LogFollower::Outcome::ReadAgain);
    EXPECT_TRUE(step.joinedLogs.isEmpty());
    EXPECT_EQ(wb.rowCount(), 5);
    EXPECT_TRUE(wb.following());

    // Stopped and started again, it reads on from the log as it is now.
    wb.stopFollow();
    appendTo(day2, minuteRecords(2, 3));
    ASSERT_TRUE(wb.startFollow());
    EXPECT_EQ(wb.pollFollow().outcome, LogFollower::Outcome::Appended);
    EXPECT_EQ(wb.rowCount(), 8);
}
