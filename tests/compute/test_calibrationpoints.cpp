#include "compute/calibrationpoints.h"
#include "compute/calibrationreport.h"
#include "compute/calibrationspan.h"
#include "model/clsdataset.h"
#include "model/datetime.h"
#include "support/temp_files.h"

#include <QDir>
#include <gtest/gtest.h>
#include <cmath>

namespace {
// A function, not a namespace-scope constant: the date code has statics of its own.
double start() { return dt::fromParts({2004, 5, 13, 8, 0, 0}); }

struct Rec {
    double seconds, mV, temperature;
};

// Records of probe 2 on thermistor 2; probe 1 and thermistor 1 hold other values, so a wrong
// column shows.
DataTable makeTable(const std::vector<Rec> &recs) {
    DataTable t;
    t.resize(int(recs.size()) - 1, colTotalVolume);
    for (int r = 0; r < int(recs.size()); ++r) {
        t.setCell(r, colDateTime, Cell(dt::recordText(start() + recs[r].seconds / dt::kSecondsPerDay)));
        t.setCell(r, colTherm1, Cell(99.0));
        t.setCell(r, colTherm2, Cell(recs[r].temperature));
        t.setCell(r, colPH1Raw, Cell(500.0));
        t.setCell(r, colPH2Raw, Cell(recs[r].mV));
    }
    return t;
}

// Six records ten seconds apart: -177.2 and -176.8 mV in turn, 24.9, 25.0, 25.1 degrees twice.
DataTable settled() {
    return makeTable({{0, -177.2, 24.9},
                      {10, -176.8, 25.0},
                      {20, -177.2, 25.1},
                      {30, -176.8, 24.9},
                      {40, -177.2, 25.0},
                      {50, -176.8, 25.1}});
}

const SpanSource kProbe2{1, 1, 0.1};  // probe 2, thermistor 2 corrected by +0.1
}  // namespace

TEST(CalibrationSpan, MeanDeviationAndDriftOfTheProbesColumns) {
    // mV: mean -177.0, deviations +-0.2: sd = sqrt(6 x 0.04 / 5) = 0.219089023.
    // Temperature with correction: mean 25.1, sd = sqrt(4 x 0.01 / 5) = 0.089442719.
    // Drift: minutes 0, 1/6 .. 5/6; Sxx = 17.5 / 36, Sxy = 0.6 / 6: 0.1 x 36 / 17.5 = 0.205714286 mV/min.
    const DataTable t = settled();
    const SpanStats s = spanStats(t, 0, 5, kProbe2);
    ASSERT_TRUE(s.ok()) << s.error.toStdString();
    EXPECT_EQ(s.count, 6);
    EXPECT_EQ(s.skipped, 0);
    EXPECT_NEAR(s.meanMV, -177.0, 1e-12);
    EXPECT_NEAR(s.sdMV, 0.219089023, 1e-9);
    EXPECT_NEAR(s.meanTemperature, 25.1, 1e-12);
    EXPECT_NEAR(s.sdTemperature, 0.089442719, 1e-9);
    ASSERT_TRUE(s.drift);
    EXPECT_NEAR(*s.drift, 0.205714286, 1e-6);  // date-times are whole seconds in the text
    EXPECT_TRUE(s.stable);
    EXPECT_EQ(spanSummary(s),
              QStringLiteral("6 records, mean -177.00 mV (sd 0.22), 25.10 \u00B0C (sd 0.09), drift +0.206 mV/min"));
    // Either order of the rows is the same span.
    EXPECT_EQ(spanStats(t, 5, 0, kProbe2).meanMV, s.meanMV);
    // Probe 1 reads its own column and thermistor 1 without correction.
    const SpanStats p1 = spanStats(t, 0, 5, {0, 0, 0.0});
    EXPECT_EQ(p1.meanMV, 500.0);
    EXPECT_EQ(p1.meanTemperature, 99.0);
}

