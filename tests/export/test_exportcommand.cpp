// brinewick-export as a whole process: its CSV against independently computed pH, its exit
// statuses and messages, and its plot files.
#include "export_fixtures.h"
#include "export_runner.h"
#include "export/exportcli.h"
#include "model/clsdataset.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>

using namespace exporttest;

namespace {

// Distinct temperatures per thermistor so the wrong choice shows; a midnight roll-over.
const std::vector<Reading> kCommandReadings = {
    {"23:59:40", {17.77, 18.10, 12.5}, 66.22, 41.14},
    {"23:59:50", {25.0, 18.16, 17.49}, 59.16, 0.0},
    {"00:00:00", {17.70, 30.25, 17.46}, -100, -40.25},
    {"00:00:10", {0.0, 18.01, 40.0}, 12.345, -250.5},
};
const char *const kDates[] = {"2004-05-13 23:59:40", "2004-05-13 23:59:50", "2004-05-14 00:00:00",
                              "2004-05-14 00:00:10"};

// Checks a CSV of kCommandReadings: header, dates, readings and both pH columns.
void expectTable(const QByteArray &csv, const Probe &p1, const Probe &p2) {
    bool wellFormed = false;
    const std::vector<QStringList> rows = readCsv(csv, &wellFormed);
    ASSERT_TRUE(wellFormed) << csv.left(300).toStdString();
    ASSERT_EQ(rows.size(), kCommandReadings.size() + 1);
    EXPECT_EQ(rows[0].join(u'|'),
              "Time|Therm 1|Therm 2|Therm 3|pH-1 Raw|pH-2 Raw|pH-1|pH-2|Aux|Flow Rate|Total Vol|flags|qc_ph1|qc_ph2");
    for (std::size_t i = 0; i < kCommandReadings.size(); ++i) {
        const QStringList &row = rows[i + 1];
        const Reading &r = kCommandReadings[i];
        ASSERT_EQ(row.size(), 14) << i;
        EXPECT_EQ(row[0], kDates[i]);
        EXPECT_EQ(row[1].toDouble(), r.therm[0]);
        EXPECT_EQ(row[4].toDouble(), r.raw1);
        EXPECT_EQ(row[6].toDouble(), expectedPH(r, r.raw1, p1)) << "pH-1 of record " << i;
        EXPECT_EQ(row[7].toDouble(), expectedPH(r, r.raw2, p2)) << "pH-2 of record " << i;
        EXPECT_EQ(row[10].toDouble(), i * 0.5);
    }
}

}  // namespace

TEST(ExportCommand, CsvHoldsThePhTheWindowComputesAfterOpening) {
    TempFiles tmp;
    const QString log = tmp.write("run.asc", makeLog(kCommandReadings));
    const QString csv = tmp.path("out.csv");
    const Outcome r = run({"--csv", csv, log});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    // The file's slopes and offsets, no corrections, thermistor 1 for both probes.
    expectTable(slurp(csv), Probe{0.985, 0.0125}, Probe{1.012, -0.0085});

    // The same to standard output.
    const Outcome toStdout = run({"--csv", "-", log});
    ASSERT_EQ(toStdout.status, 0);
    EXPECT_EQ(toStdout.out, slurp(csv));
}

TEST(ExportCommand, CalibrationOptionsAndEachThermistor) {
    TempFiles tmp;
    const QString log = tmp.write("run.asc", makeLog(kCommandReadings));
    const double thermCorr[3] = {-0.2, 0.15, 0.3};
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        // Each probe takes the correction of its own thermistor.
        const Probe p1{0.98, 0.01, 0.05, k, thermCorr[k]};
        const Probe p2{1.02, -0.003, -0.01, 2 - k, thermCorr[2 - k]};
        QStringList args = {"--ph1-slope",
                            "0.98",
                            "--ph1-offset=0.01",
                            "--ph1-corr",
                            "0.05",
                            "--ph1-thermistor",
                            QString::number(k + 1),
                            "--ph2-slope",
                            "1.02",
                            "--ph2-offset",
                            "-0.003",
                            "--ph2-corr",
                            "-0.01",
                            "--ph2-thermistor",
                            QString::number(3 - k),
                            "--therm1-corr",
                            "-0.2",
                            "--therm2-corr",
                            "0.15",
                            "--therm3-corr",
                            "0.3"};
        const QString csv = tmp.path(QStringLiteral("out%1.csv").arg(k));
        args << "--csv" << csv << log;
        const Outcome r = run(args);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        expectTable(slurp(csv), p1, p2);
    }
}

