#include "qc/qcletters.h"
#include "qc/qctests.h"
#include "export/csvexport.h"
#include "model/clsdataset.h"
#include "model/datetime.h"

#include <gtest/gtest.h>
#include <cmath>

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// A log of n records `step` seconds apart from 5/13/2004 08:00: pH 7 on both probes, thermistors
// at 20, 20.5, 21 rising by 0.02 a record (so they are never flat), flow 1. NaN cells stay empty.
struct QcLog {
    std::vector<double> seconds;
    std::vector<std::array<double, 10>> v;  // columns 1..10
    QcLog(int n, double step) {
        for (int r = 0; r < n; ++r) {
            seconds.push_back(r * step);
            const double t = 0.02 * r;
            v.push_back({20 + t, 20.5 + t, 21 + t, 10.0 + r, -10.0 - r, 7.0, 7.0, 12.0, 1.0, r * 0.5});
        }
    }
    double &at(int r, int col) { return v[std::size_t(r)][std::size_t(col - 1)]; }
    void column(int col, std::initializer_list<double> values) {
        int r = 0;
        for (double x : values) at(r++, col) = x;
    }
    DataTable table() const {
        DataTable t;
        const int n = int(v.size());
        t.resize(n - 1, 10);
        const double start = *dt::parse(QStringLiteral("5/13/2004 08:00:00"));
        for (int r = 0; r < n; ++r) {
            t.setRecord(r, start + seconds[std::size_t(r)] / dt::kSecondsPerDay, v[std::size_t(r)].data(), 10);
            for (int c = 1; c <= 10; ++c)
                if (std::isnan(v[std::size_t(r)][std::size_t(c - 1)])) t.setCell(r, c, Cell());
        }
        return t;
    }
};

// One test's column of every row.
std::vector<int> column(const DataTable &t, const QcSetup &s, int series, int test, int computed = -1) {
    const int n = t.rowCount();
    std::vector<std::uint8_t> tests(std::size_t(n) * kQcColumns);
    QcRunner(s).run(t, 0, computed < 0 ? n : computed, 0, n, {nullptr, nullptr, tests.data()});
    int c = 0;
    while (qcColumn(c).series != series || qcColumn(c).test != test) ++c;
    std::vector<int> out;
    for (int r = 0; r < n; ++r) out.push_back(tests[std::size_t(r) * kQcColumns + std::size_t(c)]);
    return out;
}

QcSetup setupOf(const DataTable &t, const QcThresholds &th = {}) { return qcSetup(th, medianIntervalSeconds(t)); }

}  // namespace

TEST(QcTests, RangeGapSyntaxAndClimatologyAtTheirEdges) {
    QcLog log(8, 60);
    log.column(colPH1, {0.0, 14.0, 6.5, 9.0, 6.4999, 9.0001, -0.0001, 14.0001});
    log.column(colTherm1, {-5, 50, 0, 35, -0.01, 35.01, -5.01, 50.01});
    log.seconds = {0, 60, 120, 720, 1321, 1381, 1441, 1501};  // 600 s to row 3: no gap; 601 s to row 4: a gap
    log.at(5, colPH2Raw) = kNone;  // a field missing: syntax, the pH of the other probe is kept
    QcThresholds th;
    th.climatology[4] = {true, 7.0, 9.0};  // May
    const DataTable t = log.table();
    const QcSetup s = setupOf(t, th);
    EXPECT_EQ(column(t, s, seriesPH1, testGrossRange), (std::vector<int>{3, 3, 1, 1, 3, 3, 4, 4}));
    EXPECT_EQ(column(t, s, seriesT1, testGrossRange), (std::vector<int>{3, 3, 1, 1, 3, 3, 4, 4}));
    EXPECT_EQ(column(t, s, seriesPH2, testGap), (std::vector<int>{1, 1, 1, 1, 4, 1, 1, 1}));
    EXPECT_EQ(column(t, s, seriesPH2, testSyntax), (std::vector<int>{1, 1, 1, 1, 1, 4, 1, 1}));
    EXPECT_EQ(column(t, s, seriesPH1, testClimatology), (std::vector<int>{3, 3, 3, 1, 3, 3, 3, 3}));
    EXPECT_EQ(column(t, setupOf(t), seriesPH1, testClimatology), std::vector<int>(8, 2));  // no span: 2
}

