#include "corrections/corrections.h"
#include "model/datetime.h"

#include <gtest/gtest.h>
#include <cmath>

namespace {

const double kStart = dt::fromParts({2004, 5, 1, 12, 0, 0});

ServiceVisit visitAt(double day, double fouling, double bufferPH, double drift) {
    ServiceVisit v;
    v.day = day;
    v.foulingError = fouling;
    v.bufferPH = bufferPH;
    v.driftError = drift;
    return v;
}

// Two visits ten days apart; the second found fouling -0.15 and drift +0.10 in a pH 7 buffer.
std::vector<ServiceVisit> tenDays() {
    return {visitAt(kStart, -0.3, 7.0, 0.0), visitAt(kStart + 10, -0.15, 7.0, 0.10)};
}

TEST(Corrections, ProratedBetweenVisitsAndCarriedOnOnlyWhenAsked) {
    const ProbeCorrector plain(tenDays(), {});
    Correction c = plain.at(kStart + 5, 7.5);
    EXPECT_NEAR(c.fouling, 0.075, 1e-12);
    EXPECT_NEAR(c.drift, -0.05, 1e-12);
    EXPECT_NEAR(c.total(), 0.025, 1e-12);
    EXPECT_EQ(c.grade, Grade::Excellent);
    EXPECT_NEAR(ProbeCorrector::corrected(7.5, c), 7.525, 1e-12);
    // At a visit the record was made before the cleaning: the whole error.
    EXPECT_NEAR(plain.at(kStart + 10, 7.5).total(), 0.15 - 0.10, 1e-12);
    // Just after the first visit the period starts from nothing.
    EXPECT_NEAR(plain.at(kStart + 1e-6, 7.5).total(), 0.05e-7, 1e-9);
    for (double day : {kStart - 1, kStart, kStart + 11}) {
        const Correction none = plain.at(day, 7.5);
        EXPECT_EQ(none.total(), 0.0) << day;
        EXPECT_EQ(none.grade, Grade::Excellent);
    }
    const ProbeCorrector carried(tenDays(), {GradeLimits{}, true});
    EXPECT_NEAR(carried.at(kStart - 1, 7.5).total(), 0.3, 1e-12);
    EXPECT_EQ(carried.at(kStart - 1, 7.5).grade, Grade::Good);
    EXPECT_NEAR(carried.at(kStart, 7.5).total(), 0.3, 1e-12);
    EXPECT_NEAR(carried.at(kStart + 11, 7.5).total(), 0.05, 1e-12);
    // No pH: nothing to correct or grade.
    EXPECT_EQ(plain.at(kStart + 5, std::nan("")).grade, Grade::None);
}

TEST(Corrections, GradesTakeTheBetterGradeOnABound) {
    const GradeLimits g;
    EXPECT_EQ(gradeOf(0.2, g), Grade::Excellent);
    EXPECT_EQ(gradeOf(0.2001, g), Grade::Good);
    EXPECT_EQ(gradeOf(0.5, g), Grade::Good);
    EXPECT_EQ(gradeOf(0.5001, g), Grade::Fair);
    EXPECT_EQ(gradeOf(0.8, g), Grade::Fair);
    EXPECT_EQ(gradeOf(0.8001, g), Grade::Poor);
    EXPECT_EQ(gradeOf(2.0, g), Grade::Poor);
    EXPECT_EQ(gradeOf(2.0001, g), Grade::NotReported);
    // The sum of absolute corrections grades, not their net: +0.3 and -0.3 half way.
    const ProbeCorrector opposed({visitAt(kStart, 0, 7, 0), visitAt(kStart + 2, -0.6, 7, -0.6)}, {});
    EXPECT_EQ(opposed.at(kStart + 1, 7).grade, Grade::Fair);
    const ProbeCorrector past({visitAt(kStart, 0, 7, 0), visitAt(kStart + 2, -1.5, 7, 0.6)}, {});
    const Correction c = past.at(kStart + 2, 7);
    EXPECT_EQ(c.grade, Grade::NotReported);
    EXPECT_TRUE(std::isnan(ProbeCorrector::corrected(7, c)));
}

TEST(Corrections, TwoBuffersInterpolateInPHAndHoldOutside) {
    ServiceVisit v = visitAt(kStart + 1, 0, 7.00, 0.04);
    v.buffer2PH = 10.01;
    v.driftError2 = 0.12;
    EXPECT_NEAR(v.driftErrorAt(8.5), 0.04 + 0.08 * 1.5 / 3.01, 1e-12);
    EXPECT_DOUBLE_EQ(v.driftErrorAt(6.0), 0.04);
    EXPECT_DOUBLE_EQ(v.driftErrorAt(11.0), 0.12);
    std::swap(v.bufferPH, v.buffer2PH);
    std::swap(v.driftError, v.driftError2);
    EXPECT_NEAR(v.driftErrorAt(8.5), 0.0798671096345515, 1e-12);
    const ProbeCorrector c({visitAt(kStart, 0, 7, 0), v}, {});
    EXPECT_NEAR(c.at(kStart + 0.5, 8.5).drift, -0.0798671096345515 / 2, 1e-12);
}

TEST(Corrections, RowsCountsAndDailyGrades) {
    const std::vector<double> days{kStart + 1, kStart + 1.4, kStart + 9.9, kStart + 10.6};
    const std::vector<double> ph{7.0, std::nan(""), 7.0, 7.0};
    ProbeCorrections out;
    correctRows(ProbeCorrector({visitAt(kStart, 0, 7, 0), visitAt(kStart + 10, -2, 7, 0.5)}, {}), days, ph, out);
    EXPECT_NEAR(out.correction[0], 0.2 - 0.05, 1e-12);
    EXPECT_TRUE(std::isnan(out.correction[1]));
    EXPECT_EQ(out.grade[2], Grade::NotReported);  // 1.98 + 0.495
    EXPECT_EQ(countGrades(out.grade), (GradeCounts{1, 1, 1, 0, 0, 1}));
    const std::vector<DailyGrade> daily = dailyGrades(days, out.grade);
    ASSERT_EQ(daily.size(), 3u);
    EXPECT_EQ(daily[0].date, std::floor(kStart + 1));
    EXPECT_EQ(daily[1].grade, Grade::NotReported);
    EXPECT_EQ(daily[2].grade, Grade::Excellent);
}

TEST(ServiceVisits, ReadsTheVisitsFileAndNamesABadLine) {
    const VisitsRead good =
        parseVisitsCsv("\xEF\xBB\xBFprobe,visit,fouling error,buffer pH,drift error,buffer 2 pH,drift error 2\r\n"
                       "1,5/14/2004 10:00:00,-0.15,7.00,0.10,,\r\n"
                       "2,5/14/2004 10:30:00,0.02,7.00,0.04,10.01,0.12\r\n");
    ASSERT_TRUE(good.error.isEmpty()) << good.error.toStdString();
    ASSERT_EQ(good.visits.size(), 2u);
    EXPECT_EQ(good.visits[0].day, dt::fromParts({2004, 5, 14, 10, 0, 0}));
    EXPECT_FALSE(good.visits[0].hasSecondBuffer());
    EXPECT_EQ(good.visits[1].driftError2, 0.12);
    EXPECT_EQ(parseVisitsCsv(visitsCsv(good.visits)).visits, good.visits);
    const char *header = "probe,visit,fouling error,buffer pH,drift error\n";
    EXPECT_EQ(parseVisitsCsv(QByteArray(header) + "1,5/14/2004 10:00:00,-0.1,7,0\n3,5/15/2004 10:00:00,0,7,0\n").error,
              QStringLiteral("Line 3: the probe \"3\" is not 1 or 2."));
    EXPECT_EQ(parseVisitsCsv(QByteArray(header) + "1,5/14/2004 10:00:00,x,7,0\n").error,
              QStringLiteral("Line 2: the fouling error \"x\" is not a number."));
    EXPECT_EQ(parseVisitsCsv(QByteArray(header) + "1,5/14/2004,0,7,0\n1,5/14/2004 00:00:00,0,7,0\n").error,
              QStringLiteral("Line 3: pH-1 has another visit at 5/14/2004 00:00:00."));
    EXPECT_EQ(parseVisitsCsv("probe,visit,fouling error,buffer pH\n").error,
              QStringLiteral("Line 1: the column \"drift error\" is missing."));
    EXPECT_NEAR(foulingErrorOf(7.00, 7.20, 7.25, 7.30), -0.15, 1e-12);
}

}  // namespace