TEST(ExportCommand, ExitStatusesAndMessages) {
    TempFiles tmp;
    const QString log = tmp.write("run.asc", makeLog(kCommandReadings));

    const QString missing = tmp.path("nothere.asc");
    Outcome r = run({"--csv", tmp.path("x.csv"), missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("fileIO.readFromFile File not found:" + missing.toUtf8())) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Can't open file"));
    EXPECT_FALSE(QFileInfo::exists(tmp.path("x.csv")));

    // A folder is called one; a record of ten texts is not called short.
    ASSERT_TRUE(QDir().mkpath(tmp.path("folder.asc")));
    r = run({"--csv", "-", tmp.path("folder.asc")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(tmp.path("folder.asc").toUtf8() + " (it is a folder, not a log file)"))
        << r.err.toStdString();
    QByteArray texts = makeLog({});
    texts += "\"08:00:00\",nan,nan,nan,n/a,n/a,nan,nan,nan,nan,nan\r\n";
    r = run({"--csv", "-", tmp.write("texts.asc", texts)});
    EXPECT_FALSE(r.err.contains("fewer than 8 values")) << r.err.toStdString();

    // Usage errors: one line on standard error, nothing read.
    for (const QStringList &args :
         {QStringList{"--ph1-slope", "abc", "--csv", "-", log}, QStringList{"--ph2-thermistor", "4", "--csv", "-", log},
          QStringList{"--on-bad-date", "maybe", "--csv", "-", log}, QStringList{"--colour", "red", "--csv", "-", log},
          QStringList{"--plot", tmp.path("p.jpg"), log}, QStringList{"--csv", "-"}, QStringList{"--csv"}}) {
        r = run(args);
        EXPECT_EQ(r.status, 2) << args.join(u' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }

    r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith("Usage: brinewick-export"));
    r = run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "brinewick-export 1.1.1\n");
}

TEST(ExportCommand, InvalidStartDateAnsweredFromTheOption) {
    TempFiles tmp;
    // Line 6 is a start date that cannot be; the valid one follows.
    QByteArray bytes =
        makeLog(kCommandReadings, 0.985, 1.012, 0.0125, -0.0085, "#2004-13-45#\r\n\"Start Date:\",#2004-5-13#");
    const QString log = tmp.write("bad.asc", bytes);

    Outcome r = run({"--on-bad-date", "stop", "--csv", tmp.path("stop.csv"), log});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains("File parser error at line:6 Keep going?")) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(tmp.path("stop.csv")));  // a stopped read writes nothing
    // Joined, the logs are read on other threads: the option still answers, and the stopped log
    // is left out of the deployment.
    r = run({"--join", "--on-bad-date", "stop", "--csv", tmp.path("join.csv"), log,
             tmp.write("good.asc", makeLog(kCommandReadings))});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("bad.asc") && r.err.contains("left out")) << r.err.toStdString();

    r = run({"--csv", tmp.path("go.csv"), log});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("File parser error at line:6 Keep going?"));
    expectTable(slurp(tmp.path("go.csv")), Probe{0.985, 0.0125}, Probe{1.012, -0.0085});
}

TEST(ExportCommand, ComputationStopIsReportedAndNotASuccess) {
    TempFiles tmp;
    const QString log = tmp.write("run.asc", makeLog(kCommandReadings));
    const Outcome r = run({"--ph2-slope", "0", "--csv", tmp.path("out.csv"), log});
    EXPECT_EQ(r.status, 4);
    EXPECT_TRUE(r.err.contains("pH could not be computed for record 0")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("the pH-2 slope is 0"));
    EXPECT_TRUE(QFileInfo::exists(tmp.path("out.csv")));  // the table as the window would show it
}

