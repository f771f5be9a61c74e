#include "compute/phcompute.h"
#include "compute/readout.h"
#include "model/clsdataset.h"

#include <gtest/gtest.h>
#include <cmath>

namespace {
// One record: time, three temperatures, two raw readings, two pH cells, aux, flow, volume.
std::vector<Cell> record(const char *time, double t1, double t2, double t3, double raw1, double raw2) {
    return {Cell(QString::fromLatin1(time)),
            Cell(t1),
            Cell(t2),
            Cell(t3),
            Cell(raw1),
            Cell(raw2),
            Cell(0.0),
            Cell(0.0),
            Cell(0.0),
            Cell(1.25),
            Cell(12.5)};
}
}  // namespace

TEST(PHCompute, KnownValues) {
    ProbeInputs ideal;
    EXPECT_EQ(probePH(25, 0, ideal), 7.0);
    EXPECT_EQ(probePH(25, 59.16, ideal), 8.0);
    ProbeInputs p{0.98, 0.01, 0.05, 0, -0.2};
    EXPECT_EQ(probePH(12.5, -100, p), 5.0682);
    EXPECT_EQ(roundPH(8.0000384), 8.0);
    EXPECT_EQ(roundPH(-1.23456), -1.2346);
}

TEST(PHCompute, EachProbeUsesItsOwnThermistorAndCorrection) {
    clsDataSet ds;
    ds.add(record("5/13/2004 08:00:00", 25, 12.5, 0, 59.16, -100));
    ProbeInputs p1;                             // thermistor 1 at 25 degrees
    ProbeInputs p2{0.98, 0.01, 0.05, 1, -0.2};  // thermistor 2 at 12.5 degrees
    EXPECT_FALSE(computeAll(ds.DATA(), p1, p2));
    EXPECT_EQ(ds.DATA().cell(0, colPH1).number(), 8.0);
    EXPECT_EQ(ds.DATA().cell(0, colPH2).number(), 5.0682);
    p1.thermistor = 2;  // 0 degrees: a different result
    computeAll(ds.DATA(), p1, p2);
    EXPECT_NE(ds.DATA().cell(0, colPH1).number(), 8.0);
}

TEST(PHCompute, StopsAtTheFirstRecordThatCannotBeComputed) {
    clsDataSet ds;
    ds.add(record("5/13/2004 08:00:00", 25, 25, 25, 0, 0));
    ds.add(record("5/13/2004 08:00:10", 25, 25, 25, 59.16, 0));
    auto bad = record("5/13/2004 08:00:20", 25, 25, 25, 0, 0);
    bad[1] = Cell(QStringLiteral("n/a"));
    ds.add(bad);
    ds.add(record("5/13/2004 08:00:30", 25, 25, 25, 0, 0));
    DataTable &t = ds.DATA();
    t.setCell(3, colPH1, Cell(3.0));
    auto stop = computeAll(t, {}, {});
    ASSERT_TRUE(stop);
    EXPECT_EQ(stop->row, 2);
    EXPECT_EQ(t.cell(1, colPH1).number(), 8.0);
    EXPECT_EQ(t.cell(3, colPH1).number(), 3.0);  // after the stop: untouched
    const QString msg = computeStopMessage(*stop, t);
    EXPECT_TRUE(msg.contains(QStringLiteral("record 2 (5/13/2004 08:00:20)"))) << msg.toStdString();
    EXPECT_TRUE(msg.contains(QStringLiteral("\"n/a\""))) << msg.toStdString();

    ProbeInputs zeroSlope;
    zeroSlope.slope = 0;
    stop = computeAll(t, {}, zeroSlope);
    ASSERT_TRUE(stop);
    EXPECT_EQ(stop->row, 0);
    EXPECT_TRUE(stop->reason.contains(QStringLiteral("pH-2 slope is 0")));
    EXPECT_EQ(t.cell(0, colPH1).number(), 7.0);  // probe 1 of that record was done
    ProbeInputs absolute;
    absolute.thermCorr = -298.15;
    stop = computeAll(t, absolute, {});
    ASSERT_TRUE(stop);
    EXPECT_TRUE(stop->reason.contains(QStringLiteral("0 kelvin")));
    absolute.thermCorr = -300;  // below absolute zero stops as well
    stop = computeAll(t, absolute, {});
    ASSERT_TRUE(stop);
    EXPECT_EQ(stop->row, 0);
    EXPECT_TRUE(stop->reason.contains(QStringLiteral("0 kelvin")));
    EXPECT_TRUE(computeStopMessage(*stop, t).contains(QStringLiteral("record 0 (5/13/2004 08:00:00)")));
    for (int r = 0; r <= t.lastRow(); ++r)
        for (int c : {colPH1, colPH2}) EXPECT_TRUE(std::isfinite(t.number(r, c).value_or(0)));
}