TEST(CalibrationSpan, DriftingShortOrGappySpansAreNotStable) {
    // 1 mV per minute, up or down, is above the 0.5 limit.
    for (double sign : {1.0, -1.0}) {
        std::vector<Rec> recs;
        for (int i = 0; i < 6; ++i) recs.push_back({60.0 * i, -177.0 + sign * i, 25.0});
        const SpanStats s = spanStats(makeTable(recs), 0, 5, kProbe2);
        ASSERT_TRUE(s.drift);
        EXPECT_NEAR(*s.drift, sign, 1e-6);  // a day's double holds the time to some microseconds
        EXPECT_FALSE(s.stable);
        EXPECT_TRUE(spanSummary(s).endsWith(QStringLiteral(", not stable")));
    }
    // Four records: too few unless the limit says four will do.
    const DataTable t = settled();
    EXPECT_FALSE(spanStats(t, 0, 3, kProbe2).stable);
    CalibrationLimits four;
    four.minRecords = 4;
    EXPECT_TRUE(spanStats(t, 0, 3, kProbe2, four).stable);
    // An empty or unreadable reading is left out, not read as 0 mV.
    DataTable gappy = settled();
    gappy.setCell(2, colPH2Raw, Cell());
    gappy.setCell(3, colTherm2, Cell("n/a"));
    const SpanStats g = spanStats(gappy, 0, 5, kProbe2);
    EXPECT_EQ(g.count, 4);
    EXPECT_EQ(g.skipped, 2);
    EXPECT_NEAR(g.meanMV, -177.0, 1e-12);
    EXPECT_FALSE(g.stable);
    EXPECT_TRUE(spanSummary(g).contains(QStringLiteral("2 records skipped")));
    // One time for every record: no drift to judge.
    const SpanStats same = spanStats(makeTable(std::vector<Rec>(6, Rec{0, -177.0, 25.0})), 0, 5, kProbe2);
    EXPECT_FALSE(same.drift);
    EXPECT_FALSE(same.stable);
    // Rows outside the log.
    const SpanStats out = spanStats(t, 3, 9, kProbe2);
    EXPECT_FALSE(out.ok());
    EXPECT_EQ(out.error, QStringLiteral("Records 3 to 9 are not all in the log (records 0 to 5)."));
    EXPECT_FALSE(spanStats(DataTable(), 0, 0, kProbe2).ok());
}

TEST(CalibrationSpan, RowsBetweenDateTimes) {
    const DataTable t = settled();
    const double s = 1.0 / dt::kSecondsPerDay;
    EXPECT_EQ(rowsBetween(t, start() + 10 * s, start() + 30 * s), std::make_pair(1, 3));
    EXPECT_EQ(rowsBetween(t, start() + 45 * s, start() - 1), std::make_pair(0, 4));
    EXPECT_FALSE(rowsBetween(t, start() + 51 * s, start() + 99 * s));
}

