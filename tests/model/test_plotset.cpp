#include "model/clsplotset.h"

#include <gtest/gtest.h>

TEST(PlotSet, AddFillsSlotsInOrderAndDropsTheSixth) {
    clsPlotSet ps;
    EXPECT_EQ(ps.Count(), 0);
    EXPECT_EQ(ps.datafieldindex(0), 0);
    EXPECT_EQ(ps.colorindex(0), 0);
    ps.add(6, QStringLiteral("pH-1"), 0x00FF00);
    ps.add(7, QStringLiteral("pH-2"), 0x0000FF);
    EXPECT_EQ(ps.Count(), 2);
    EXPECT_EQ(ps.datafieldindex(1), 7);
    EXPECT_EQ(ps.plotname(0), QStringLiteral("pH-1"));
    EXPECT_EQ(ps.colorindex(1), 0x0000FF);
    for (int i = 0; i < 4; ++i) ps.add(i, QStringLiteral("x"), 1);
    EXPECT_EQ(ps.Count(), 5);
    EXPECT_EQ(ps.datafieldindex(4), 2);
    ps.Clear();
    EXPECT_EQ(ps.Count(), 0);
    EXPECT_EQ(ps.plotname(1), QString());
    EXPECT_EQ(ps.colorindex(1), 0);
}

TEST(PlotSet, OutOfRangeSlotsAndSetters) {
    clsPlotSet ps;
    EXPECT_EQ(ps.datafieldindex(5), -1);
    EXPECT_EQ(ps.datafieldindex(-1), -1);
    EXPECT_EQ(ps.colorindex(5), -1);
    EXPECT_EQ(ps.plotname(5), QString());
    ps.setplotname(3, QStringLiteral("n"));
    ps.setplotname(7, QStringLiteral("ignored"));
    EXPECT_EQ(ps.Count(), 0);
    EXPECT_EQ(ps.plotname(3), QStringLiteral("n"));
}