TEST(QcTests, SpikeAgainstTheMeanOfItsNeighbours) {
    QcLog log(10, 60);
    // Row 2 is 0.1 from its neighbours' mean (inside), row 3 0.25 from (7.1 + 7.4) / 2, row 4 0.4;
    // row 6 has no pH, so rows 5 and 7 beside it are not evaluated.
    log.column(colPH1, {7.0, 7.0, 7.1, 7.0, 7.4, 7.0, 7.0, 7.0, 7.3, 7.0});
    log.at(6, colPH1Raw) = kNone;
    log.at(6, colPH1) = kNone;
    log.column(colTherm2, {20, 20, 21.0, 20, 20.6, 20, 20, 20, 20, 20});
    const DataTable t = log.table();
    const QcSetup s = setupOf(t);
    EXPECT_EQ(column(t, s, seriesPH1, testSpike), (std::vector<int>{2, 1, 1, 3, 4, 2, 9, 2, 3, 2}));
    EXPECT_EQ(column(t, s, seriesT2, testSpike), (std::vector<int>{2, 1, 3, 3, 3, 1, 1, 1, 1, 2}));
    // The missing value is 9 in every test of its series, and only there.
    const std::array<std::uint8_t, kQcColumns> row6 = qcRowTests(t, 10, s, 6);
    for (int c = 0; c < kQcColumns; ++c) EXPECT_EQ(row6[std::size_t(c)] == 9, qcColumn(c).series == seriesPH1) << c;
    // Not computed from row 8: no pH there, and the spike of row 7 has no neighbour after.
    EXPECT_EQ(column(t, s, seriesPH2, testSpike, 8), (std::vector<int>{2, 1, 1, 1, 1, 1, 1, 2, 9, 9}));
}

TEST(QcTests, RateOfChangePerSecondOverStepsAndGaps) {
    QcLog log(6, 36);
    // 1 pH/h over 36 s is 0.01 pH: row 1 changes by exactly that, row 2 by more, row 4 by 0.05
    // (above a fail threshold of 2 pH/h, 0.02); row 5 follows a 20-minute gap with 0.3 (below
    // 1200 s x 1 pH/h = 0.333).
    log.column(colPH1, {7.0, 7.01, 7.0201, 7.0201, 7.0701, 7.3701});
    log.seconds[5] = log.seconds[4] + 1200;
    QcThresholds th;
    th.rateFailPerHour = 2.0;
    const DataTable t = log.table();
    EXPECT_EQ(column(t, setupOf(t, th), seriesPH1, testRateOfChange), (std::vector<int>{1, 1, 3, 1, 4, 1}));
    EXPECT_EQ(column(t, setupOf(t), seriesPH1, testRateOfChange), (std::vector<int>{1, 1, 3, 1, 3, 1}));
    EXPECT_EQ(column(t, setupOf(t), seriesPH1, testGap), (std::vector<int>{1, 1, 1, 1, 1, 4}));
}

TEST(QcTests, FlatLineWindowsFromAMedianIntervalOfOneAndAHalfSeconds) {
    // Steps of 1 s and 2 s in turn, as many of each: the median is 1.5 s, so 9 s is a window of
    // 6 records before the value and 18 s one of 12.
    QcLog log(41, 1);
    for (int r = 0; r < 41; ++r) log.seconds[std::size_t(r)] = (r / 2) * 3 + (r % 2);
    // A run of 6 (rows 5..10) ends one record short of the window; the next runs from row 12 on,
    // its values 0.0009 apart (inside the tolerance).
    for (int r = 0; r < 41; ++r)
        log.at(r, colPH1) = r < 5 ? 7.0 + 0.01 * r : r < 11 ? 7.2 : r == 11 ? 7.3 : 7.4 + (r % 2) * 0.0009;
    // pH-2 alternates by exactly the tolerance: never flat.
    for (int r = 0; r < 41; ++r) log.at(r, colPH2) = 7.0 + (r % 2) * 0.001;
    for (int r = 0; r < 41; ++r) log.at(r, colTherm1) = 20.0;  // flat from the first record
    QcThresholds th;
    th.flatSuspectMinutes = 0.15;
    th.flatFailMinutes = 0.3;
    const DataTable t = log.table();
    const QcSetup s = setupOf(t, th);
    EXPECT_DOUBLE_EQ(s.medianSeconds, 1.5);
    EXPECT_EQ(s.flatSuspect, 6);
    EXPECT_EQ(s.flatFail, 12);
    std::vector<int> ph1(41, 1), t1(41, 1);
    for (int r = 18; r < 41; ++r) ph1[std::size_t(r)] = r < 24 ? 3 : 4;
    for (int r = 6; r < 41; ++r) t1[std::size_t(r)] = r < 12 ? 3 : 4;  // records before the first window: 1
    EXPECT_EQ(column(t, s, seriesPH1, testFlatLine), ph1);
    EXPECT_EQ(column(t, s, seriesPH2, testFlatLine), std::vector<int>(41, 1));
    EXPECT_EQ(column(t, s, seriesT1, testFlatLine), t1);
    // A missing value breaks the run.
    log.at(20, colTherm1) = kNone;
    const DataTable broken = log.table();
    EXPECT_EQ(column(broken, s, seriesT1, testFlatLine)[20], 9);
    EXPECT_EQ(column(broken, s, seriesT1, testFlatLine)[26], 1);
    EXPECT_EQ(column(broken, s, seriesT1, testFlatLine)[27], 3);
}