TEST(CalibrationPoints, ReadsTypedReadingsSpansAndNamedBuffers) {
    const QString text = QStringLiteral("probe, buffer pH, mV, temperature\r\n"
                                        "# two buffers typed in\n"
                                        "1, 7.00, 0.0, 25\n"
                                        "\n"
                                        "pH-1, 4.01, -177.0, 25\r"
                                        "2, phosphate, \"5/13/2004 08:00:00\", 5/13/2004 08:00:50\n"
                                        "PH2, 4.00 technical, 1.5, 22.5\n");
    const PointsRead read = parseCalibrationPoints(text, QStringLiteral("points.csv"));
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    ASSERT_EQ(read.probes[0].size(), 2u);
    ASSERT_EQ(read.probes[1].size(), 2u);
    EXPECT_EQ(read.probes[0][1].line, 5);
    EXPECT_EQ(read.probes[0][1].pH, 4.01);
    EXPECT_EQ(read.probes[0][1].mV, -177.0);
    EXPECT_TRUE(read.probes[1][0].span);
    EXPECT_EQ(read.probes[1][0].table, findBuffer(u"phosphate"));

    const DataTable t = settled();
    const ProbeCalibration p1 = calibrateProbe(read.probes[0], t, 0, {});
    ASSERT_TRUE(p1.ok()) << p1.error.toStdString();
    EXPECT_NEAR(p1.result.fittedSlope, 1.000669295702, 1e-12);
    EXPECT_EQ(calibrationReportLines(0, p1),
              QStringList({QStringLiteral("pH-1 point 1: pH 7.000, 0.00 mV, 25.00 \u00B0C, residual +0.0000 pH"),
                           QStringLiteral("pH-1 point 2: pH 4.010, -177.00 mV, 25.00 \u00B0C, residual +0.0001 pH"),
                           QStringLiteral("pH-1 slope 1.0007 (100.07 % of Nernst) pass, offset 0.0000 V (0.0 mV) "
                                          "pass: pass")}));

    // The span is averaged on thermistor 2 with its correction; the phosphate's pH is taken at
    // the span's 25.1 degrees: 6.86 + 0.02 x (6.85 - 6.86) = 6.8598.
    const ProbeCalibration p2 = calibrateProbe(read.probes[1], t, 1, {1, 0.1, 1.0});
    ASSERT_TRUE(p2.error.isEmpty()) << p2.error.toStdString();
    ASSERT_EQ(p2.points.size(), 2u);
    EXPECT_NEAR(p2.points[0].pH, 6.8598, 1e-12);
    EXPECT_NEAR(p2.points[0].mV, -177.0, 1e-12);
    EXPECT_NEAR(p2.points[0].temperature, 25.1, 1e-12);
    EXPECT_EQ(p2.points[1].pH, 4.00);
    ASSERT_TRUE(p2.spans[0]);
    EXPECT_EQ(p2.spans[0]->count, 6);
    EXPECT_FALSE(p2.spans[1]);
    const QStringList lines = calibrationReportLines(1, p2);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("; records 0 to 5: 6 records, mean -177.00 mV (sd 0.22), 25.10 "
                                                 "\u00B0C (sd 0.09), drift +0.206 mV/min")))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("(4.00 technical)")));
    // Falling reading with rising pH: swapped.
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(": fail (The slope is negative: the buffer points look swapped (this "
                                                 "instrument's reading rises with pH, the opposite of a bench meter's "
                                                 "mV: a higher reading must give a higher pH).)")))
        << lines[2].toStdString();
}

TEST(CalibrationPoints, AShortSpanCapsTheVerdictAtWarnAndIsNamed) {
    // Records 0 to 3 are four: too few to be stable.
    const PointsRead read = parseCalibrationPoints(
        QStringLiteral("2, 4.01, 5/13/2004 08:00:00, 5/13/2004 08:00:30\n2, 7.00, 0.0, 25"), QStringLiteral("p"));
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    const ProbeCalibration c = calibrateProbe(read.probes[1], settled(), 1, {1, 0.0, 1.0});
    EXPECT_EQ(c.result.slopeVerdict, Verdict::Pass);
    EXPECT_EQ(c.result.verdict, Verdict::Warn);
    EXPECT_TRUE(calibrationReportLines(1, c).last().endsWith(
        QStringLiteral(": warn (At most warn: point 1 is from a span that is not stable.)")));
}

TEST(CalibrationPoints, SpreadsheetFilesAreReadOrRefusedByTheirCause) {
    TempFiles tmp;
    const QByteArray rows = "probe\tbuffer\tmV\tT\r\n1\t7,00\t0,0\t25\r\n1\t4,01\t-177\t25\r\n";
    const QString utf16 = QString::fromLatin1(rows);
    QByteArray utf16le("\xFF\xFE");
    utf16le.append(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2);
    const QByteArray read[] = {
        "\xEF\xBB\xBF"
        "1,7.00,0.0,25\n1,4.01,-177,25\n",  // UTF-8 with its mark
        "1;7,00;0,0;25\n1;4,01;-177;25\n",  // semicolons and decimal commas
        utf16le,                            // UTF-16 with its mark, tabs
    };
    for (const QByteArray &bytes : read) {
        const PointsRead r = readCalibrationPointsFile(tmp.write(QStringLiteral("p.csv"), bytes));
        ASSERT_TRUE(r.ok()) << r.error.toStdString();
        ASSERT_EQ(r.probes[0].size(), 2u);
        EXPECT_EQ(r.probes[0][1].pH, 4.01);
        EXPECT_EQ(r.probes[0][1].mV, -177.0);
    }
    const QString noMark = tmp.write(QStringLiteral("n.csv"), utf16le.mid(2));
    EXPECT_EQ(readCalibrationPointsFile(noMark).error,
              noMark + QStringLiteral(": the file holds zero bytes, as UTF-16 text without a byte-order mark or a "
                                      "file that is not text does; save it as CSV (UTF-8 or plain text)."));
    const QString folder = tmp.path(QStringLiteral("points"));
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_EQ(readCalibrationPointsFile(folder).error, folder + QStringLiteral(" is a folder, not a points file."));
    // Past 1 MiB nothing is read, whatever the file holds; a device that never ends too.
    const QString big = tmp.write(QStringLiteral("big.csv"), QByteArray(kMaxPointsFileSize + 1, '\n'));
    EXPECT_TRUE(readCalibrationPointsFile(big).error.startsWith(big + QStringLiteral(": larger than 1048576 bytes")));
    EXPECT_TRUE(readCalibrationPointsFile(QStringLiteral("/dev/zero")).error.contains(QStringLiteral("larger than")));
    EXPECT_TRUE(readCalibrationPointsFile(tmp.write(QStringLiteral("fits.csv"), QByteArray(kMaxPointsFileSize, '\n')))
                    .error.endsWith(QStringLiteral(": no points.")));
}

