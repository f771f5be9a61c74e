// The report's content: what file, what it held, what was applied, what the read found.
#include "export/report.h"
#include "export_fixtures.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"
#include "workbench/workbench.h"

#include <QCryptographicHash>
#include <QFile>
#include <gtest/gtest.h>

using namespace exporttest;

namespace {

const std::vector<Reading> kReportReadings = {
    {"08:00:00", {20.0, 21.0, 22.0}, 10.0, -5.0},
    {"08:00:10", {20.5, 21.5, 22.5}, 12.0, -6.0},
    {"08:00:20", {21.0, 22.0, 23.0}, 14.0, -7.0},
};

QString textOf(const Workbench &wb, const ReportExtras &extras = {}) { return reportText(buildReport(wb, extras)); }

}  // namespace

TEST(Report, NamesTheFileItsBytesTheHeaderAndWhatWasApplied) {
    TempFiles tmp;
    QByteArray log = makeLog(kReportReadings, 0.985, 1.012, 0.0125, -0.0085);
    log.insert(log.indexOf("\"Start Date"),
               "\"Probe 1 Serial Number:\",PB-20417\r\n\"Probe 2 Calibration Date:\",5/12/2004\r\n");
    const QString path = tmp.write("tank a.asc", log);
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    ASSERT_TRUE(wb.open(path));
    wb.calibration().slope[1] = 1.0007;
    wb.calibration().thermistor[1] = 2;
    wb.calibration().thermistorCorr[2] = -0.25;
    ASSERT_TRUE(wb.computePH());

    ReportExtras extras;
    extras.made = QDateTime(QDate(2026, 12, 8), QTime(9, 30));
    extras.plot = true;
    extras.bufferCalibration[1] = {QStringLiteral("pH-2 slope 1.0007 (100.07 % of Nernst) pass")};
    const QString text = textOf(wb, extras);

    const QString sha = QString::fromLatin1(QCryptographicHash::hash(log, QCryptographicHash::Sha256).toHex());
    for (const QString &expected :
         {QStringLiteral("Probe log report: tank a.asc"), QStringLiteral("Name\ttank a.asc"),
          QStringLiteral("Size\t%1 bytes").arg(log.size()), QStringLiteral("SHA-256\t") + sha,
          // As the file has them; a value the file lacks says so.
          QStringLiteral("Serial number\tPB-20417\t(none)"), QStringLiteral("Calibration date\t(none)\t5/12/2004"),
          QStringLiteral("Slope\t0.985\t1.012"), QStringLiteral("Offset\t0.0125\t-0.0085"),
          QStringLiteral("Columns\tTime, Therm 1, Therm 2, Therm 3, pH-1 Raw"),
          // What Compute used, which is not what the file said for pH-2.
          QStringLiteral("Calibration applied\n\tpH-1\tpH-2\nSlope\t0.985\t1.0007"),
          QStringLiteral("Thermistor\tT1\tT3"), QStringLiteral("T1 0, T2 0, T3 -0.25"),
          QStringLiteral("Buffer calibration of pH-2\npH-2 slope 1.0007"), QStringLiteral("Records loaded\t3"),
          QStringLiteral("Records computed\t3"), QStringLiteral("Read to the end\tyes"),
          // The first and last record plotted, in the one date form of the records.
          QStringLiteral("Start date\t5/13/2004 00:00:00"),
          QStringLiteral("Plot from 5/13/2004 08:00:00 to 5/13/2004 08:00:20"),
          // The statistics and flags of the plotted records: all three while autoscaled, at the
          // decimals of their columns (means and deviations one more).
          QStringLiteral("Statistics of the plotted records\nquantity\tcount\tmin\tmax"),
          QStringLiteral("Date/Time\t3\t5/13/2004 08:00:00\t5/13/2004 08:00:20"),
          QStringLiteral("\nT3\t3\t22.00\t23.00\t22.500\t0.500\t"), QStringLiteral("Quality flags\nNo flags"),
          QStringLiteral("Brinewick 1.1.1, made 12/8/2026 09:30:00")})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n---\n" << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Buffer calibration of pH-1")));
}

