// The batch command's CSV written block by block against the CSV of the whole table, byte for
// byte, with blocks small enough that the flags' context crosses their edges.
#include "export/exportcli.h"
#include "export/export_fixtures.h"
#include "export/streamexport.h"
#include "model/clsdataset.h"
#include "support/temp_files.h"
#include "workbench/workbench.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr int kSmallBlock = 128;

QByteArray contentsOrNone(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

struct Outcome {
    int status = -1;
    QByteArray csv, stats;
};

// The window's road as brinewick-export runs it with the whole table.
Outcome wholeTable(const ExportOptions &o) {
    StderrInteraction ui(o.stopOnBadDate);
    Workbench wb(ui, nullptr);
    wb.setMaxInputSize(o.maxSize);
    wb.setLoadAllRecords(o.allRecords);
    const auto outcome = [&o](int status) {
        return Outcome{status, contentsOrNone(o.csvPath), contentsOrNone(o.statsPath)};
    };
    if (!(o.join ? wb.openLogs(o.logFiles) : wb.open(o.logFile)))
        return outcome(ui.answeredNo() ? kExitStopped : kExitFailed);
    if (!applyCalibrationOptions(o, wb).isEmpty()) return outcome(kExitFailed);
    const int status = wb.computePH() ? kExitOk : kExitComputeStopped;
    std::pair<int, int> rows{0, wb.rowCount() - 1};
    if (!o.from.isEmpty() || !o.to.isEmpty()) {
        rows = *wb.rowsBetweenTexts(o.from, o.to);
        if (rows.first > rows.second) return outcome(kExitFailed);
    }
    if (!wb.exportStatistics(o.statsPath, rows.first, rows.second).isEmpty()) return outcome(kExitFailed);
    if (!wb.exportTable(o.csvPath, rows.first, rows.second).isEmpty()) return outcome(kExitFailed);
    return outcome(status);
}

// Both roads over the log with the options, the statistics too; the streamed outputs over
// older files, which must stay where nothing is written.
void expectSameExport(const QStringList &logs, const QStringList &options, const char *what) {
    TempFiles dir;
    const auto parse = [&](const char *road) {
        const QString csv = dir.write(QStringLiteral("%1.csv").arg(road), "old"),
                      stats = dir.write(QStringLiteral("%1-stats.csv").arg(road), "old");
        return *parseExportArgs(QStringList{"--csv", csv, "--stats", stats} + options + logs).options;
    };
    const Outcome expected = wholeTable(parse("whole"));
    const ExportOptions o = parse("streamed");
    StderrInteraction ui(o.stopOnBadDate);
    const std::optional<int> joined = o.join ? streamJoin(o, ui, kSmallBlock) : std::nullopt;
    ASSERT_EQ(joined.has_value(), o.join) << what;  // a join here never needs the whole road
    const int status = joined ? *joined : streamExport(o, ui, kSmallBlock);
    EXPECT_EQ(status, expected.status) << what;
    EXPECT_EQ(contentsOrNone(o.csvPath), expected.csv) << what;
    EXPECT_EQ(contentsOrNone(o.statsPath).toStdString(), expected.stats.toStdString()) << what;
}

QString sampleLog(const char *name) {
    return QDir::cleanPath(QStringLiteral(BRINEWICK_TEST_DATA "/../../data/") + QLatin1String(name));
}

// A log of `records` records a minute apart from 22:00, with a few flagged ones; `line` may
// change record i's text.
QByteArray makeLog(int records, const std::function<void(int, QByteArray &)> &line = {}) {
    QByteArray out = "\"pH Probe Logger\"\r\n\"Probe 1 Slope:\",0.985\r\n\"Probe 2 Slope:\",1.012\r\n"
                     "\"Probe 1 Offset:\",0.0125\r\n\"Probe 2 Offset:\",-0.0085\r\n\"Start Date:\",#2004-5-13#\r\n"
                     "\"Time\",\"Therm 1\",\"Therm 2\",\"Therm 3\",\"pH-1 Raw\",\"pH-2 Raw\",\"pH-1\",\"pH-2\","
                     "\"Aux\",\"Flow Rate\",\"Total Vol\"\r\n";
    for (int i = 0; i < records; ++i) {
        const int minutes = (22 * 60 + i) % (24 * 60);
        // A flat run of 40 and a spike across the first block edges; a thermistor apart and no flow now and then.
        const double raw1 = i >= 100 && i < 140 ? 50.0 : 40.0 + (i * 37 % 23) / 10.0;
        const double raw2 = i == 127 || i == 254 ? 120.0 : 41.0 + (i * 13 % 17) / 10.0;
        QByteArray l = QStringLiteral("\"%1:%2:00\",%3,20.5,%4,%5,%6,7.8,7.9,%7,%8,%9")
                           .arg(minutes / 60, 2, 10, QChar('0'))
                           .arg(minutes % 60, 2, 10, QChar('0'))
                           .arg(20.0 + (i % 11) / 10.0)
                           .arg(i % 97 == 5 ? 25.0 : 21.0)
                           .arg(raw1)
                           .arg(raw2)
                           .arg(i % 7)
                           .arg(i % 50 == 3 ? 0.0 : 1.25)
                           .arg(i * 0.5)
                           .toLatin1();
        if (line) line(i, l);
        out += l + "\r\n";
    }
    return out;
}

TEST(StreamExport, SampleLogsGiveTheWholeTablesCsv) {
    for (const char *name : {"overnight-2004-05-13.asc", "dayshift-2004-06-02.asc", "tank-b-2005-03-07.log"}) {
        expectSameExport({sampleLog(name)}, {}, name);
        expectSameExport({sampleLog(name)}, {"--ph1-slope", "1.01", "--ph2-offset", "0.004", "--ph2-thermistor", "3"},
                         name);
    }
    expectSameExport({sampleLog("overnight-2004-05-13.asc")},
                     {"--from", "5/13/2004 23:00:00", "--to", "5/14/2004 01:00:00"}, "a range across midnight");
    expectSameExport({sampleLog("overnight-2004-05-13.asc")}, {"--from", "5/20/2004 00:00:00"},
                     "a range after the log");
}

TEST(StreamExport, LogsThatChangeWhatTheirFirstBlockSaid) {
    TempFiles dir;
    struct Case {
        const char *what;
        int records;
        std::function<void(int, QByteArray &)> line;
        QStringList options;
    };
    const QByteArray cut = QByteArray(",1").repeated(300);
    const auto badStartDate = [](int i, QByteArray &l) {
        if (i == 150) l.prepend("\"Start Date:\",#2004-13-45#\r\n");
    };
    const Case cases[] = {
        {"plain, past several block edges", 700, {}, {}},
        {"a compute stop in the third block",
         700,
         [](int i, QByteArray &l) {
             if (i == 300) l.replace(",21,", ",-300,");
         },
         {"--ph1-thermistor", "3"}},
        {"a stop before the first record", 300, {}, {"--ph1-slope", "0"}},
        {"cut records late in the log",
         600,
         [&](int i, QByteArray &l) {
             if (i == 450 || i == 451) l += cut;
         },
         {}},
        {"a slope line late in the log",
         600,
         [](int i, QByteArray &l) {
             if (i == 500) l.prepend("\"Probe 1 Slope:\",1.02\r\n");
         },
         {}},
        {"a wider record late in the log",
         600,
         [](int i, QByteArray &l) {
             if (i == 590) l += ",3,4";
         },
         {}},
        {"short records first",
         400,
         [](int i, QByteArray &l) {
             if (i < 200) l.truncate(l.indexOf(",7.8"));
         },
         {}},
        {"a range inside", 700, {}, {"--from", "5/13/2004 23:30:00", "--to", "5/14/2004 04:00:00"}},
        {"a range that holds no record", 300, {}, {"--to", "5/12/2004 00:00:00"}},
        {"an invalid start date answered continue", 300, badStartDate, {}},
        {"an invalid start date answered stop", 300, badStartDate, {"--on-bad-date", "stop"}},
        {"past the record cap", kMaxRecords + 300, {}, {}},
        {"past the record cap, all records", kMaxRecords + 300, {}, {"--all-records"}},
    };
    for (const Case &c : cases) expectSameExport({dir.write("log.asc", makeLog(c.records, c.line))}, c.options, c.what);
}

TEST(StreamExport, CalibrationLinesInTheMiddleAndTheSegmentOption) {
    TempFiles dir;
    // Segment 2 from record 200 (a group of two lines), segment 3 from 300, blocks apart.
    const auto calibrationLines = [](int i, QByteArray &l) {
        if (i == 200) l.prepend("Slope:,0.97,Slope2:,1.03\r\n\"Probe 1 Offset:\",0.02\r\n");
        if (i == 300) l.prepend("\"Probe 2 Offset:\",-0.01\r\n");
    };
    const QString log = dir.write("log.asc", makeLog(500, calibrationLines));
    expectSameExport({log}, {}, "three segments");
    expectSameExport({log}, {"--segment", "2", "--ph1-slope", "1.05", "--ph2-corr", "0.1"}, "the second segment only");
    expectSameExport({log}, {"--segment", "4", "--ph1-slope", "1.05"}, "a segment the log does not have");

    // --segment changes its own records only; without it every segment takes the options.
    const auto csv = [&](const QStringList &options) {
        const QString out = dir.path("out.csv");
        const ExportOptions o = *parseExportArgs(QStringList{"--csv", out} + options + QStringList{log}).options;
        StderrInteraction ui(false);
        const int status = streamExport(o, ui, kSmallBlock);
        return std::pair(status, exporttest::readCsv(slurp(out)));
    };
    const auto [plainStatus, plain] = csv({});
    const auto [oneStatus, one] = csv({"--segment", "2", "--ph1-slope", "1.05"});
    const auto [allStatus, all] = csv({"--ph1-slope", "1.05"});
    ASSERT_EQ(plainStatus, kExitOk);
    ASSERT_EQ(oneStatus, kExitOk);
    ASSERT_EQ(allStatus, kExitOk);
    ASSERT_EQ(plain.size(), 501u);
    const int ph1 = int(plain[0].indexOf("pH-1"));
    ASSERT_GT(ph1, 0);
    for (std::size_t row : {1u, 200u, 201u, 300u, 301u, 500u}) {
        const bool second = row > 200 && row <= 300;  // CSV row 1 is record 0
        EXPECT_EQ(one[row][ph1] != plain[row][ph1], second) << row;
        EXPECT_NE(all[row][ph1], plain[row][ph1]) << row;
    }
    EXPECT_EQ(csv({"--segment", "4"}).first, kExitFailed);
}

TEST(StreamExport, OnlyACsvAndItsStatisticsAreStreamed) {
    const auto options = [](const QStringList &args) {
        return *parseExportArgs(args + QStringList{"log.asc"}).options;
    };
    EXPECT_TRUE(canStreamExport(options({"--csv", "-", "--from", "5/13/2004 08:00:00", "--all-records"})));
    EXPECT_TRUE(canStreamExport(options({"--csv", "a.csv", "--stats", "b.csv"})));
    for (const QStringList &args :
         {QStringList{"--csv", "a.csv", "--plot", "a.png"}, QStringList{"--csv", "a.csv", "--report", "a.pdf"},
          QStringList{"--csv", "a.csv", "--calibrate", "points.txt"}, QStringList{"--stats", "b.csv"}})
        EXPECT_FALSE(canStreamExport(options(args))) << args.join(' ').toStdString();
}

}  // namespace

