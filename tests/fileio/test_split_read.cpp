// A log read in two halves at once gives what a read on one core gives, whatever lies at the
// split: the whole data set, the report and every message in order.
#include "fileio/classifyline.h"
#include "fileio/fileio.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <deque>
#include <tuple>

namespace {

constexpr int kOneCore = INT_MAX;  // never split
constexpr int kAlwaysSplit = 1;

QString rec(const char *time, int i = 0) {
    return QStringLiteral("\"%1\",20.5,21,19.75,-50.5,-40.25,7.8,7.9,%2,1.25,%3").arg(time).arg(i).arg(i * 0.5);
}

// Records from `hour`:`minute` on, a minute apart.
QStringList recs(int count, int hour = 8, int minute = 0) {
    QStringList out;
    for (int i = 0; i < count; ++i) {
        const int m = hour * 60 + minute + i;
        out << rec(
            qPrintable(QStringLiteral("%1:%2:30").arg(m / 60 % 24, 2, 10, QChar(u'0')).arg(m % 60, 2, 10, QChar(u'0'))),
            i);
    }
    return out;
}

const QStringList kHead = {"\"pH Probe Logger\"", "\"Probe 1 Slope:\",58.2", "\"Probe 2 Offset:\",-0.0125",
                           "\"Start Date:\",#2004-5-13#", "\"Time\",\"Therm 1\",\"Therm 2\",\"pH-1 Raw\""};

// The log with its middle byte on the line end before line `at`, so that a split read cuts
// there: the first line, or a last filler line, is padded to move the middle.
QByteArray splitBefore(QStringList lines, int at, const QByteArray &eol) {
    for (;;) {
        const QByteArray bytes = lines.join(QString::fromLatin1(eol)).toLatin1() + eol;
        qsizetype start = 0;
        for (int i = 0; i < at; ++i) start += lines[i].size() + eol.size();
        const qsizetype want = 2 * start - 2;  // the middle, size / 2, is start - 1
        if (bytes.size() == want || bytes.size() == want + 1) return bytes;
        if (bytes.size() > want + 1)
            lines[0] += QString(bytes.size() - want, u' ');
        else if (want - bytes.size() >= eol.size())
            lines << QString(want - bytes.size() - eol.size(), u'x');
        else
            lines[0] += u' ';
    }
}

struct Case {
    const char *name;
    QStringList first, second;  // the lines before and after the seam
    int limit = kMaxRecords;
    std::deque<MsgAnswer> answers = {};
    QByteArray eol = "\r\n";
};

// One read of a log, with what it left.
struct Outcome {
    clsDataSet ds;
    PassReport report;
    bool returned = false;
    ScriptedInteraction ui;
    qint64 readOnOffset = -1;
    QByteArray heldLine;
};

void expectSame(Outcome &a, Outcome &b, const std::string &where) {
    SCOPED_TRACE(where);
    EXPECT_EQ(a.returned, b.returned);
    const PassReport &p = a.report, &q = b.report;
    EXPECT_EQ(std::tuple(p.completed, p.lines, p.droppedRecords, p.lateRecords, p.cutRecords, p.missingRecords,
                         p.cancelled, p.loadAllChosen, p.slopeRead, p.offsetRead, p.bytes, p.sha256),
              std::tuple(q.completed, q.lines, q.droppedRecords, q.lateRecords, q.cutRecords, q.missingRecords,
                         q.cancelled, q.loadAllChosen, q.slopeRead, q.offsetRead, q.bytes, q.sha256));
    ASSERT_EQ(a.ui.messages.size(), b.ui.messages.size());
    for (qsizetype i = 0; i < a.ui.messages.size(); ++i) {
        const RecordedMessage &m = a.ui.messages[i], &n = b.ui.messages[i];
        EXPECT_EQ(std::tuple(m.text, m.title, m.buttons, m.icon), std::tuple(n.text, n.title, n.buttons, n.icon));
    }
    EXPECT_EQ(std::tuple(a.readOnOffset, a.heldLine), std::tuple(b.readOnOffset, b.heldLine));
    clsDataSet &x = a.ds, &y = b.ds;
    EXPECT_EQ(std::tuple(x.pH1_Slope(), x.pH2_Slope(), x.pH1_Offset(), x.pH2_Offset(), x.pH1_SerialNumber(),
                         x.pH2_SerialNumber(), x.pH1_CalibrationDate(), x.pH2_CalibrationDate()),
              std::tuple(y.pH1_Slope(), y.pH2_Slope(), y.pH1_Offset(), y.pH2_Offset(), y.pH1_SerialNumber(),
                         y.pH2_SerialNumber(), y.pH1_CalibrationDate(), y.pH2_CalibrationDate()));
    EXPECT_EQ(std::tuple(x.isDateInitialized(), x.startdate(), x.fieldlist(), x.hasFieldlist()),
              std::tuple(y.isDateInitialized(), y.startdate(), y.fieldlist(), y.hasFieldlist()));
    ASSERT_EQ(x.rowcount(), y.rowcount());
    DataTable &s = x.DATA(), &t = y.DATA();
    ASSERT_EQ(std::pair(s.rowCount(), s.colCount()), std::pair(t.rowCount(), t.colCount()));
    for (int r = 0; r < s.rowCount(); ++r) {
        const double d = s.rowDay(r), e = t.rowDay(r);
        EXPECT_TRUE(d == e || (std::isnan(d) && std::isnan(e))) << "row " << r;
        for (int c = 0; c < s.colCount(); ++c) ASSERT_EQ(s.cell(r, c), t.cell(r, c)) << "row " << r << " col " << c;
    }
}

void readInMemory(Outcome &o, const QByteArray &log, const Case &c, int splitLines) {
    o.ui.answers = c.answers;
    o.ds.setRecordLimit(c.limit);
    o.report = storeLines(log, o.ds, o.ui, nullptr, splitLines);
    o.returned = o.report.completed;
}

void readFile(Outcome &o, const QString &path, const Case &c, int splitLines) {
    o.ui.answers = c.answers;
    o.ds.setRecordLimit(c.limit);
    ReadOn readOn;
    ReaderContext ctx{o.ui, {}, {}, {}, &o.report, kDefaultMaxInputSize, &readOn};
    ctx.splitLines = splitLines;
    o.returned = readFromFile(path, o.ds, ctx);
    if (readOn.store) {
        o.readOnOffset = readOn.offset;
        o.heldLine = readOn.feed.heldLine();
    }
}

QString cut() {
    QString line = QStringLiteral("\"10:00:00\"");
    for (int i = 0; i < kMaxValues + 5; ++i) line += QStringLiteral(",%1").arg(i);
    return line;
}

}  // namespace

