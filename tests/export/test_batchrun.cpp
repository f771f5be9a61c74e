// Many logs in one batch command: a report and a CSV per log, a bad log does not stop the rest.
#include "export_fixtures.h"
#include "export_runner.h"
#include "support/temp_files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace exporttest;

namespace {
const std::vector<Reading> kBatchReadings = {
    {"08:00:00", {20.0, 21.0, 22.0}, 10.0, -5.0},
    {"08:00:10", {20.5, 21.5, 22.5}, 12.0, -6.0},
};

// Whether a process runs whose command line holds `text`.
bool running(const QByteArray &text) {
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs))
        if (slurp("/proc/" + pid + "/cmdline").contains(text)) return true;
    return false;
}
}  // namespace

TEST(BatchRun, AReportAndACsvPerLogAndABadLogDoesNotStopTheOthers) {
    TempFiles tmp;
    const QString a = tmp.write("a.asc", makeLog(kBatchReadings));
    ASSERT_TRUE(QDir().mkpath(tmp.path("other")));
    const QString sameName = tmp.write("other/a.log", makeLog(kBatchReadings, 1.02));
    const QString b = tmp.write("b.asc", makeLog(kBatchReadings));
    const QString reports = tmp.path("reports"), tables = tmp.path("tables");

    const Outcome r = run(
        {"--ph1-slope", "0.99", "--report-dir", reports, "--csv-dir", tables, a, tmp.path("missing.asc"), sameName, b});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("1 of 4 logs not done: " + tmp.path("missing.asc").toUtf8() + " (exit status 1)"))
        << r.err.toStdString();
    EXPECT_EQ(QDir(reports).entryList(QDir::Files), QStringList({"a (2).pdf", "a.pdf", "b.pdf"}));
    EXPECT_EQ(QDir(tables).entryList(QDir::Files), QStringList({"a (2).csv", "a.csv", "b.csv"}));
    // Each log's run got the calibration options.
    const std::vector<QStringList> rows = readCsv(
        [&] {
            QFile f(QDir(tables).filePath("b.csv"));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }(),
        nullptr);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1][6].toDouble(), expectedPH(kBatchReadings[0], kBatchReadings[0].raw1, {0.99, 0.0125}));
}

TEST(BatchRun, EachLogGivesTheFilesAndMessagesOfItsOwnRunInTheLogsOrder) {
    TempFiles tmp;
    // A log whose start date is asked about, a missing one, and two that read quietly.
    const QStringList logs = {tmp.write("a.asc", makeLog(kBatchReadings)),
                              tmp.write("bad.asc", makeLog(kBatchReadings, 0.985, 1.012, 0.0125, -0.0085,
                                                           "#2004-13-45#\r\n\"Start Date:\",#2004-5-13#")),
                              tmp.path("missing.asc"), tmp.write("c.asc", makeLog(kBatchReadings, 1.02))};
    const QString single = tmp.path("single"), batch = tmp.path("batch");
    ASSERT_TRUE(QDir().mkpath(single));
    QByteArray messages;
    for (const QString &log : logs) {
        const QString base = single + "/" + QFileInfo(log).completeBaseName();
        messages += run({"--ph1-slope", "0.99", "--csv", base + ".csv", "--stats", base + ".stats.csv", log}).err;
    }
    messages += "brinewick-export: 1 of 4 logs not done: " + logs[2].toUtf8() + " (exit status 1)\n";

    // Without and with the reports, which are drawn apart from the tables.
    for (const QStringList &reports : {QStringList{}, QStringList{"--report-dir", tmp.path("reports")}}) {
        QDir(batch).removeRecursively();
        // A runtime folder of its own, so that Qt's start-up says nothing.
        const QByteArray runtime = QFile::encodeName(tmp.path(""));
        const Outcome r =
            run(QStringList{"--ph1-slope", "0.99", "--csv-dir", batch, "--stats-dir", batch} + reports + logs, {}, {},
                [runtime] { ::setenv("XDG_RUNTIME_DIR", runtime.constData(), 1); });
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, messages);
        const QStringList files = QDir(single).entryList(QDir::Files);
        EXPECT_EQ(QDir(batch).entryList(QDir::Files), files);
        for (const QString &name : files)
            EXPECT_EQ(slurp(batch + "/" + name), slurp(single + "/" + name)) << name.toStdString();
    }
    EXPECT_EQ(QDir(tmp.path("reports")).entryList(QDir::Files), QStringList({"a.pdf", "bad.pdf", "c.pdf"}));
}