TEST(ExportCommand, PlotFilesByExtension) {
    TempFiles tmp;
    std::vector<Reading> many;
    std::vector<QByteArray> times(600);
    for (int i = 0; i < 600; ++i) {
        times[std::size_t(i)] =
            QStringLiteral("%1:%2:00").arg(8 + i / 60, 2, 10, QChar('0')).arg(i % 60, 2, 10, QChar('0')).toLatin1();
        many.push_back({times[std::size_t(i)].constData(),
                        {20 + std::sin(i / 50.0), 21, 19},
                        40 + 20 * std::sin(i / 40.0),
                        -30.0 + i / 20.0});
    }
    const QString log = tmp.write("run.asc", makeLog(many));
    const struct {
        const char *name;
        QByteArray signature;
    } kinds[] = {{"plot.png", QByteArray("\x89PNG\r\n\x1a\n", 8)}, {"plot.PDF", "%PDF-"}, {"plot.svg", "<svg"}};
    for (const auto &k : kinds) {
        const QString path = tmp.path(k.name);
        const Outcome r = run({"--plot", path, log});
        ASSERT_EQ(r.status, 0) << k.name << r.err.toStdString();
        const QByteArray bytes = slurp(path);
        EXPECT_GT(bytes.size(), 5000) << k.name;
        if (k.signature == "<svg")
            EXPECT_TRUE(bytes.left(400).contains(k.signature)) << k.name;
        else
            EXPECT_TRUE(bytes.startsWith(k.signature)) << k.name;
    }
}

TEST(ExportCommand, FailedWriteIsExitOneWithTheReason) {
    TempFiles tmp;
    const QString log = tmp.write("run.asc", makeLog(kCommandReadings));
    const QString target = tmp.path("no-folder/out.csv");
    const Outcome r = run({"--csv", target, log});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("Can't write \"" + target.toUtf8() + "\": the folder")) << r.err.toStdString();
}

TEST(ExportCommand, AReportOrSvgCutShortIsExitOneAndKeepsTheOldFile) {
    TempFiles tmp;
    const QString log = tmp.write("run.asc", makeLog(kCommandReadings));
    // A file size limit in the child fails the writes as a full disk does.
    const auto small = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit { 4096, 4096 };
        ::setrlimit(RLIMIT_FSIZE, &limit);
    };
    const QByteArray reason = std::strerror(EFBIG);
    for (const char *name : {"r.pdf", "p.svg"}) {
        const QString out = tmp.write(name, "old");
        const Outcome r = run({QString(name) == "r.pdf" ? "--report" : "--plot", out, log}, {}, {}, small);
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_TRUE(r.err.contains("Can't write \"" + out.toUtf8() + "\": " + reason + ".")) << r.err.toStdString();
        EXPECT_EQ(slurp(out), "old") << name;
    }
}

TEST(ExportCommand, NoOutputMayOverwriteTheLogOrAnotherOutput) {
    TempFiles tmp;
    const QByteArray logBytes = makeLog(kCommandReadings);
    const QString log = tmp.write("L", logBytes);
    const QString pngLog = tmp.write("L.png", logBytes);
    ASSERT_TRUE(QFile::link(log, tmp.path("link")));
    ASSERT_EQ(::link(QFile::encodeName(log).constData(), QFile::encodeName(tmp.path("hard")).constData()), 0);
    const QString dir = tmp.path("");

    struct Case {
        QStringList args;
        const char *message;
    };
    const Case cases[] = {
        {{"--csv", "L", "L"}, "--csv \"L\" is the same file as the log \"L\"; nothing was written."},
        {{"--csv", "./L", "L"}, "--csv \"./L\" is the same file as the log \"L\""},
        {{"--csv", "link", "L"}, "--csv \"link\" is the same file as the log \"L\""},
        {{"--csv", "hard", "L"}, "--csv \"hard\" is the same file as the log \"L\""},
        {{"--csv", "L", "link"}, "--csv \"L\" is the same file as the log \"link\""},
        {{"--plot", "L.png", "L.png"}, "--plot \"L.png\" is the same file as the log \"L.png\""},
        {{"--csv", "./a.png", "--plot", "a.png", "L"}, "--plot \"a.png\" is the same file as --csv \"./a.png\""},
    };
    for (const Case &c : cases) {
        const Outcome r = run(c.args, dir);
        EXPECT_EQ(r.status, 2) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_EQ(slurp(log), logBytes);
        EXPECT_EQ(slurp(pngLog), logBytes);
        EXPECT_FALSE(QFileInfo::exists(tmp.path("a.png")));
        EXPECT_TRUE(QFileInfo(tmp.path("link")).isSymLink());
    }

    // Standard output, a pipe here, is written in place, also under its device name.
    for (const QString &out : {QStringLiteral("-"), QStringLiteral("/dev/stdout")}) {
        const Outcome r = run({"--csv", out, log});
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        expectTable(r.out, Probe{0.985, 0.0125}, Probe{1.012, -0.0085});
    }
}