TEST(QcTests, ProbeAndThermistorAgreementOnBothProbes) {
    QcLog log(6, 60);
    log.column(colPH2, {7.2, 7.25, 7.5, 7.5001, 7.0, 7.0});
    log.at(4, colPH1) = kNone;
    log.at(1, colTherm3) = 22.02;  // 2.0 from Therm 1 (20.02): inside
    log.at(2, colTherm3) = 22.14;  // 2.1
    const DataTable t = log.table();
    const QcSetup s = setupOf(t);
    EXPECT_EQ(column(t, s, seriesPH1, testProbeAgreement), (std::vector<int>{1, 3, 3, 4, 9, 1}));
    EXPECT_EQ(column(t, s, seriesPH2, testProbeAgreement), (std::vector<int>{1, 3, 3, 4, 2, 1}));
    EXPECT_EQ(column(t, s, seriesPH2, testThermistorAgreement), (std::vector<int>{1, 1, 3, 1, 1, 1}));
}

TEST(QcTests, AggregateOrderAndLetters) {
    EXPECT_EQ(qcWorse(1, 2), 1);
    EXPECT_EQ(qcWorse(2, 9), 2);
    EXPECT_EQ(qcWorse(1, 3), 3);
    EXPECT_EQ(qcWorse(4, 3), 4);
    EXPECT_EQ(qcWorse(9, 9), 9);

    QcLog log(5, 60);
    log.column(colPH1, {7.0, 7.0, 7.6, 7.0, 7.0});  // a spike (row 1 suspect beside it) and disagreement
    log.at(3, colPH2) = 9.5;                        // suspect range, fail spike and disagreement
    log.at(4, colPH1) = kNone;
    log.at(4, colPH1Raw) = kNone;
    log.at(1, colFlowRate) = 0;
    const DataTable t = log.table();
    QcTable table;
    QcResults r;
    table.compute(t, 5, {}, r);
    std::vector<int> ph1, ph2;
    QStringList letters;
    for (int i = 0; i < 5; ++i) {
        ph1.push_back(qcAggregate(r.aggregates[std::size_t(i)], seriesPH1));
        ph2.push_back(qcAggregate(r.aggregates[std::size_t(i)], seriesPH2));
        letters << flagLetters(r.letters[std::size_t(i)]);
    }
    // The first and last records' spike is 2, which every 1 outranks.
    EXPECT_EQ(ph1, (std::vector<int>{1, 3, 4, 4, 9}));
    EXPECT_EQ(ph2, (std::vector<int>{1, 1, 4, 4, 4}));  // row 4: the other probe's field is missing (syntax)
    EXPECT_EQ(letters, (QStringList{"", "SN", "SD", "SDR", "MY"}));
    EXPECT_EQ(countQc(r.aggregates).of[seriesPH1], (std::array<long long, 5>{1, 0, 1, 2, 1}));
    EXPECT_EQ(nextSuspectRow(r.aggregates, 0, +1), 1);
    EXPECT_EQ(nextSuspectRow(r.aggregates, 1, -1), std::nullopt);
}

