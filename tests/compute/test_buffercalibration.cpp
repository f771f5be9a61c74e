#include "compute/buffercalibration.h"
#include "compute/buffertables.h"
#include "compute/calibrationreport.h"
#include "compute/calibrationsettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <array>
#include <cmath>
#include <limits>

// Worked by hand: K x 0.000198416 is 0.0591577304 V per pH at 25 degrees (298.15 K),
// 0.0581656504 at 20 and 0.0601498104 at 30. The x of a point is (pH - 7) times that.

TEST(BufferCalibration, OnePointMovesTheOffsetOnly) {
    // 4.01 at -170.0 mV, slope kept at 0.98: x = -2.99 x 0.0591577304 = -0.176881613896,
    // o = -0.170 - 0.98 x -0.176881613896 = 0.00334398161808 V.
    const auto r = calibrate({{4.01, -170.0, 25.0}}, 0.98);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.slope, 0.98);
    EXPECT_NEAR(r.fittedOffset, 0.00334398161808, 1e-15);
    // Applied as the field holds it, 0.0033 V: the residual is (-0.170 - 0.0033) / (0.98 x 0.0591577304) + 2.99.
    EXPECT_EQ(r.offset, 0.0033);
    ASSERT_EQ(r.residuals.size(), 1u);
    EXPECT_NEAR(r.residuals[0], 0.000758636307, 1e-11);
    EXPECT_EQ(r.verdict, Verdict::Pass);
    EXPECT_EQ(calibrationFieldTexts(r.slope, r.offset).offset, QStringLiteral("0.0033"));
}

TEST(BufferCalibration, TwoPointsAtOneTemperatureSolveExactly) {
    // 7.00 at 0.0 mV, 4.01 at -177.0 mV: s = -0.177 / -0.176881613896 = 1.000669295702, o = 0.
    const auto r = calibrate({{7.00, 0.0, 25.0}, {4.01, -177.0, 25.0}}, 0.5);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_NEAR(r.fittedSlope, 1.000669295702, 1e-12);
    EXPECT_EQ(r.slope, 1.0007);
    EXPECT_EQ(r.offset, 0.0);
    EXPECT_NEAR(r.slopePercent(), 100.07, 1e-12);
    EXPECT_EQ(r.residuals[0], 0.0);
    EXPECT_NEAR(r.residuals[1], 0.000091742, 1e-9);  // -0.177 / (1.0007 x 0.0591577304) + 2.99
    EXPECT_EQ(r.slopeVerdict, Verdict::Pass);
    EXPECT_EQ(r.offsetVerdict, Verdict::Pass);
    EXPECT_TRUE(r.note.isEmpty());
    const auto texts = calibrationFieldTexts(r.slope, r.offset);
    EXPECT_EQ(texts.slope, QStringLiteral("1.0007"));
    EXPECT_EQ(texts.offset, QStringLiteral("0.0000"));
    EXPECT_EQ(calibrationFieldValues(r.slope, r.offset), std::make_pair(1.0007, 0.0));

    // The same readings the other way round: a higher reading at the lower pH.
    const auto swapped = calibrate({{7.00, -177.0, 25.0}, {4.01, 0.0, 25.0}}, 1.0);
    ASSERT_TRUE(swapped.ok);
    EXPECT_NEAR(swapped.fittedSlope, -1.000669295702, 1e-12);
    EXPECT_EQ(swapped.slopeVerdict, Verdict::Fail);
    EXPECT_EQ(swapped.verdict, Verdict::Fail);
    EXPECT_TRUE(swapped.note.contains(QStringLiteral("swapped"))) << swapped.note.toStdString();
}