TEST(Report, TellsWhereAReadStoppedAndWhatWasLeftOut) {
    TempFiles tmp;
    // An invalid start date, and No to going on.
    const QString path =
        tmp.write("bad.asc", makeLog(kReportReadings, 1, 1, 0, 0, "#2004-13-45#\r\n\"Start Date:\",#2004-5-13#"));
    ScriptedInteraction ui;
    ui.answers.push_back(MsgAnswer::No);
    Workbench wb(ui, nullptr);
    EXPECT_FALSE(wb.open(path));
    const QString text = textOf(wb);
    EXPECT_TRUE(text.contains(QStringLiteral("Read to the end\tno, stopped at line 6"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Records loaded\t0"))) << text.toStdString();
}

TEST(Report, ListsEveryGapOrSaysThereIsNone) {
    TempFiles tmp;
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    std::vector<Reading> readings = kReportReadings;
    readings.push_back({"11:20:20", {21.0, 22.0, 23.0}, 14.0, -7.0});
    ASSERT_TRUE(wb.open(tmp.write("gap.asc", makeLog(readings, 1, 1, 0, 0))));
    const QString text = textOf(wb);
    EXPECT_TRUE(text.contains(QStringLiteral("Gaps longer than 10 min\nfrom\tto\tduration\n"
                                             "5/13/2004 08:00:20\t5/13/2004 11:20:20\t3 h 20 min\n")))
        << text.toStdString();
    wb.setGapMinutes(240);
    EXPECT_TRUE(textOf(wb).contains(QStringLiteral("Gaps\nNo gaps longer than 4 h\n")));
}

TEST(Report, ShowsTheThermistorFieldsAsTheyAre) {
    TempFiles tmp;
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    ASSERT_TRUE(wb.open(tmp.write("t.asc", makeLog(kReportReadings, 1, 1, 0, 0))));
    CalibrationTexts t;
    t.slope = {QStringLiteral("1"), QStringLiteral("1")};
    t.offset = t.corr = {QStringLiteral("0"), QStringLiteral("0")};
    t.thermistor = {1, 1};
    t.thermistorCorr = {QString(), QStringLiteral("1"), QStringLiteral("0")};
    ASSERT_TRUE(wb.validateInputs(t));
    // T2 back to 0 while no probe uses it; T3 holds a text no probe reads.
    t.thermistor = {0, 0};
    t.thermistorCorr = {QString(), QStringLiteral("0"), QStringLiteral("abc")};
    ASSERT_TRUE(wb.validateInputs(t));
    const QString text = textOf(wb);
    EXPECT_TRUE(text.contains(QStringLiteral("T1 0, T2 0, T3 (not a number)"))) << text.toStdString();
}

TEST(Report, StandsForTheBytesReadAndSaysWhenTheFileGrewSince) {
    TempFiles tmp;
    const QByteArray log = makeLog(kReportReadings, 1, 1, 0, 0);
    const QString path = tmp.write("grows.asc", log);
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    ASSERT_TRUE(wb.open(path));
    const QByteArray more = "\"Logger note\"\r\n";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(more);
    }
    auto sha = [](const QByteArray &b) {
        return QStringLiteral("SHA-256\t") +
               QString::fromLatin1(QCryptographicHash::hash(b, QCryptographicHash::Sha256).toHex());
    };
    QString text = textOf(wb);
    for (const QString &expected :
         {QStringLiteral("Size\t%1 bytes").arg(log.size()), sha(log),
          QStringLiteral("Since the read\tthe file has grown to %1 bytes").arg(log.size() + more.size())})
        EXPECT_TRUE(text.contains(expected)) << expected.toStdString() << "\n---\n" << text.toStdString();

    // Following reads the rest: the report then stands for all of it.
    ASSERT_TRUE(wb.startFollow());
    wb.pollFollow();
    text = textOf(wb);
    EXPECT_TRUE(text.contains(QStringLiteral("Size\t%1 bytes").arg(log.size() + more.size()))) << text.toStdString();
    EXPECT_TRUE(text.contains(sha(log + more))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Since the read")));
}

TEST(Report, PrintsTheMarksAndTheTrailsLastFiftyEntries) {
    TempFiles tmp;
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    ASSERT_TRUE(wb.open(tmp.write("marks.asc", makeLog(kReportReadings))));
    ASSERT_TRUE(wb.computePH());
    ASSERT_TRUE(wb.decide(
        "Mark as Bad", [&] { wb.markRows(1, 1, MarkKind::Bad, "air in the cell"); }, "air"));
    for (int i = 0; i < 54; ++i)
        wb.decide("Limits", [&] {
            QcThresholds th;
            th.flatSuspectMinutes = 31 + i;
            wb.setQcThresholds(th);
        });
    const QString text = textOf(wb);
    EXPECT_TRUE(text.contains("Statistics of the plotted records (records marked bad left out)\n"));
    EXPECT_TRUE(text.contains("\nMarks\nMark\tFrom\tTo\tReason or note\n"
                              "bad\t5/13/2004 08:00:10\t5/13/2004 08:00:10\tair in the cell\n"));
    const QString hash = QString::fromLatin1(sha256Hex(canonicalText(trailEntryJson(wb.trail().back()))));
    EXPECT_TRUE(text.contains("\nAudit trail\nEntries\t55, the last 50 shown\nChain's last hash\t" + hash +
                              "\n#\tTime (UTC)\tUser\tWhat\tChanges\tReason\n6\t"));
    EXPECT_FALSE(text.contains("\n5\t"));
    EXPECT_TRUE(text.contains("\tLimits\tqualityLimits.flatSuspect: 83 -> 84\t\n"));
}

TEST(Report, ListsTheVisitsTheLargestCorrectionsAndTheGrades) {
    TempFiles tmp;
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    const std::vector<Reading> night = {{"22:00:00", {20.0, 21.0, 22.0}, 10.0, -5.0},
                                        {"23:00:00", {20.5, 21.5, 22.5}, 12.0, -6.0},
                                        {"00:00:00", {21.0, 22.0, 23.0}, 14.0, -7.0},
                                        {"01:00:00", {21.0, 22.0, 23.0}, 13.0, -7.0}};
    ASSERT_TRUE(wb.open(tmp.write("night.asc", makeLog(night))));
    ASSERT_TRUE(wb.computePH());
    ServiceVisit first, second;
    first.day = *dt::parse(u"5/13/2004 22:00:00");
    second.day = *dt::parse(u"5/14/2004 01:00:00");
    second.foulingError = -0.3;
    second.note = QStringLiteral("wiped");
    wb.setServiceVisits({first, second}, {});
    const QString text = textOf(wb);
    const QString cite = QStringLiteral("Grades after Wagner and others (2006), USGS Techniques and Methods 1-D3.");
    EXPECT_EQ(text.count(cite), 1);
    EXPECT_TRUE(text.contains("\n5/14/2004 01:00:00\t-0.3\t0\t0\t\t\twiped\n")) << text.toStdString();
    // A third of the fouling an hour in, two thirds two hours in, all of it at the visit.
    EXPECT_TRUE(text.contains("\nLargest corrections of pH-1\nRecord\tCorrection\tFouling\tDrift\tGrade\n"
                              "5/14/2004 01:00:00\t0.3000\t0.3000\t0.0000\tGood\n"
                              "5/14/2004 00:00:00\t0.2000\t0.2000\t0.0000\tExcellent\n"
                              "5/13/2004 23:00:00\t0.1000\t0.1000\t0.0000\tExcellent\n"));
    EXPECT_FALSE(text.contains("Largest corrections of pH-2"));
    EXPECT_TRUE(text.contains("\nRecords per grade\nGrade\tpH-1\tpH-2\nExcellent\t3\t0\nGood\t1\t0\nFair\t0\t0\n"));
    EXPECT_TRUE(text.contains("\n5/13/2004\tExcellent\t(none)\n5/14/2004\tGood\t(none)\n"));
}