TEST(ExportCommand, LogsFromPipesGiveTheTableOfTheFile) {
    TempFiles tmp;
    const QByteArray logBytes = makeLog(kCommandReadings);
    const QString log = tmp.write("run.asc", logBytes);
    const Outcome fromFile = run({"--csv", "-", log});
    ASSERT_EQ(fromFile.status, 0);

    for (const QString &name : {QStringLiteral("-"), QStringLiteral("/dev/stdin")}) {
        const Outcome r = run({"--csv", "-", name}, QString(), logBytes);
        EXPECT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, fromFile.out) << name.toStdString();
    }
    QProcess bash;
    bash.start("bash", {"-c", "\"$0\" --csv - <(cat \"$1\")", exePath(), log});
    ASSERT_TRUE(bash.waitForFinished(60000));
    EXPECT_EQ(bash.exitCode(), 0);
    EXPECT_EQ(bash.readAllStandardOutput(), fromFile.out);

    // An endless input stops at the size limit with a message.
    Outcome r = run({"--max-size", "1M", "--csv", tmp.path("z.csv"), "/dev/zero"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "fileIO.readFromFile File reaches the size limit of 1048576 bytes: /dev/zero\n");
    EXPECT_FALSE(QFileInfo::exists(tmp.path("z.csv")));
    for (const char *bad : {"0", "-5", "12X", "", "99999999999G"}) {
        r = run({"--max-size", bad, "--csv", "-", log});
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_TRUE(r.err.contains("--max-size takes a size in bytes")) << r.err.toStdString();
    }
    EXPECT_EQ(parseByteSize("2G"), qint64(2) << 30);
    EXPECT_EQ(parseByteSize("512k"), 512 * 1024);
    EXPECT_EQ(parseByteSize("1000"), 1000);
}