TEST(BufferCalibration, TwoPointsEachAtItsOwnTemperature) {
    // 4.01 at 20 degrees, -170.0 mV: x1 = -2.99 x 0.0581656504 = -0.173915294696;
    // 9.18 at 30 degrees, +150.0 mV: x2 = 2.18 x 0.0601498104 = 0.131126586672.
    // s = 0.320 / 0.305041881368 = 1.049036278445, o = -0.170 - s x1 = 0.012443453512 V.
    const auto r = calibrate({{4.01, -170.0, 20.0}, {9.18, 150.0, 30.0}}, 1.0);
    ASSERT_TRUE(r.ok);
    EXPECT_NEAR(r.fittedSlope, 1.049036278445, 1e-12);
    EXPECT_NEAR(r.fittedOffset * 1000, 12.443453512, 1e-8);
    EXPECT_EQ(r.verdict, Verdict::Pass);
    const auto texts = calibrationFieldTexts(r.slope, r.offset);
    EXPECT_EQ(texts.slope, QStringLiteral("1.0490"));
    EXPECT_EQ(texts.offset, QStringLiteral("0.0124"));
    // Both at 25 degrees the slope is another: the temperatures are used.
    EXPECT_GT(std::fabs(calibrate({{4.01, -170.0, 25.0}, {9.18, 150.0, 25.0}}, 1.0).slope - r.slope), 1e-3);
}

TEST(BufferCalibration, ThreePointsFitByLeastSquaresWithResiduals) {
    // 4.01, 7.00, 10.01 at 25 degrees read -176.0, +1.0, +178.5 mV.
    // x = -0.176881613896, 0, 0.178064768504; mean x 0.000394384869, mean E 0.001166666667;
    // Sxx 0.062993700499, SxE 0.062914344877: s = 0.998740260989, o = 0.000772778619 V.
    // Residuals (E - o) / (K 0.000198416 s) + 7 - pH with s and o as applied, 0.9987 and 0.0008 V:
    // -0.002510666, +0.003385193, -0.002255966.
    const auto r = calibrate({{4.01, -176.0, 25.0}, {7.00, 1.0, 25.0}, {10.01, 178.5, 25.0}}, 1.0);
    ASSERT_TRUE(r.ok);
    EXPECT_NEAR(r.fittedSlope, 0.998740260989, 1e-12);
    EXPECT_NEAR(r.fittedOffset * 1000, 0.772778619, 1e-8);
    EXPECT_EQ(std::make_pair(r.slope, r.offset), std::make_pair(0.9987, 0.0008));
    ASSERT_EQ(r.residuals.size(), 3u);
    EXPECT_NEAR(r.residuals[0], -0.002510666, 1e-9);
    EXPECT_NEAR(r.residuals[1], 0.003385193, 1e-9);
    EXPECT_NEAR(r.residuals[2], -0.002255966, 1e-9);
    EXPECT_EQ(r.verdict, Verdict::Pass);
}

TEST(BufferCalibration, BadInputsGiveAMessageAndNoResult) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        std::vector<BufferPoint> points;
        double slope;
        const char *says;
    } cases[] = {
        {{}, 1.0, "No buffer points"},
        {std::vector<BufferPoint>(6, BufferPoint{}), 1.0, "At most 5"},
        {{{7.0, 0.0, 25.0}, {7.0, 5.0, 30.0}}, 1.0, "Points 1 and 2 have the same pH (7.000)"},
        {{{4.0, -170.0, 25.0}, {4.0, -171.0, 25.0}, {4.0, -172.0, 20.0}}, 1.0, "All points have the same pH"},
        {{{4.01, 0.0, 25.0}, {7.00, 0.0, 25.0}}, 1.0, "slope of 0"},
        {{{7.0, 1e308, 25.0}, {4.0, 0.0, 25.0}}, 1.0, "Point 1: the reading 1e+308 mV is beyond "},
        {{{7.0, 0.0, 25.0}, {4.0, 0.0, 105.5}}, 1.0, "Point 2: the temperature 105.5 "},
        {{{6.86, 0.0, 25.0}, {7.00, 8.3, 25.0}},
         1.0,
         "The buffer points span only 0.140 pH (6.860 to 7.000): two or more points must span at least 1.00 pH."},
        {{{4.01, -170.0, 25.0}}, 0.0, "current slope is 0"},
        {{{4.01, -170.0, 25.0}}, nan, "current slope is not a number"},
        {{{7.0, 0.0, 25.0}, {4.01, nan, 25.0}}, 1.0, "Point 2: the pH, the reading and the temperature"},
        {{{7.0, 0.0, -273.15}, {4.01, -177.0, 25.0}}, 1.0, "Point 1: the temperature is at or below absolute zero"},
    };
    for (const auto &c : cases) {
        const auto r = calibrate(c.points, c.slope);
        EXPECT_FALSE(r.ok) << c.says;
        EXPECT_TRUE(r.error.contains(QLatin1String(c.says))) << r.error.toStdString();
        EXPECT_TRUE(calibrationSummary(0, r).startsWith(QStringLiteral("pH-1: no result: ")));
    }
}

