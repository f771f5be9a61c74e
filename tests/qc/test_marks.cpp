#include "model/clsdataset.h"
#include "model/datetime.h"
#include "qc/marks.h"

#include <gtest/gtest.h>

namespace {

// Records a minute apart from 08:00, starting `skip` minutes in.
struct MarkLog {
    clsDataSet ds;
    explicit MarkLog(int rows, int skip = 0) {
        const double start = dt::fromParts({2004, 5, 13, 8, 0, 0});
        for (int r = 0; r < rows; ++r) {
            std::vector<Cell> c(11, Cell(7.0));
            c[colDateTime] = Cell(dt::recordText(start + (r + skip) / 1440.0));
            ds.add(c);
        }
    }
    const DataTable &t() { return ds.DATA(); }
};

std::string kinds(const RowMarks &m) {
    std::string s;
    for (std::uint8_t k : m.kind) s += k ? markLetter(MarkKind(k)) : '.';
    return s;
}

TEST(Marks, SpansReplaceSplitAndNeedAReason) {
    MarkLog log(10);
    Marks marks;
    EXPECT_EQ(marks.mark(log.t(), 2, 4, MarkKind::Bad, QStringLiteral("  ")),
              QStringLiteral("A record marked bad needs a reason."));
    EXPECT_EQ(marks.mark(log.t(), 2, 4, MarkKind::Doubtful, {}),
              QStringLiteral("A record marked doubtful needs a reason."));
    EXPECT_TRUE(marks.empty());

    EXPECT_EQ(marks.mark(log.t(), 1, 7, MarkKind::Bad, QStringLiteral("pump off")), QString());
    EXPECT_EQ(marks.mark(log.t(), 3, 4, MarkKind::Doubtful, QStringLiteral("bubbles")), QString());
    EXPECT_EQ(marks.mark(log.t(), 0, 9, MarkKind::Note, QStringLiteral("after cleaning")), QString());
    EXPECT_EQ(kinds(marks.rows(log.t())), ".BBQQBBB..");
    EXPECT_TRUE(marks.clear(log.t(), 6, 6, false));
    EXPECT_EQ(kinds(marks.rows(log.t())), ".BBQQB.B..");
    EXPECT_FALSE(marks.clear(log.t(), 8, 9, false));
    EXPECT_EQ(marks.badRows(log.t()), (std::vector<int>{1, 2, 5, 7}));

    // The note stays over the marks, and a clear of the marks leaves it.
    const RowMarks rows = marks.rows(log.t());
    for (int r = 0; r < 10; ++r)
        EXPECT_EQ(marks.list()[std::size_t(rows.note[std::size_t(r)])].text, u"after cleaning");
    EXPECT_EQ(marks.list()[std::size_t(rows.mark[3])].text, u"bubbles");
    EXPECT_TRUE(marks.clear(log.t(), 0, 9, false));
    EXPECT_EQ(marks.list().size(), 1u);
    EXPECT_TRUE(marks.clear(log.t(), 0, 4, true));
    EXPECT_EQ(marks.rows(log.t()).note[4], -1);
    EXPECT_EQ(marks.rows(log.t()).note[5], 0);
}

TEST(Marks, FindTheSameRecordsInALogReadAgainLonger) {
    MarkLog before(10);
    Marks marks;
    ASSERT_EQ(marks.mark(before.t(), 2, 3, MarkKind::Bad, QStringLiteral("wiper stuck")), QString());
    // The same minutes, now rows 7 and 8 of a log that starts five minutes earlier.
    MarkLog after(20, -5);
    EXPECT_EQ(kinds(marks.rows(after.t())), ".......BB...........");
}

}  // namespace