TEST(BatchRun, FolderOptionsTakeNoSingleOutputs) {
    TempFiles tmp;
    const QString a = tmp.write("a.asc", makeLog(kBatchReadings));
    const Outcome r = run({"--report-dir", tmp.path("r"), "--csv", tmp.path("x.csv"), a});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("give no --csv, --plot or --report beside them")) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(tmp.path("r")));
    const Outcome many = run({"--csv", tmp.path("x.csv"), a, a});
    EXPECT_EQ(many.status, 2);
}

TEST(BatchRun, AnOutputThatIsAnyLogOfTheBatchRefusesTheWholeBatch) {
    TempFiles tmp;
    const QString a = tmp.write("a.asc", makeLog(kBatchReadings));
    ASSERT_TRUE(QDir().mkpath(tmp.path("out")));
    const QString csvLog = tmp.write("out/tank.csv", makeLog(kBatchReadings)),
                  pdfLog = tmp.write("out/x.pdf", makeLog(kBatchReadings));
    for (const auto &[option, log] : {std::pair{"--csv-dir", csvLog}, {"--report-dir", pdfLog}}) {
        const Outcome r = run({option, tmp.path("out"), "--stats-dir", tmp.path("s"), a, log});
        EXPECT_EQ(r.status, 2) << option;
        EXPECT_TRUE(r.err.contains("is the same file as the log \"" + log.toUtf8() + "\"; nothing was written."))
            << r.err.toStdString();
        EXPECT_EQ(slurp(log), makeLog(kBatchReadings));
        EXPECT_EQ(QDir(tmp.path("out")).entryList(QDir::Files), QStringList({"tank.csv", "x.pdf"}));
        EXPECT_FALSE(QFileInfo::exists(tmp.path("s")));
    }
}

TEST(BatchRun, StandardInputStatisticsAndRangesPerLog) {
    TempFiles tmp;
    const QString a = tmp.write("a.asc", makeLog(kBatchReadings)), dir = tmp.path("out");
    const Outcome r = run({"--csv-dir", dir, "--stats-dir", dir, "--from", "5/13/2004 08:00:10", "-", a}, {},
                          makeLog(kBatchReadings, 1.02));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList({"a.csv", "a.stats.csv", "stdin.csv", "stdin.stats.csv"}));
    for (const char *name : {"a.csv", "stdin.csv"}) {
        const std::vector<QStringList> rows = readCsv(slurp(dir + "/" + name));
        ASSERT_EQ(rows.size(), 2u) << name;  // the header and the record from 08:00:10
        EXPECT_EQ(rows[1][0], "2004-05-13 08:00:10");
    }
    EXPECT_NE(slurp(dir + "/a.csv"), slurp(dir + "/stdin.csv"));  // standard input's own log
    EXPECT_EQ(readCsv(slurp(dir + "/stdin.stats.csv"))[1].mid(0, 2).join(u','), "Date/Time,1");

    for (const QStringList &args : {QStringList{"--csv-dir", dir, "-", "-"}, {"--csv-dir", dir, "--stats", "-", a}}) {
        const Outcome refused = run(args);
        EXPECT_EQ(refused.status, 2) << refused.err.toStdString();
    }
    EXPECT_TRUE(run({"--help"}).out.contains("--stats-dir DIR"));
}

TEST(BatchRun, ARunEndsWithTheBatch) {
    TempFiles tmp;
    const QString fifo = tmp.path("never-written");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QProcess batch;
    batch.start(exePath(), {"--csv-dir", tmp.path("out"), fifo, fifo + "-missing"});
    ASSERT_TRUE(batch.waitForStarted());
    const QByteArray child = QFile::encodeName(tmp.path("out/never-written.csv"));
    QElapsedTimer clock;
    clock.start();
    while (!running(child) && clock.elapsed() < 10000) QThread::msleep(20);
    ASSERT_TRUE(running(child));
    batch.kill();
    batch.waitForFinished();
    while (running(child) && clock.elapsed() < 20000) QThread::msleep(20);
    EXPECT_FALSE(running(child));
    if (const int w = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK); w >= 0) ::close(w);
}