TEST(BufferCalibration, WhatIsAppliedIsJudgedAndAnUnstablePointCapsTheVerdict) {
    // 7.00 at 30.01 mV keeps the slope 1: the field takes 0.0300 V, a pass, and the residual is
    // 0.01 mV over 59.1577304 mV per pH.
    const auto one = calibrate({{7.00, 30.01, 25.0}}, 1.0);
    EXPECT_EQ(one.offset, 0.03);
    EXPECT_EQ(one.verdict, Verdict::Pass);
    EXPECT_NEAR(one.residuals[0], 0.000169040, 1e-9);
    EXPECT_EQ(calibrationSummary(0, one),
              QStringLiteral("pH-1 slope 1.0000 (100.00 % of Nernst) pass, offset 0.0300 V (30.0 mV) pass: pass"));

    const auto shaky = calibrate({{7.00, 0.0, 25.0, true}, {4.01, -177.0, 25.0}, {10.01, 178.0, 25.0, true}}, 1.0);
    EXPECT_EQ(shaky.slopeVerdict, Verdict::Pass);
    EXPECT_EQ(shaky.verdict, Verdict::Warn);
    EXPECT_EQ(shaky.note, QStringLiteral("At most warn: points 1 and 3 are from a span that is not stable."));
    const auto failing = calibrate({{7.00, 100.0, 25.0, true}, {4.01, -77.0, 25.0}}, 1.0);
    EXPECT_EQ(failing.verdict, Verdict::Fail);  // a cap, never a rise
    EXPECT_TRUE(calibrationSummary(1, failing)
                    .endsWith(QStringLiteral(": fail (At most warn: point 1 is from a span that is not stable.)")));
}

TEST(BufferCalibration, VerdictLimitsAreInclusiveAtTheirEdges) {
    const CalibrationLimits l;
    const std::pair<double, Verdict> slopes[] = {
        {95.0, Verdict::Pass},   {105.0, Verdict::Pass},  {100.0, Verdict::Pass},     {94.99, Verdict::Warn},
        {105.01, Verdict::Warn}, {90.0, Verdict::Warn},   {1.1 * 100, Verdict::Warn}, {89.99, Verdict::Fail},
        {110.01, Verdict::Fail}, {-100.0, Verdict::Fail},
    };
    for (auto [percent, v] : slopes) EXPECT_EQ(judgeSlope(percent, l), v) << percent;
    const std::pair<double, Verdict> offsets[] = {
        {30.0, Verdict::Pass}, {-30.0, Verdict::Pass}, {30.01, Verdict::Warn},  {-60.0, Verdict::Warn},
        {60.0, Verdict::Warn}, {60.01, Verdict::Fail}, {-60.01, Verdict::Fail},
    };
    for (auto [mV, v] : offsets) EXPECT_EQ(judgeOffset(mV, l), v) << mV;

    CalibrationLimits strict;
    strict.slopePassLow = 98;
    strict.offsetPass = 5;
    EXPECT_EQ(judgeSlope(97.0, strict), Verdict::Warn);
    EXPECT_EQ(judgeOffset(6.0, strict), Verdict::Warn);
    // The worse of the two is the verdict: a passing slope with a 45 mV offset warns.
    const auto r = calibrate({{7.00, 45.0, 25.0}, {4.01, -132.0, 25.0}}, 1.0);
    EXPECT_EQ(r.slopeVerdict, Verdict::Pass);
    EXPECT_EQ(r.offsetVerdict, Verdict::Warn);
    EXPECT_EQ(r.verdict, Verdict::Warn);
}

