// The quick record scan against the classifier: whatever a line holds, the data set, the
// report and the messages come out the same with the scan on and off.
#include "fileio/classifyline.h"
#include "fileio/fileio.h"
#include "fileio/recordscan.h"
#include "support/scripted_interaction.h"

#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <random>

namespace {

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// One read with the scan on, one with it off, fed the same lines.
class TwoReads {
public:
    explicit TwoReads(int recordLimit = kMaxRecords) {
        for (Side &s : m_sides) {
            s.ds.setRecordLimit(recordLimit);
            s.store = std::make_unique<LineStore>(s.ds, s.ui);
        }
        m_sides[1].store->setRecordScan(false);
    }

    void line(const QByteArray &l) {
        m_lines.push_back(l);
        for (Side &s : m_sides) {
            s.store->store(l);
            s.rowLine.resize(std::size_t(s.ds.rowcount()), int(m_lines.size()) - 1);
        }
    }

    // Everything a caller reads after the read; the line behind the first difference.
    void expectSame() {
        Side &fast = m_sides[0], &slow = m_sides[1];
        const PassReport &a = fast.store->report(), &b = slow.store->report();
        EXPECT_EQ(a.lines, b.lines);
        EXPECT_EQ(a.droppedRecords, b.droppedRecords);
        EXPECT_EQ(a.lateRecords, b.lateRecords);
        EXPECT_EQ(a.cutRecords, b.cutRecords);
        EXPECT_EQ(fast.ui.texts(), slow.ui.texts());
        EXPECT_EQ(bits(fast.ds.startdate()), bits(slow.ds.startdate()));
        ASSERT_EQ(fast.ds.rowcount(), slow.ds.rowcount());
        const DataTable &ta = fast.ds.DATA(), &tb = slow.ds.DATA();
        ASSERT_EQ(ta.colCount(), tb.colCount());
        for (int r = 0; r < ta.rowCount(); ++r) {
            const QByteArray &origin = m_lines[std::size_t(fast.rowLine[std::size_t(r)])];
            ASSERT_EQ(fast.rowLine[std::size_t(r)], slow.rowLine[std::size_t(r)]) << "row " << r;
            ASSERT_EQ(bits(ta.rowDay(r)), bits(tb.rowDay(r))) << origin.toStdString();
            for (int c = 0; c < ta.colCount(); ++c) {
                const Cell x = ta.cell(r, c), y = tb.cell(r, c);
                ASSERT_EQ(x.kind(), y.kind()) << origin.toStdString() << " column " << c;
                ASSERT_EQ(bits(x.number()), bits(y.number())) << origin.toStdString() << " column " << c;
                ASSERT_EQ(x.string(), y.string()) << origin.toStdString() << " column " << c;
            }
        }
    }

    int rows() { return m_sides[0].ds.rowcount(); }

private:
    struct Side {
        ScriptedInteraction ui;
        clsDataSet ds;
        std::unique_ptr<LineStore> store;
        std::vector<int> rowLine;  // per row, the line it came from
    };
    Side m_sides[2];
    std::vector<QByteArray> m_lines;
};

const QByteArray kStart = "\"Start Date:\",#2004-5-13#";
const QByteArray kRealRecords[] = {
    "\"08:00:00\",20.84,21.34,20.16,-24.73,-18.94,7.800,7.900,0,1.33,0.2",
    "08:00:10\t20.5\t21\t19.75\t-50.5\t-40.25\t7.8\t7.9\t3\t1.25\t1.5",
    "\"23:59:50\", 0.5, -.25, +3, 1.5e-3, 007, 9007199254740993",
    "\"21:39:30\",17.7,ERR,17.4,,66.5, ,NaN,12-13,\"\",1.25,,",
};

struct Random {
    std::mt19937 gen{20040513};
    int below(int n) { return int(gen() % unsigned(n)); }
    bool chance(int percent) { return below(100) < percent; }
    QByteArray digits(int n) {
        QByteArray d;
        for (int i = 0; i < n; ++i) d += char('0' + below(10));
        return d;
    }
    QByteArray number() {
        QByteArray n = chance(25) ? "-" : chance(4) ? "+" : "";
        switch (below(8)) {
        case 0: return n + digits(1 + below(4));
        case 1: return n + "." + digits(1 + below(3));
        case 2: return n + digits(1 + below(25)) + "." + digits(1 + below(25));  // past an exact mantissa
        case 3:
            return n + digits(1 + below(2)) + "." + digits(1 + below(2)) + (chance(50) ? "e" : "E") +
                   (chance(50) ? "-" : "") + digits(1 + below(3));  // now and then past a double's range
        default: return n + digits(1 + below(3)) + "." + digits(1 + below(3));
        }
    }
    QByteArray gap() {
        static const char *const gaps[] = {",", ",", ",", ", ", "\t", " ", ",,", ";", "\"", "x", "-"};
        return gaps[chance(90) ? below(4) : below(11)];
    }
    QByteArray recordLine() {
        QByteArray l = QByteArray::number(chance(95) ? below(24) : 24 + below(6)).rightJustified(2, '0') + ":" +
                       QByteArray::number(below(60)).rightJustified(2, '0') + ":" +
                       QByteArray::number(below(60)).rightJustified(2, '0');
        if (chance(80)) l = "\"" + l + "\"";
        const int fields = chance(2) ? kMaxValues - 2 + below(5) : below(15);
        for (int i = 0; i < fields; ++i) l += gap() + number();
        return l;
    }
};

}  // namespace