TEST(CalibrationPoints, BadRowsAreNamedByTheirLine) {
    const std::pair<const char *, const char *> cases[] = {
        {"1, 7.00, 0.0", "p.csv line 1: 4 values expected"},
        {"3, 7.00, 0.0, 25", "p.csv line 1: the probe \"3\" is not 1, 2, pH-1 or pH-2."},
        {"probe,pH,mV,T\n1, 7.00, 0.0, 25\n1, seven, 0.0, 25",
         "p.csv line 3: the buffer \"seven\" is neither a pH nor a known buffer (phthalate, phosphate, borax, tech4, "
         "tech7, tech10, ps-phthalate, ps-phosphate, ps-borax, ps-carbonate)."},
        {"1, 7.00, 0.0, 5/13/2004 08:00:00",
         "p.csv line 1: \"0.0\" and \"5/13/2004 08:00:00\" are neither a reading (mV) and a temperature nor two "
         "record date-times."},
        {"2, 15, 0, 25", "p.csv line 1: the buffer pH 15 is outside 0 to 14."},
        {"2, borax, 0, 60", "p.csv line 1: 60.00 \u00B0C is outside the buffer table (0 to 50 \u00B0C)."},
        {"2, 7, 1e308, 25", "p.csv line 1: the reading 1e308 mV is beyond \u00B12000 mV."},
        {"2, 7, -2000.5, 25", "p.csv line 1: the reading -2000.5 mV is beyond \u00B12000 mV."},
        {"1, 7, 0, 1e308", "p.csv line 1: the temperature 1e308 \u00B0C is outside -5 to 105 \u00B0C."},
        {"1, 7, 0, -5.5", "p.csv line 1: the temperature -5.5 \u00B0C is outside -5 to 105 \u00B0C."},
        {"1,7,0,25\n1,4,-177,25\n1,10,177,25\n1,7,0,25\n2,7,0,25\n1,4,-177,25\n1,10,177,25",
         "p.csv line 7: more than 5 points for pH-1."},
        {"", "p.csv: no points."},
        {"probe, buffer pH, mV, temperature\n# nothing yet\n", "p.csv: no points."},
    };
    for (auto [text, error] : cases) {
        const PointsRead read = parseCalibrationPoints(QString::fromUtf8(text), QStringLiteral("p.csv"));
        EXPECT_FALSE(read.ok()) << text;
        EXPECT_TRUE(read.error.startsWith(QString::fromUtf8(error))) << read.error.toStdString();
    }
    EXPECT_TRUE(readCalibrationPointsFile(QStringLiteral("/nonexistent/p.csv"))
                    .error.contains(QStringLiteral("cannot be read")));

    // A span with no records in it, found when it is resolved.
    const PointsRead read =
        parseCalibrationPoints(QStringLiteral("1, 7.00, 5/14/2004 08:00:00, 5/14/2004 09:00:00"), QStringLiteral("p"));
    ASSERT_TRUE(read.ok());
    const ProbeCalibration c = calibrateProbe(read.probes[0], settled(), 0, {});
    EXPECT_EQ(c.error, QStringLiteral("line 1: no record from 5/14/2004 08:00:00 to 5/14/2004 09:00:00."));
    EXPECT_FALSE(c.ok());
    EXPECT_EQ(calibrationReportLines(0, c), QStringList(QStringLiteral("pH-1: no result: ") + c.error));
}