TEST(BufferTables, InterpolateLinearlyWithinTheTable) {
    const auto at = [](const char *id, double t) { return bufferPH(*findBuffer(QString::fromLatin1(id)), t); };
    // 22.5 degrees lies halfway between the 20 and 25 degree points.
    EXPECT_NEAR(*at("phthalate", 22.5), (4.00 + 4.01) / 2, 1e-12);
    EXPECT_NEAR(*at("phosphate", 22.5), (6.88 + 6.86) / 2, 1e-12);
    EXPECT_NEAR(*at("borax", 22.5), (9.22 + 9.18) / 2, 1e-12);
    EXPECT_NEAR(*at("tech7", 22.5), (7.02 + 7.00) / 2, 1e-12);
    EXPECT_NEAR(*at("tech10", 22.5), (10.06 + 10.01) / 2, 1e-12);
    EXPECT_NEAR(*at("borax", 12.5), 9.33 + 0.25 * (9.22 - 9.33), 1e-12);
    // Table points exactly, the ends included; nothing outside.
    EXPECT_EQ(*at("phosphate", 25), 6.86);
    EXPECT_EQ(*at("borax", 0), 9.46);
    EXPECT_EQ(*at("tech10", 50), 9.83);
    EXPECT_FALSE(at("tech4", 50.01));
    EXPECT_FALSE(at("tech4", -0.01));
    EXPECT_FALSE(at("tech4", std::nan("")));
    // Each buffer's nominal value is its 25 degree value; labels and ids both find it.
    for (const BufferTable &b : bufferTables()) EXPECT_EQ(b.pH[3], b.nominal) << b.id;
    EXPECT_EQ(findBuffer(u" 6.86 PHOSPHATE "), findBuffer(u"phosphate"));
    EXPECT_EQ(findBuffer(u"6.86"), nullptr);
    EXPECT_EQ(bufferSet(BufferSet::Technical)[1].nominal, 7.00);
}

TEST(BufferTables, ThePrimarySetHoldsTheThreePlaceValues) {
    const auto set = bufferSet(BufferSet::Primary);
    ASSERT_EQ(set.size(), 4u);
    const std::pair<const char *, std::array<double, 3>> ends[] = {
        {"ps-phthalate", {4.000, 4.005, 4.050}},
        {"ps-phosphate", {6.984, 6.865, 6.833}},
        {"ps-borax", {9.464, 9.180, 9.011}},
        {"ps-carbonate", {10.317, 10.012, 9.828}},
    };
    for (std::size_t i = 0; i < set.size(); ++i) {
        EXPECT_STREQ(set[i].id, ends[i].first);
        EXPECT_EQ(set[i].pH[0], ends[i].second[0]) << set[i].id;
        EXPECT_EQ(set[i].pH[3], ends[i].second[1]) << set[i].id;
        EXPECT_EQ(set[i].pH[6], ends[i].second[2]) << set[i].id;
    }
    EXPECT_EQ(findBuffer(u"10.012 carbonate (primary)"), &set[3]);
    // The standard phthalate is not these values: Hetzer et al. (1977) to two places.
    EXPECT_EQ(findBuffer(u"phthalate")->pH[0], 4.01);
}

TEST(CalibrationSettings, LimitsAreRememberedAndNonsenseIsRefused) {
    QTemporaryDir dir;
    QSettings s(dir.filePath(QStringLiteral("c.ini")), QSettings::IniFormat);
    EXPECT_EQ(loadCalibrationLimits(s), CalibrationLimits{});
    CalibrationLimits l;
    l.slopePassLow = 97.5;
    l.offsetWarn = 45;
    l.driftLimit = 0.2;
    l.minRecords = 10;
    saveCalibrationLimits(s, l);
    EXPECT_EQ(loadCalibrationLimits(s), l);
    EXPECT_TRUE(s.childGroups().contains(QStringLiteral("Calibration")));
    s.setValue(QStringLiteral("Calibration/SlopeWarnLow"), 99);  // warn band inside the pass band
    EXPECT_EQ(loadCalibrationLimits(s), CalibrationLimits{});
    s.setValue(QStringLiteral("Calibration/SlopeWarnLow"), QStringLiteral("lots"));
    EXPECT_EQ(loadCalibrationLimits(s).slopeWarnLow, 90);
}
