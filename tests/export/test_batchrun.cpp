// Many logs in one batch command: a report and a CSV per log, a bad log does not stop the rest.
#include "export_fixtures.h"
#include "export_runner.h"
#include "support/temp_files.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace exporttest;

namespace {
const std::vector<Reading> kReadings = {
    {"08:00:00", {20.0, 21.0, 22.0}, 10.0, -5.0},
    {"08:00:10", {20.5, 21.5, 22.5}, 12.0, -6.0},
};
}  // namespace

TEST(BatchRun, AReportAndACsvPerLogAndABadLogDoesNotStopTheOthers) {
    TempFiles tmp;
    const QString a = tmp.write("a.asc", makeLog(kReadings));
    ASSERT_TRUE(QDir().mkpath(tmp.path("other")));
    const QString sameName = tmp.write("other/a.log", makeLog(kReadings, 1.02));
    const QString b = tmp.write("b.asc", makeLog(kReadings));
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
    EXPECT_EQ(rows[1][6].toDouble(), expectedPH(kReadings[0], kReadings[0].raw1, {0.99, 0.0125}));
}

TEST(BatchRun, FolderOptionsTakeNoSingleOutputs) {
    TempFiles tmp;
    const QString a = tmp.write("a.asc", makeLog(kReadings));
    const Outcome r = run({"--report-dir", tmp.path("r"), "--csv", tmp.path("x.csv"), a});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains("give no --csv, --plot or --report beside them")) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(tmp.path("r")));
    const Outcome many = run({"--csv", tmp.path("x.csv"), a, a});
    EXPECT_EQ(many.status, 2);
}