TEST(PHCompute, MissingReadingGivesNoPHForItsProbeAndEmptyTableComputesNothing) {
    clsDataSet ds;
    auto noRaw1 = record("5/13/2004 08:00:00", 25, 25, 25, 59.16, 59.16);
    noRaw1[4] = Cell();
    noRaw1[6] = Cell(6.5);  // the logger's own pH must not stay
    auto noTherm1 = record("5/13/2004 08:00:10", 25, 25, 25, 59.16, 59.16);
    noTherm1[1] = Cell();
    ds.add(noRaw1);
    ds.add(noTherm1);
    ds.add(record("5/13/2004 08:00:20", 25, 25, 25, 59.16, 59.16));
    DataTable &t = ds.DATA();
    ProbeInputs p2;
    p2.thermistor = 1;
    EXPECT_FALSE(computeAll(t, {}, p2));  // no stop
    EXPECT_TRUE(t.cell(0, colPH1).isEmpty());
    EXPECT_EQ(t.cell(0, colPH2).number(), 8.0);
    EXPECT_TRUE(t.cell(1, colPH1).isEmpty());    // probe 1 reads thermistor 1
    EXPECT_EQ(t.cell(1, colPH2).number(), 8.0);  // probe 2 reads thermistor 2
    EXPECT_EQ(t.cell(2, colPH1).number(), 8.0);
    clsDataSet empty;
    EXPECT_FALSE(computeAll(empty.DATA(), {}, {}));
}

TEST(Readout, TextsAndCorrectedTemperatures) {
    clsDataSet ds;
    auto rec = record("5/13/2004 08:00:00", 12.5, 20, 21, 0, 0);
    rec[colPH1] = Cell(7.8123);
    ds.add(rec);
    auto r = readoutFor(ds.DATA(), 0);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->ph1, QStringLiteral("  7.8123"));
    EXPECT_EQ(r->now, QStringLiteral("5/13/2004 08:00:00"));
    EXPECT_EQ(r->therm1, QStringLiteral("12.5"));
    EXPECT_EQ(r->totalVolume, QStringLiteral("12.5"));
    EXPECT_FALSE(readoutFor(ds.DATA(), 1));
    EXPECT_FALSE(readoutFor(ds.DATA(), -1));
    EXPECT_EQ(correctedTemperature(QStringLiteral("12.5"), QStringLiteral("-0.2")), QStringLiteral("12.30"));
    EXPECT_EQ(correctedTemperature(QStringLiteral("12.5"), QStringLiteral("0.5")), QStringLiteral("13.00"));
    EXPECT_EQ(correctedTemperature(QStringLiteral("12.5"), QString()), QStringLiteral("12.50"));
    EXPECT_FALSE(correctedTemperature(QString(), QStringLiteral("0.5")));
    EXPECT_FALSE(correctedTemperature(QStringLiteral("12.5"), QStringLiteral("abc")));
}

// Compute's block loop against the formula with the library's rounding, bit for bit: ties,
// results near -0, and values too large for the quick rounding.
TEST(PHCompute, BlockLoopGivesTheFormulasBits) {
    const auto reference = [](double T, double raw, const ProbeInputs &in) {
        const double K = T + kKelvinOffset + in.thermCorr;
        const double pH = (raw / kMillivoltsPerVolt - in.offset) / (K * kNernstFactor * in.slope) + kNeutralPH + in.corr;
        return std::nearbyint(pH * 10000.0) / 10000.0;
    };
    const ProbeInputs p1{0.97, 0.003, 0.0, 0, 0.1}, p2{1.0, 0.0, -7.0, 1, 0.0};
    clsDataSet ds;
    std::vector<std::pair<double, double>> inputs;  // thermistor 1 and raw 1 per record
    unsigned seed = 12345;
    for (int i = 0; i < 1030; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double T = double(seed % 4000) / 100.0, raw = (double(seed % 900001) - 450000.0) / 1000.0;
        ds.add(record("5/13/2004 08:00:00", T, 25.0 - i % 7, 0, raw, raw * (i % 3 ? 1 : 1e12)));
        inputs.emplace_back(T, raw);
    }
    ASSERT_FALSE(computeAll(ds.DATA(), p1, p2));
    for (int r = 0; r < int(inputs.size()); ++r) {
        const auto [T, raw] = inputs[std::size_t(r)];
        const double want1 = reference(T, raw, p1), want2 = reference(25.0 - r % 7, raw * (r % 3 ? 1 : 1e12), p2);
        ASSERT_EQ(std::signbit(ds.DATA().cell(r, colPH1).number()), std::signbit(want1)) << r;
        ASSERT_EQ(ds.DATA().cell(r, colPH1).number(), want1) << r;
        ASSERT_EQ(ds.DATA().cell(r, colPH2).number(), want2) << r;
    }
}
