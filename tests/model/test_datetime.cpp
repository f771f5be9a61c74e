#include "model/datetime.h"

#include <gtest/gtest.h>

static QString roundTrip(const char *text, const char *pattern) {
    auto v = dt::parse(QString::fromLatin1(text));
    return v ? dt::format(*v, QString::fromLatin1(pattern)) : QStringLiteral("<none>");
}

TEST(DateTime, ReadsTheUsualForms) {
    const char *fmt = "mm/d/yyyy Hh:Nn:Ss";
    EXPECT_EQ(roundTrip("3/7/2005 2:05 PM", fmt), QStringLiteral("03/7/2005 14:05:00"));
    EXPECT_EQ(roundTrip("3/7/2005", fmt), QStringLiteral("03/7/2005 00:00:00"));
    EXPECT_EQ(roundTrip("14:05", fmt), QStringLiteral("12/30/1899 14:05:00"));
    EXPECT_EQ(roundTrip("2004-5-13", fmt), QStringLiteral("05/13/2004 00:00:00"));
    EXPECT_EQ(roundTrip("5/13/2004 17:30:09", fmt), QStringLiteral("05/13/2004 17:30:09"));
    EXPECT_EQ(roundTrip("12:00:00 am", fmt), QStringLiteral("12/30/1899 00:00:00"));
    EXPECT_EQ(roundTrip("00:00:00 12-31-1899", fmt), QStringLiteral("12/31/1899 00:00:00"));
    EXPECT_EQ(roundTrip("01-Jan-2005 12:00:00", fmt), QStringLiteral("01/1/2005 12:00:00"));
}

TEST(DateTime, RefusesImpossibleAndForeignTexts) {
    for (const char *bad : {"31/31/2005", "2004-2-30", "5/13/2004 24:00:00", "abc", "", "12.5", "5/13/2004 x", "25:00",
                            "13:00 pm", "2004-13-45"})
        EXPECT_FALSE(dt::parse(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(DateTime, WritesPatternLetters) {
    const double t = dt::fromParts({2005, 3, 7, 14, 5, 9});
    EXPECT_EQ(dt::format(t, u"mm/d/yyyy Hh:Nn:Ss"), QStringLiteral("03/7/2005 14:05:09"));
    EXPECT_EQ(dt::format(t, u"hh:mm am/pm"), QStringLiteral("02:05 pm"));
    EXPECT_EQ(dt::format(t, u"hh:mm AM/PM"), QStringLiteral("02:05 PM"));
    EXPECT_EQ(dt::format(t, u"mm/dd/yyyy"), QStringLiteral("03/07/2005"));
    EXPECT_EQ(dt::format(38353.5, u"dd-mmm-yyyy hh:mm:ss"), QStringLiteral("01-Jan-2005 12:00:00"));
    EXPECT_EQ(dt::format(t, u""), QStringLiteral("3/7/2005 14:05:09"));
    EXPECT_EQ(dt::format(dt::fromDate(2005, 3, 7), u""), QStringLiteral("3/7/2005"));
    EXPECT_EQ(dt::recordText(dt::fromParts({2004, 5, 13, 8, 0, 0})), QStringLiteral("5/13/2004 08:00:00"));
}

TEST(DateTime, SerialDays) {
    EXPECT_EQ(dt::fromDate(1899, 12, 30), 0.0);
    EXPECT_EQ(dt::fromDate(1899, 12, 31), 1.0);
    EXPECT_EQ(dt::fromDate(1988, 1, 1), 32143.0);
    EXPECT_EQ(dt::fromDate(1999, 1, 1), 36161.0);
    dt::Parts p = dt::toParts(38353.5);
    EXPECT_EQ(p.year, 2005);
    EXPECT_EQ(p.hour, 12);
}
