// Service visits through brinewick-export: the corrected columns against numbers worked by hand,
// the streamed CSV against the whole table's, and a bad visits line.
#include "export_fixtures.h"
#include "export_runner.h"
#include "support/temp_files.h"

#include <QFile>
#include <gtest/gtest.h>
#include <map>

using namespace exporttest;

namespace {

// Twelve days from 5/13/2004 00:00:00, a record every 10 minutes, readings wandering a little.
struct Day12 {
    std::vector<std::string> times;
    std::vector<Reading> readings;
    Day12() : times(12 * 144) {
        for (std::size_t i = 0; i < times.size(); ++i) {
            times[i] = QStringLiteral("%1:%2:00")
                           .arg(i / 6 % 24, 2, 10, QChar(u'0'))
                           .arg(i % 6 * 10, 2, 10, QChar(u'0'))
                           .toStdString();
            const double w = double(i % 7) * 0.1;
            readings.push_back({times[i].c_str(), {18.0 + w, 18.2 + w, 12.5 + w}, 60.0 + w, 40.0 - w});
        }
    }
};

// pH-1: 0.04 of fouling at the first visit, then the worked example ten days later. pH-2 fouls
// far past the maximum allowable limit.
constexpr char kVisits[] = "probe,visit,fouling error,buffer pH,drift error,note\r\n"
                           "1,5/14/2004 00:00:00,0.04,7,0,\r\n"
                           "1,5/24/2004 00:00:00,-0.15,7,0.10,\"cleaned, biofilm\"\r\n"
                           "2,5/14/2004 00:00:00,0,7,0,\r\n"
                           "2,5/24/2004 00:00:00,2.5,7,0.1,\r\n";

std::map<QString, QStringList> rowsByTime(const QByteArray &csv) {
    std::map<QString, QStringList> rows;
    for (const QStringList &row : readCsv(csv)) rows[row.value(0)] = row;
    return rows;
}

void expectNumber(const QString &cell, double expected, const char *what) {
    bool ok = false;
    EXPECT_NEAR(cell.toDouble(&ok), expected, 1e-9) << what << ": " << cell.toStdString();
    EXPECT_TRUE(ok) << what;
}

TEST(CorrectedExport, ColumnsMatchTheHandWorkedCorrectionsOnBothRoads) {
    TempFiles tmp;
    const Day12 day12;
    const QString log = tmp.write("log.asc", makeLog(day12.readings)), visits = tmp.write("v.csv", kVisits);
    // Streamed, and through the workbench (a project is never streamed).
    const Outcome streamed = run({"--csv", tmp.path("s.csv"), "--visits", visits, log});
    ASSERT_EQ(streamed.status, 0) << streamed.err.toStdString();
    const Outcome whole =
        run({"--csv", tmp.path("w.csv"), "--save-project", tmp.path("p.brinewick"), "--visits", visits, log});
    ASSERT_EQ(whole.status, 0) << whole.err.toStdString();
    const QByteArray csv = slurp(tmp.path("s.csv"));
    EXPECT_EQ(csv, slurp(tmp.path("w.csv")));
    // The saved project carries the visits.
    ASSERT_EQ(run({"--project", tmp.path("p.brinewick"), "--csv", tmp.path("p.csv")}).status, 0);
    EXPECT_EQ(slurp(tmp.path("p.csv")), csv);

    const std::vector<QStringList> all = readCsv(csv);
    ASSERT_EQ(all.size(), day12.readings.size() + 1);
    const QStringList header = all[0];
    ASSERT_EQ(header.mid(header.size() - 6), (QStringList{"pH-1 corrected", "pH-1 correction", "pH-1 grade",
                                                          "pH-2 corrected", "pH-2 correction", "pH-2 grade"}));
    const qsizetype c = header.size() - 6, qc2 = header.indexOf("qc_ph2");
    auto rows = rowsByTime(csv);
    const Probe p1{0.985, 0.0125}, p2{1.012, -0.0085};
    // The computed pH of a row, by its record's position (the times repeat every day).
    const auto ph = [&](const QString &time, int probe) {
        const auto at = std::find_if(all.begin(), all.end(), [&](const QStringList &row) { return row[0] == time; });
        const Reading &r = day12.readings[std::size_t(at - all.begin() - 1)];
        return probe == 1 ? expectedPH(r, r.raw1, p1) : expectedPH(r, r.raw2, p2);
    };

    // Five days into the ten: fouling +0.15 x 0.5, drift -0.10 x 0.5.
    const QStringList five = rows["2004-05-19 00:00:00"];
    expectNumber(five[c + 1], 0.025, "pH-1 correction");
    expectNumber(five[c], roundHalfEven4(ph(five[0], 1) + 0.025), "pH-1 corrected");
    EXPECT_EQ(five[c + 2], "Excellent");
    // pH-2 there: -(2.5 + 0.1) x 0.5.
    expectNumber(five[c + 4], -1.3, "pH-2 correction");
    expectNumber(five[c + 3], roundHalfEven4(ph(five[0], 2) - 1.3), "pH-2 corrected");
    EXPECT_EQ(five[c + 5], "Poor");
    // Nine days in pH-2 is past 2.0: no corrected value, its aggregate fails.
    const QStringList nine = rows["2004-05-23 00:00:00"];
    EXPECT_EQ(nine[c + 3], "");
    expectNumber(nine[c + 4], -2.34, "pH-2 correction not reported");
    EXPECT_EQ(nine[c + 5], "Not reported");
    EXPECT_EQ(nine[qc2], "4");
    // Before the first visit and after the last: none without carrying on.
    for (const char *time : {"2004-05-13 12:00:00", "2004-05-24 12:00:00"}) {
        expectNumber(rows[time][c + 1], 0, time);
        EXPECT_EQ(rows[time][c + 2], "Excellent") << time;
    }

    // Without visits the CSV has no such columns and the row's aggregate is the tests' own.
    ASSERT_EQ(run({"--csv", tmp.path("none.csv"), log}).status, 0);
    const QByteArray none = slurp(tmp.path("none.csv"));
    EXPECT_EQ(readCsv(none)[0], header.mid(0, c));
    EXPECT_NE(rowsByTime(none)["2004-05-23 00:00:00"][qc2], "4");

    // A deployment of two logs, streamed one log at a time and joined whole.
    const auto half = day12.readings.begin() + 6 * 144;
    const QStringList logs{
        tmp.write("a.asc", makeLog({day12.readings.begin(), half})),
        tmp.write("b.asc", makeLog({half, day12.readings.end()}, 0.985, 1.012, 0.0125, -0.0085, "#2004-5-19#"))};
    const QStringList joined{"--visits", visits, logs[0], logs[1]};
    ASSERT_EQ(run(QStringList{"--join", "--all-records", "--csv", tmp.path("js.csv")} + joined).status, 0);
    ASSERT_EQ(run(QStringList{"--csv", tmp.path("jw.csv"), "--save-project", tmp.path("j.brinewick")} + joined).status,
              0);
    EXPECT_EQ(slurp(tmp.path("js.csv")), slurp(tmp.path("jw.csv")));

    // Carried on, with limits that make 0.025 Poor and 2.34 reported.
    ASSERT_EQ(
        run({"--csv", tmp.path("c.csv"), "--visits", visits, "--carry-on", "--grade-limits", "0.01,0.02,0.03,5", log})
            .status,
        0);
    rows = rowsByTime(slurp(tmp.path("c.csv")));
    expectNumber(rows["2004-05-13 12:00:00"][c + 1], -0.04, "carried back");
    expectNumber(rows["2004-05-24 12:00:00"][c + 1], 0.05, "carried on");
    EXPECT_EQ(rows["2004-05-19 00:00:00"][c + 2], "Poor");
    EXPECT_EQ(rows["2004-05-23 00:00:00"][c + 5], "Poor");
    EXPECT_NE(rows["2004-05-23 00:00:00"][c + 3], "");
}

TEST(CorrectedExport, ABadVisitsLineIsNamedAndNothingIsWritten) {
    TempFiles tmp;
    const Day12 day12;
    const QString log = tmp.write("log.asc", makeLog(day12.readings));
    const QString visits = tmp.write("bad.csv", "probe,visit,fouling error,buffer pH,drift error\r\n"
                                                "1,5/14/2004 00:00:00,0,7,0\r\n"
                                                "3,5/24/2004 00:00:00,-0.15,7,0.10\r\n");
    for (const QStringList &more : {QStringList{}, QStringList{"--all-records", "--report", tmp.path("r.pdf")}}) {
        const Outcome r = run(QStringList{"--csv", tmp.path("out.csv"), "--visits", visits} + more + QStringList{log});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.contains("\"" + visits.toUtf8() + "\": Line 3: the probe \"3\" is not 1 or 2."))
            << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(tmp.path("out.csv")));
        EXPECT_FALSE(QFile::exists(tmp.path("r.pdf")));
    }
    // The visits file is an input: no output may take its place.
    const QString good = tmp.write("good.csv", kVisits);
    EXPECT_EQ(run({"--csv", good, "--visits", good, log}).status, 2);
    EXPECT_EQ(slurp(good), kVisits);
}

TEST(CorrectedExport, ALogWithoutPHColumnsGetsEmptyCells) {
    TempFiles tmp;
    const QString log =
        tmp.write("narrow.asc", "\"Start Date:\",#2004-5-13#\r\n\"Time\",\"T1\"\r\n\"22:00:00\",20\r\n");
    const QString visits = tmp.write("v.csv", kVisits), csv = tmp.path("n.csv");
    for (const QStringList &road : {QStringList{"--all-records"}, QStringList{"--save-project", tmp.path("n.p")}}) {
        EXPECT_EQ(run(QStringList{"--csv", csv, "--visits", visits, log} + road).status, 4);  // no pH computed
        EXPECT_TRUE(slurp(csv).endsWith(",X,9,9,,,,,,\r\n")) << slurp(csv).toStdString();
    }
}

}  // namespace