TEST(RecordNumber, GivesTheGeneralReadersBitsForEveryMatch) {
    auto same = [](const QByteArray &t) {
        const std::optional<double> quick = recordNumber(t.begin(), t.end());
        const std::optional<double> general = numberValue(QString::fromLatin1(t));
        ASSERT_EQ(quick.has_value(), general.has_value()) << t.toStdString();
        if (quick) {
            ASSERT_EQ(bits(*quick), bits(*general)) << t.toStdString();
        }
    };
    const QByteArray edges = "0 -0 -0.0 +0.0 .5 -.5 +3 007 0.1 0.3 7.8 -24.73 1.5e-3 2.5E+10 1.0e400 -1.0e400 "
                             "1.0e-400 9007199254740992 9007199254740993 9007199254740992.5 1234567890123456789 "
                             "12345678901234567890 18446744073709551621 0.0000000000000000001 0.00000000000000000001 "
                             "99999999999999999999.5";
    for (const QByteArray &t : edges.split(' ')) same(t);
    Random rnd;
    for (int i = 0; i < 20000; ++i) same(rnd.number());
}

TEST(RecordScan, RandomRecordLinesReadAsTheClassifierReadsThem) {
    Random rnd;
    TwoReads reads;
    reads.line(kStart);
    ScannedRecord scanned;
    int quick = 0;
    for (int i = 0; i < 20000; ++i) {
        const QByteArray l = rnd.recordLine();
        quick += scanRecord(l, scanned);
        reads.line(l);
    }
    reads.expectSame();
    EXPECT_GT(reads.rows(), 18000);
    EXPECT_GT(quick, 10000);  // the scan takes most of them, the classifier the rest
}

TEST(RecordScan, EveryByteOfRealRecordsChangedReadsAlike) {
    static const char kBytes[] = "09-+.e E,\t\"\r:aZ\xe9";
    TwoReads reads;
    reads.line(kStart);
    for (const QByteArray &real : kRealRecords) {
        for (qsizetype i = 0; i <= real.size(); ++i) {
            reads.line(real.left(i));  // cut short
            if (i == real.size()) break;
            reads.line(QByteArray(real).remove(i, 1));
            for (const char *b = kBytes; *b; ++b) {
                reads.line(QByteArray(real).replace(i, 1, QByteArray(1, *b)));
                reads.line(QByteArray(real).insert(i, *b));
            }
            reads.line(QByteArray(real).replace(i, 1, QByteArray(1, '\0')));
        }
    }
    reads.expectSame();
}

TEST(RecordScan, MissingStartDateLateCutAndLeftOutRecordsAlike) {
    Random rnd;
    TwoReads reads(40);  // the data set's limit comes part way
    reads.line("\"pH Probe Logger\"");
    reads.line("\"Probe 1 Slope:\",58.2");
    QByteArray wide = "08:00:00";
    for (int i = 0; i <= kMaxValues + 3; ++i) wide += "," + QByteArray::number(i);
    reads.line(wide);
    for (int i = 0; i < 60; ++i) reads.line(i % 10 == 3 ? "\"25:00:00\",1,2" : rnd.recordLine());
    reads.expectSame();
    EXPECT_EQ(reads.rows(), 40);
}