TEST(SplitRead, EveryCaseAtTheSplitReadsAsOnOneCore) {
    const QStringList noDate = {"\"pH Probe Logger\"", "\"Probe 1 Slope:\",58.2"};
    const Case cases[] = {
        {"midnight", kHead + recs(10, 23, 50), recs(12, 0, 4)},
        {"step back a day", kHead + recs(10, 12), recs(10, 11)},
        {"start date after records", kHead + recs(10), QStringList{"#2005-1-2#"} + recs(10, 9)},
        {"first start date after the split", noDate + QStringList(8, "\"remark\""),
         QStringList{"\"Start Date:\",#2005-1-2#"} + recs(10)},
        {"no start date", noDate + QStringList(8, ""), recs(12)},
        {"calibration and header lines", kHead + recs(10),
         QStringList{"\"Probe 1 Slope:\",59.5", "\"Offset:\",0.1,\"Offset2:\",0.2", "\"Probe 2 Serial Number:\",B-7",
                     "\"Time\",\"T\""} +
             recs(10, 9)},
        // A read is split only where the record limit lies past the first half.
        {"cap in the second half", kHead + recs(10),
         recs(6, 9) + QStringList{"\"24:00:01\",1", "\"Slope:\",60"} + recs(8, 10) + QStringList{"\"25:10:00\",1"}, 16},
        {"cap at the split", kHead + recs(10), recs(4, 9), 10},
        {"cap just before the split", QStringList{"\"x\"", "#2004-5-13#"} + recs(9),
         QStringList{"\"Probe 2 Slope:\",61"} + recs(2, 9), 8},
        {"stop in the first half",
         kHead + recs(10) + QStringList{"#2004-13-45#"},
         recs(10, 9),
         kMaxRecords,
         {MsgAnswer::No}},
        {"stop in the second half",
         kHead + recs(10),
         QStringList{"\"Probe 1 Slope:\",59", "#2004-13-45#"} + recs(10),
         kMaxRecords,
         {MsgAnswer::No}},
        {"going on after an invalid date",
         kHead + recs(10) + QStringList{"#2004-2-30#"},
         recs(4, 9) + QStringList{"#2004-13-45#"} + recs(10, 10),
         kMaxRecords,
         {MsgAnswer::Yes, MsgAnswer::Yes}},
        {"cut, late and missing values", kHead + recs(10) + QStringList{cut(), "\"24:00:00\",1,2"},
         QStringList{"\"10:00:01\",1,,3", "\"24:59:59\",1", cut()} + recs(10, 11)},
        {"lone CR line ends", kHead + recs(10, 23, 55), recs(10, 0, 1), kMaxRecords, {}, "\r"},
        {"lone LF line ends, no last line end",
         kHead + recs(10),
         recs(10, 9) + QStringList{"\"12:00:00\",5"},
         kMaxRecords,
         {},
         "\n"},
    };
    TempFiles files;
    for (const Case &c : cases) {
        const int seam = int(c.first.size());
        for (int at = seam - 2; at <= seam + 2; ++at) {
            QByteArray log = splitBefore(c.first + c.second, at, c.eol);
            if (QByteArrayView(c.name).endsWith("no last line end")) log.chop(c.eol.size());
            const std::string where = std::string(c.name) + ", split before line " + std::to_string(at + 1);
            Outcome one, two;
            readInMemory(one, log, c, kOneCore);
            readInMemory(two, log, c, kAlwaysSplit);
            expectSame(one, two, where + " (in memory)");

            const QString path = files.write("split.asc", log);
            Outcome oneFile, twoFiles;
            readFile(oneFile, path, c, kOneCore);
            readFile(twoFiles, path, c, kAlwaysSplit);
            expectSame(oneFile, twoFiles, where + " (file)");
        }
    }
}