TEST(ExportCommand, StatisticsOfTheWholeLogOrAGivenRange) {
    TempFiles tmp;
    const QString log = tmp.write("run.asc", makeLog(kCommandReadings));
    Outcome r = run({"--stats", "-", log});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    std::vector<QStringList> rows = readCsv(r.out);
    ASSERT_EQ(rows.size(), 35u);
    EXPECT_EQ(rows[1].join(u','), "Date/Time,4,2004-05-13 23:59:40,2004-05-14 00:00:10,,,,,");
    EXPECT_EQ(rows[5].mid(0, 4).join(u','), "T1,4,0,25");
    EXPECT_EQ(rows[9].join(u','), "Total Volume,4,,,,,0,1.5,1.5");

    // Across midnight, in either date form; the CSV and the statistics in one run.
    const QString stats = tmp.path("s.csv"), csv = tmp.path("t.csv");
    r = run({"--stats", stats, "--from", "5/13/2004 23:59:50", "--to", "2004-05-14 00:00:00", "--csv", csv, log});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    rows = readCsv(slurp(stats));
    ASSERT_EQ(rows.size(), 35u);
    EXPECT_EQ(rows[1].join(u','), "Date/Time,2,2004-05-13 23:59:50,2004-05-14 00:00:00,,,,,");
    EXPECT_EQ(rows[9].join(u','), "Total Volume,2,,,,,0.5,1,0.5");
    rows = readCsv(slurp(csv));  // the same records in the table
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][0], "2004-05-13 23:59:50");
    EXPECT_EQ(rows[2][0], "2004-05-14 00:00:00");

    // A range without records, or backwards, writes nothing and fails.
    const QString none = tmp.path("none.csv");
    for (const QStringList &range : {QStringList{"--from", "5/15/2004 00:00:00"},
                                     {"--to", "1/1/2004 00:00:00"},
                                     {"--from", "5/14/2004 00:00:00", "--to", "5/13/2004 23:59:50"}}) {
        r = run(QStringList{"--stats", none, "--csv", "-"} + range + QStringList{log});
        EXPECT_EQ(r.status, 1) << range.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains("nothing was written.")) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(none));
    }
    EXPECT_TRUE(r.err.contains("--from \"5/14/2004 00:00:00\" is later than --to \"5/13/2004 23:59:50\""));

    for (const QStringList &args : {QStringList{"--stats", "-", "--from", "yesterday", log},
                                    QStringList{"--plot", tmp.path("p.png"), "--to", "5/13/2004 23:59:50", log},
                                    QStringList{"--stats", "-", "--csv", "-", log}}) {
        r = run(args);
        EXPECT_EQ(r.status, 2) << args.join(u' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    }
    EXPECT_TRUE(run({"--help"}).out.contains("--stats FILE"));
}

namespace {
// One record every two seconds from midnight, all on 5/13/2004.
QByteArray longLog(int records) {
    QByteArray out = makeLog({});
    char line[128];
    for (int i = 0; i < records; ++i) {
        const int s = 2 * i;
        const int n = std::snprintf(line, sizeof line, "\"%02d:%02d:%02d\",20,20.5,21,-50,-40,7.8,7.9,%d,1.25,%.1f\r\n",
                                    s / 3600, s / 60 % 60, s % 60, i % 7, i * 0.5);
        out.append(line, n);
    }
    return out;
}
}  // namespace

TEST(ExportCommand, AllRecordsLoadsEveryRecordOfALongLog) {
    TempFiles tmp;
    const QString log = tmp.write("long.asc", longLog(40000));
    const QString all = tmp.path("all.csv"), first = tmp.path("first.csv");
    Outcome r = run({"--all-records", "--csv", all, log});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("left out")) << r.err.toStdString();
    std::vector<QStringList> rows = readCsv(slurp(all));
    ASSERT_EQ(rows.size(), 40001u);
    EXPECT_EQ(rows.back()[0], "2004-05-13 22:13:18");
    EXPECT_EQ(rows.back()[10], "19999.5");

    r = run({"--csv", first, log});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("The file holds more records than can be loaded. The first 32767 records were loaded; "
                               "7233 records were left out."))
        << r.err.toStdString();
    rows = readCsv(slurp(first));
    ASSERT_EQ(rows.size(), 32768u);
    EXPECT_EQ(rows.back()[0], "2004-05-13 18:12:12");

    // Each log's own run of --csv-dir takes the option too.
    const QString small = tmp.write("small.asc", makeLog(kCommandReadings)), dir = tmp.path("tables");
    r = run({"--all-records", "--csv-dir", dir, log, small});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(readCsv(slurp(dir + "/long.csv")).size(), 40001u);
    EXPECT_EQ(readCsv(slurp(dir + "/small.csv")).size(), kCommandReadings.size() + 1);

    EXPECT_TRUE(
        run({"--help"})
            .out.contains(
                "  --all-records       Load every record of a log, however long (by default the first 32767)\n"));
}

TEST(ExportCommand, ATableAloneLoadsNoWidgetLibrary) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LD_TRACE_LOADED_OBJECTS", "1");  // the dynamic loader lists the libraries and stops
    p.setProcessEnvironment(env);
    p.start(exePath(), QStringList());
    ASSERT_TRUE(p.waitForFinished(30000));
    const QByteArray libraries = p.readAllStandardOutput();
    EXPECT_TRUE(libraries.contains("libQt6Core")) << libraries.toStdString();
    for (const char *widgets : {"libQt6Gui", "libQt6Widgets", "QCustomPlot"})
        EXPECT_FALSE(libraries.contains(widgets)) << widgets;
}
