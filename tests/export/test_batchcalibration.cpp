// brinewick-export --calibrate: buffer points from a file reach the exported pH.
#include "export_fixtures.h"
#include "export_runner.h"
#include "support/temp_files.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <cmath>

using namespace exporttest;

namespace {

// Probe 2 reads 0.0 to 5.0 mV in a buffer of pH 7 at 25 degrees on thermistor 1.
std::vector<Reading> readings() {
    std::vector<Reading> out;
    static const char *const times[] = {"08:00:00", "08:00:10", "08:00:20", "08:00:30", "08:00:40", "08:00:50"};
    for (int i = 0; i < 6; ++i) out.push_back({times[i], {25.0, 19.0, 30.0}, 10.0 * i - 20.0, double(i)});
    return out;
}

double round4(double v) { return std::round(v * 10000.0) / 10000.0; }

}  // namespace

TEST(BatchCalibration, PointsAndSpansGiveTheSlopesAndOffsetsOfTheExport) {
    TempFiles tmp;
    const QString log = tmp.write("run.asc", makeLog(readings()));
    const QString points = tmp.write("points.csv", "probe,buffer,mV,temperature\n"
                                                   "1, 7.00, 0.0, 25\n"
                                                   "1, 4.01, -177.0, 25\n"
                                                   "2, 7.00, 5/13/2004 08:00:00, 5/13/2004 08:00:50\n");
    const QString csv = tmp.path("out.csv");
    const Outcome r = run({"--calibrate", points, "--csv", csv, log});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // Two points solve exactly: 177 mV over 2.99 pH at 298.15 K; one point keeps the file's slope.
    const double slope1 = round4(0.177 / (2.99 * 298.15 * kNernst));
    EXPECT_EQ(slope1, 1.0007);
    EXPECT_TRUE(r.out.contains("pH-1 slope 1.0007 (100.07 % of Nernst) pass")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("records 0 to 5")) << r.out.toStdString();
    bool wellFormed = false;
    const std::vector<QStringList> rows = readCsv(slurp(csv), &wellFormed);
    ASSERT_TRUE(wellFormed);
    ASSERT_EQ(rows.size(), 7u);
    const std::vector<Reading> rs = readings();
    for (std::size_t i = 0; i < rs.size(); ++i) {
        EXPECT_EQ(rows[i + 1][6].toDouble(), expectedPH(rs[i], rs[i].raw1, {slope1, 0.0})) << i;
        // Mean 2.5 mV: the offset becomes 0.0025 V (0.0025 on four places), the slope stays 1.012.
        EXPECT_EQ(rows[i + 1][7].toDouble(), expectedPH(rs[i], rs[i].raw2, {1.012, 0.0025})) << i;
    }
}

TEST(BatchCalibration, AFailOrABadFileWritesNothing) {
    TempFiles tmp;
    const QString log = tmp.write("run.asc", makeLog(readings()));
    const QString csv = tmp.path("out.csv");
    // Swapped readings give a negative slope: a fail, and no table with a calibration nobody wanted.
    const QString swapped = tmp.write("swapped.csv", "1, 7.00, -177.0, 25\n1, 4.01, 0.0, 25\n");
    Outcome r = run({"--calibrate", swapped, "--csv", csv, log});
    EXPECT_EQ(r.status, 5);
    EXPECT_TRUE(r.out.contains(": fail")) << r.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(csv));

    const QString same = tmp.write("same.csv", "2, 7.00, 0.0, 25\n2, 7.00, 3.0, 25\n");
    r = run({"--calibrate", same, "--csv", csv, log});
    EXPECT_EQ(r.status, 5);
    EXPECT_TRUE(r.out.contains("pH-2: no result")) << r.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(csv));

    r = run({"--calibrate", tmp.path("missing.csv"), "--csv", csv, log});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("missing.csv")) << r.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(csv));

    // With the table on standard output the results go to standard error.
    const QString one = tmp.write("one.csv", "2, 7.00, 1.0, 25\n");
    r = run({"--calibrate", one, "--csv", "-", log});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.contains("pH-2 slope 1.0120")) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("pH-1 Raw")) << r.out.left(80).toStdString();
    // So do they with the statistics there: standard output holds the CSV alone.
    r = run({"--calibrate", one, "--stats", "-", log});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.err.contains("pH-2 slope 1.0120")) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains("slope")) << r.out.left(200).toStdString();
}