// The meter's Cancel, looked at on the reading thread, stops the join where a one-core read
// stops, though the other half was classified past it.
TEST(SplitRead, CancelInTheSecondHalfKeepsWhatWasStored) {
    struct CancelAt : IMeterView {
        int shown = 0;
        void showMeter() override {}
        void hideMeter() override {}
        void setText(const QString &) override {}
        void setProgress(int) override { ++shown; }
        bool cancelRequested() override { return shown >= 7; }  // at 60 %
    };
    const int seam = int(kHead.size()) + 50;
    const QByteArray log = splitBefore(kHead + recs(50) + recs(50, 9), seam, "\r\n");
    std::vector<std::pair<int, int>> stops;  // lines read, records stored
    for (int splitLines : {kOneCore, kAlwaysSplit}) {
        CancelAt view;
        ScriptedInteraction ui;
        ProgressMeter meter(&view, &ui);
        meter.setNumRecords(countLines(log));
        clsDataSet ds;
        const PassReport report = storeLines(log, ds, ui, &meter, splitLines);
        EXPECT_TRUE(report.cancelled);
        EXPECT_FALSE(report.completed);
        EXPECT_GT(report.lines, seam);
        stops.emplace_back(report.lines, ds.rowcount());
    }
    EXPECT_EQ(stops[0], stops[1]);
}
