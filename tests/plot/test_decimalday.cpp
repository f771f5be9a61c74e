#include "plot/decimalday.h"
#include "model/datetime.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>

TEST(DecimalDay, FromDateTimeTexts) {
    EXPECT_DOUBLE_EQ(dt2decimalday(QStringLiteral("12/31/1899 00:00:00")), 1.0);
    EXPECT_DOUBLE_EQ(dt2decimalday(QStringLiteral("12/30/1899 00:00:00")), 0.0);
    EXPECT_DOUBLE_EQ(dt2decimalday(QStringLiteral("1/1/2005 12:00:00")), 38353.5);
    EXPECT_DOUBLE_EQ(dt2decimalday(QStringLiteral("1/1/1988 00:00:00")), 32143.0);
    EXPECT_DOUBLE_EQ(dt2decimalday(QStringLiteral("1/1/1999 00:00:00")), 36161.0);
    // The range fields' own form, with a padded month.
    EXPECT_DOUBLE_EQ(dt2decimalday(QStringLiteral("01/1/2005 18:00:00")), 38353.75);
    // Before the zero day the scale stays linear: half a day before is -0.5.
    EXPECT_DOUBLE_EQ(dt2decimalday(QStringLiteral("12/29/1899 12:00:00")), -0.5);
    for (const char *bad : {"", "abc", "13/45/2004 10:00:00", "1/1/2005 25:00:00", "7.25"})
        EXPECT_EQ(dt2decimalday(QString::fromLatin1(bad)), 0.0) << bad;
}

TEST(DecimalDay, ToText) {
    EXPECT_EQ(decimalday2dt(38353.5), QStringLiteral("01-Jan-2005 12:00:00"));
    EXPECT_EQ(decimalday2dt(1.0), QStringLiteral("31-Dec-1899 00:00:00"));
    EXPECT_EQ(decimalday2dt(0.0), QStringLiteral("30-Dec-1899 00:00:00"));
    EXPECT_EQ(decimalday2dt(-0.5), QStringLiteral("29-Dec-1899 12:00:00"));
    // Half a second rounds up, also across midnight.
    EXPECT_EQ(decimalday2dt(38353.0 + 10.5 / 86400), QStringLiteral("01-Jan-2005 00:00:11"));
    EXPECT_EQ(decimalday2dt(38354.0 - 0.2 / 86400), QStringLiteral("02-Jan-2005 00:00:00"));
    EXPECT_EQ(decimalday2dt(std::numeric_limits<double>::quiet_NaN()), QString());
    EXPECT_EQ(decimalday2dt(1e12), QString());
    EXPECT_EQ(decimalday2dt(-1e9), QString());
}

TEST(DecimalDay, RoundTripsThroughText) {
    for (double d : {32143.0, 36161.0, 38353.5, 38120.0 + 37230.0 / 86400})
        EXPECT_DOUBLE_EQ(dt2decimalday(decimalday2dt(d)), d) << d;
    EXPECT_DOUBLE_EQ(toDecimalDay(38353.5 + 0.4 / 86400), 38353.5);
    EXPECT_EQ(toDecimalDay(std::numeric_limits<double>::infinity()), 0.0);
}

namespace {
// Made during this program's static initialisation, whatever order the linker chose.
const QString kMadeAtStartUp = decimalday2dt(38120.5);
const double kDayAtStartUp = toDecimalDay(38120.5);
}  // namespace

TEST(DecimalDay, WorksDuringStaticInitialisation) {
    EXPECT_EQ(kMadeAtStartUp, "13-May-2004 12:00:00");
    EXPECT_EQ(kDayAtStartUp, 38120.5);
    // The range ends as dates: the constants must match the calendar.
    EXPECT_EQ(dt::fromDate(100, 1, 1), -657434.0);
    EXPECT_EQ(dt::fromDate(9999, 12, 31) + 1.0, 2958466.0);
    EXPECT_EQ(decimalday2dt(-657434.0), "01-Jan-100 00:00:00");
    EXPECT_EQ(decimalday2dt(-657434.5), "");
    EXPECT_EQ(decimalday2dt(2958465.5), "31-Dec-9999 12:00:00");
    EXPECT_EQ(decimalday2dt(2958466.0), "");
}