TEST(QcTests, PiecesAndAppendedRowsGiveTheWholeRun) {
    QcLog log(3000, 10);
    for (int r = 0; r < 3000; ++r) {
        log.at(r, colPH1) = 7.0 + 0.3 * std::sin(r * 0.37) * (r % 17 == 0) + (r > 1000 && r < 1400 ? 0.5 : 0);
        if (r % 97 == 0) log.at(r, colPH2) = kNone;
        if (r > 2000 && r < 2500) log.at(r, colPH2) = 7.1;
    }
    log.seconds[1500] += 3600;
    const DataTable whole = log.table();
    QcTable all;
    QcResults expected;
    all.compute(whole, 2900, {}, expected);

    // Followed: the table grows in three steps.
    QcLog part = log;
    part.v.resize(1200);
    part.seconds.resize(1200);
    QcTable grown;
    QcResults got;
    grown.compute(part.table(), 1200, {}, got);
    EXPECT_EQ(grown.extend(whole, 2900, got), 1199);
    EXPECT_EQ(got.letters, expected.letters);
    EXPECT_EQ(got.aggregates, expected.aggregates);

    // In pieces that start anywhere, and one row at a time for the tooltip.
    const QcSetup s = all.setup();
    std::vector<std::uint8_t> tests(std::size_t(3000) * kQcColumns), pieces(tests.size());
    std::vector<FlagMask> letters(3000);
    std::vector<QcAggregates> aggregates(3000);
    QcRunner(s).run(whole, 0, 2900, 0, 3000, {letters.data(), aggregates.data(), tests.data()});
    EXPECT_EQ(letters, expected.letters);  // the whole table's, which may run in two halves
    EXPECT_EQ(aggregates, expected.aggregates);
    QcRunner runner(s);
    for (int from : {1700, 0, 333, 1500, 2999})
        for (int r = from; r < std::min(3000, from + 400); r += 57)
            runner.run(whole, 0, 2900, r, std::min(3000, r + 57),
                       {nullptr, nullptr, pieces.data() + std::size_t(r) * kQcColumns});
    for (int r : {0, 400, 1500, 1501, 1750, 2999}) {
        const auto row = qcRowTests(whole, 2900, s, r);
        EXPECT_TRUE(std::equal(row.begin(), row.end(), tests.begin() + std::ptrdiff_t(r) * kQcColumns)) << r;
    }
    for (int r = 0; r < 2100; ++r) {
        if (r >= 733 && r < 1500) continue;
        ASSERT_TRUE(std::equal(tests.begin() + std::ptrdiff_t(r) * kQcColumns,
                               tests.begin() + std::ptrdiff_t(r + 1) * kQcColumns,
                               pieces.begin() + std::ptrdiff_t(r) * kQcColumns))
            << r;
    }
}

TEST(QcTests, CsvColumnsOfALogWithOneFaultOfEachKind) {
    QcLog log(6, 60);
    log.at(1, colPH1) = 7.5;    // spike, probe agreement
    log.at(2, colTherm3) = 55;  // temperature range (fail), thermistor agreement
    log.seconds[4] += 900;      // a gap
    log.seconds[5] += 900;
    log.at(5, 8) = kNone;  // syntax: the battery column
    const DataTable t = log.table();
    clsDataSet ds;
    ds.appendRecords(DataTable(t));
    QcTable table;
    QcResults r;
    table.compute(ds.DATA(), 6, {}, r);
    const CsvQc qc{&r, &table.setup(), 6};
    const QStringList lines = QString::fromLatin1(tableCsv(ds, &qc)).split(QStringLiteral("\r\n"));
    const QStringList header = lines[0].split(u',');
    ASSERT_EQ(header.size(), 11 + 3 + kQcColumns);
    EXPECT_EQ(header.mid(11, 5), (QStringList{"flags", "qc_ph1", "qc_ph2", "qc_ph1_gap", "qc_ph1_syntax"}));
    EXPECT_EQ(header.last(), "qc_t3_flat_line");
    EXPECT_EQ(header[14 + kQcTests + testThermistorAgreement], "qc_ph2_thermistor_agreement");
    auto field = [&](int row, const QString &name) { return lines[row + 1].split(u',')[header.indexOf(name)]; };
    EXPECT_EQ(field(1, "flags"), "SD");
    EXPECT_EQ(field(1, "qc_ph1"), "4");
    EXPECT_EQ(field(1, "qc_ph2_probe_agreement"), "3");
    EXPECT_EQ(field(2, "flags"), "STR");
    EXPECT_EQ(field(2, "qc_t3_gross_range"), "4");
    EXPECT_EQ(field(2, "qc_ph1"), "3");  // spike, rate and thermistors; the temperature's fail is its own
    EXPECT_EQ(field(3, "flags"), "S");   // Therm 3's neighbour
    EXPECT_EQ(field(4, "flags"), "G");
    EXPECT_EQ(field(4, "qc_ph2_gap"), "4");
    EXPECT_EQ(field(5, "flags"), "Y");
    EXPECT_EQ(field(5, "qc_ph1_syntax"), "4");
    EXPECT_EQ(field(5, "qc_ph1_spike"), "2");
}