// Three logs given out of order: the second meets the first's last hour with one record of
// other values, a calibration line inside the first, and a gap before the third.
TEST(StreamExport, JoinedLogsGiveTheWholeDeploymentsCsv) {
    TempFiles dir;
    const QList<QByteArray> lines = makeLog(600).split('\n');
    const auto log = [&](const char *name, int from, int to, const char *startDate,
                         const std::function<void(int, QByteArray &)> &change = {}) {
        QByteArray text = lines.mid(0, 7).join('\n');
        text.replace("#2004-5-13#", startDate);
        for (int i = from; i < to; ++i) {
            QByteArray l = lines[7 + i];
            if (change) change(i, l);
            text += '\n' + l;
        }
        return dir.write(name, text + '\n');
    };
    // Records 0..299 from 5/13 22:00; 240..499 from 5/14 02:00 (record 250 other values); 520..599.
    const QString first = log("a.asc", 0, 300, "#2004-5-13#", [](int i, QByteArray &l) {
        if (i == 150) l.prepend("\"Probe 1 Slope:\",1.02\r\n");
    });
    const QString second = log("b.asc", 240, 500, "#2004-5-14#", [](int i, QByteArray &l) {
        if (i == 250) l.replace(",20.5,", ",20.6,");
    });
    const QString third = log("c.asc", 520, 600, "#2004-5-14#");
    const QStringList logs{"--join", "--all-records", third, second, first};
    expectSameExport(logs, {}, "three logs joined");
    expectSameExport(logs, {"--segment", "2", "--ph1-slope", "1.05"}, "the first log's second segment");

    // A log without one of the columns goes the whole road, which tells of it.
    const QString narrow = log("d.asc", 520, 600, "#2004-5-14#");
    QByteArray text = slurp(narrow);
    text.replace(",\"Total Vol\"", "");
    dir.write("d.asc", text);
    const ExportOptions o =
        *parseExportArgs({"--join", "--all-records", "--csv", dir.path("out.csv"), first, narrow}).options;
    StderrInteraction ui(false);
    EXPECT_TRUE(canStreamJoin(o));
    EXPECT_FALSE(streamJoin(o, ui, kSmallBlock));
    EXPECT_FALSE(QFile::exists(dir.path("out.csv")));
}
