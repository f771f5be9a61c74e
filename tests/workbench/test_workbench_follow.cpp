// A followed log: after every write the workbench holds what a read of the whole file (its
// complete lines) and a Compute with the same calibration would give.
#include "workbench/workbench.h"
#include "support/fake_graph.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QByteArray record(const char *time, int i) {
    return QStringLiteral("\"%1\",%2,21.5,22,%3,-100,7.5,7.6,0,%4,%5")
        .arg(QLatin1String(time))
        .arg(20 + i % 3)
        .arg(i * 10 + (i % 7 == 0 ? 0 : 3))
        .arg(i % 4 == 0 ? 0 : 1.25)
        .arg(i * 0.5)
        .toLatin1();
}

const QByteArray kHeader = "\"Test logger\"\r\n\"Probe 1 Slope:\",58.2\r\n\"Probe 2 Slope:\",1\r\n"
                           "\"Probe 2 Offset:\",-0.0125\r\n\"Start Date:\",#2004-13-45#\r\n"
                           "\"Start Date:\",#2004-5-13#\r\n"
                           "\"Time\",\"Therm 1\",\"Therm 2\",\"Therm 3\",\"pH-1 Raw\",\"pH-2 Raw\",\"pH-1\","
                           "\"pH-2\",\"Aux\",\"Flow Rate\",\"Total Vol\"\r\n";

// The same log written anew: another start date, no invalid one.
QByteArray rewrittenHeader() {
    QByteArray h = kHeader;
    h.replace("\"Start Date:\",#2004-13-45#\r\n\"Start Date:\",#2004-5-13#", "\"Start Date:\",#2005-1-2#");
    return h;
}

QByteArray records(int count, int firstSecond, int step, int firstIndex) {
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        const int s = (firstSecond + i * step) % 86400;
        const QByteArray time = QStringLiteral("%1:%2:%3")
                                    .arg(s / 3600, 2, 10, QLatin1Char('0'))
                                    .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                                    .arg(s % 60, 2, 10, QLatin1Char('0'))
                                    .toLatin1();
        out += record(time.constData(), firstIndex + i) + "\r\n";
    }
    return out;
}

// The bytes up to the last line end that is certain: a CR at the very end may be half a CR LF.
QByteArray completeLines(const QByteArray &b) {
    qsizetype end = b.size();
    if (end > 0 && b[end - 1] == '\r') --end;
    while (end > 0 && b[end - 1] != '\n' && b[end - 1] != '\r') --end;
    return b.left(end);
}

void append(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(bytes);
}

void rewrite(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));  // same file, written anew
    f.write(bytes);
}

// Everything a person or a caller reads of the two workbenches is the same.
void expectSameAsFullRead(Workbench &followed, const QByteArray &bytes, const char *when) {
    SCOPED_TRACE(when);
    TempFiles tmp;
    ScriptedInteraction ui;
    Workbench full(ui, nullptr);
    ASSERT_TRUE(full.open(tmp.write("whole.asc", bytes)));
    full.calibration() = followed.calibration();
    if (followed.computedRows() > 0) full.computePH();

    const clsDataSet &a = followed.dataSet(), &b = full.dataSet();
    EXPECT_EQ(a.fieldlist(), b.fieldlist());
    EXPECT_EQ(a.startdate(), b.startdate());
    EXPECT_EQ(a.pH1_Slope(), b.pH1_Slope());
    EXPECT_EQ(a.pH2_Slope(), b.pH2_Slope());
    EXPECT_EQ(a.pH1_Offset(), b.pH1_Offset());
    EXPECT_EQ(a.pH2_Offset(), b.pH2_Offset());
    EXPECT_EQ(a.pH1_SerialNumber(), b.pH1_SerialNumber());
    EXPECT_EQ(a.pH2_CalibrationDate(), b.pH2_CalibrationDate());
    const DataTable &ta = followed.openTable(), &tb = full.openTable();
    ASSERT_EQ(ta.rowCount(), tb.rowCount());
    ASSERT_EQ(ta.colCount(), tb.colCount());
    for (int r = 0; r < ta.rowCount(); ++r)
        for (int c = 0; c < ta.colCount(); ++c) ASSERT_EQ(ta.cell(r, c), tb.cell(r, c)) << r << "," << c;
    EXPECT_EQ(followed.computedRows(), full.computedRows());
    EXPECT_EQ(followed.flags(), full.flags());
    EXPECT_EQ(followed.flagCounts(0, ta.rowCount() - 1), countFlags(full.flags()));
    const RangeStats sa = followed.statistics(0, ta.rowCount() - 1), sb = full.statistics(0, tb.rowCount() - 1);
    for (int s = 0; s < kStatSeriesCount; ++s) {
        EXPECT_EQ(sa.series[std::size_t(s)].count, sb.series[std::size_t(s)].count) << s;
        EXPECT_DOUBLE_EQ(sa.series[std::size_t(s)].mean, sb.series[std::size_t(s)].mean) << s;
        EXPECT_EQ(sa.series[std::size_t(s)].max, sb.series[std::size_t(s)].max) << s;
    }
    EXPECT_EQ(sa.volume.last, sb.volume.last);
    EXPECT_EQ(followed.gaps(), full.gaps());
}

int messagesStartingWith(const ScriptedInteraction &ui, const QString &start) {
    int n = 0;
    for (const RecordedMessage &m : ui.messages) n += m.text.startsWith(start);
    return n;
}

}  // namespace

TEST(WorkbenchFollow, EveryWriteReadsAsTheWholeFile) {
    TempFiles tmp;
    // More than a statistics block, so a partial block grows.
    QByteArray bytes =
        kHeader + records(600, 8 * 3600, 60, 0) + "\"17:59:5";  // the writer is in the middle of a record
    const QString path = tmp.write("live.asc", bytes);

    ScriptedInteraction ui;
    FakeGraph graph;
    Workbench wb(ui, &graph);
    wb.setRotationGraceMs(0);
    ASSERT_TRUE(wb.open(path));
    wb.computePH();
    wb.rebuildPlot();
    ASSERT_TRUE(wb.startFollow());
    EXPECT_EQ(wb.pollFollow().outcome, LogFollower::Outcome::Unchanged);
    expectSameAsFullRead(wb, bytes, "the open stored its last line");

    using Outcome = LogFollower::Outcome;
    struct Piece {
        const char *what;
        QByteArray bytes;
        Outcome outcome = Outcome::Appended;
        bool rewrite = false;
    };
    const std::vector<Piece> pieces = {
        {"the held line grew, and ends at a CR", "9\",21,21.5,22,50,-100,7.5,7.6,0,1.25,9\r"},
        {"the LF of that CR (the held line grew: read again), and a midnight",
         "\n" + record("23:59:58", 601) + "\r\n" + record("00:00:04", 602) + "\r\n\"Start Date:\",#2004-14-45#\r\n",
         Outcome::ReadAgain},
        // Asked by the store the read again left to read on with, not by that read's quiet one.
        {"an invalid date after the read again, a slope line, a serial number and a record split in two",
         "\"Start Date:\",#2004-14-46#\r\n\"Probe 1 Slope:\",57.5\r\n\"Probe 2 Serial Number:\",B-2\r\n" + record("00:10:00", 603).left(9)},
        {"the rest of it, lone LF endings, a new column header",
         record("00:10:00", 603).mid(9) + "\n\"Time\",\"T1\",\"T2\"\n" + record("00:20:00", 604) + "\n"},
        {"the file written anew, longer than before", rewrittenHeader() + records(800, 6 * 3600, 30, 1000),
         Outcome::ReadAgain, true},
        {"a record after the rewrite", record("19:30:00", 701) + "\r\n"},
        {"the file cut short", rewrittenHeader() + record("08:00:00", 1) + "\r\n" + record("08:01:00", 2) + "\r",
         Outcome::ReadAgain, true},
    };
    for (const Piece &p : pieces) {
        if (p.rewrite) {
            rewrite(path, p.bytes);
            bytes = p.bytes;
        } else {
            append(path, p.bytes);
            bytes += p.bytes;
        }
        const FollowStep step = wb.pollFollow();
        EXPECT_EQ(step.outcome, p.outcome) << p.what;
        expectSameAsFullRead(wb, completeLines(bytes), p.what);
        EXPECT_EQ(graph.pointCount(), wb.rowCount()) << p.what;
    }
    // The open's invalid date and the two later ones, each asked once; the rewritten file holds none.
    EXPECT_EQ(messagesStartingWith(ui, QStringLiteral("File parser error at line:")), 3);
    EXPECT_EQ(ui.texts().filter(QStringLiteral("line:5 Keep going?")).size(), 1);
    EXPECT_EQ(wb.pollFollow().outcome, LogFollower::Outcome::Unchanged);

    QFile::remove(path);
    EXPECT_EQ(wb.pollFollow().outcome, LogFollower::Outcome::Gone);
    EXPECT_FALSE(wb.following());
    EXPECT_EQ(wb.rowCount(), 1);  // the data stays
}

TEST(WorkbenchFollow, NewRecordsComputedAppendedAndLimited) {
    TempFiles tmp;
    QByteArray bytes = kHeader;
    bytes += records(5, 10 * 3600, 1, 0);
    const QString path = tmp.write("limit.asc", bytes);
    ScriptedInteraction ui;
    FakeGraph graph;
    Workbench wb(ui, &graph);
    ASSERT_TRUE(wb.open(path));
    ASSERT_TRUE(wb.startFollow());
    // Before any Compute the new rows keep the file's pH, as the open's do.
    append(path, record("10:00:05", 5) + "\r\n");
    EXPECT_TRUE(wb.pollFollow().newRows());
    EXPECT_EQ(wb.computedRows(), 0);
    EXPECT_EQ(wb.table().number(5, colPH1), 7.5);

    wb.computePH();
    wb.rebuildPlot();
    const double slope = wb.calibration().slope[0];
    wb.setComputeNeeded(true);  // the fields were edited since
    append(path, "\"Probe 1 Slope:\",40\r\n" + record("10:00:06", 6) + "\r\n");
    const int appendsBefore = graph.appends;
    const FollowStep step = wb.pollFollow();
    EXPECT_EQ(step.firstNewRow, 6);
    EXPECT_TRUE(step.slopeChanged[0]);
    EXPECT_FALSE(step.offsetChanged[1]);
    EXPECT_EQ(wb.calibration().slope[0], slope);  // the last Compute's, not the file's new one
    EXPECT_EQ(wb.computedRows(), 7);
    EXPECT_TRUE(wb.computeNeeded());
    EXPECT_EQ(graph.appends - appendsBefore, 2);  // both series, the new point only
    EXPECT_EQ(graph.pointCount(), 7);
    EXPECT_EQ(graph.yData(0, 6), float(*wb.table().number(6, colPH1)));
    EXPECT_NE(*wb.table().number(6, colPH1), 7.5);

    // At the record limit the follow stops adding and says so once.
    wb.dataSet().setRecordLimit(8);
    append(path, record("10:00:07", 7) + "\r\n" + record("10:00:08", 8) + "\r\n");
    wb.pollFollow();
    append(path, record("10:00:09", 9) + "\r\n");
    wb.pollFollow();
    EXPECT_EQ(wb.rowCount(), 8);
    EXPECT_EQ(ui.texts().filter(QStringLiteral("1 record was left out.")).size(), 1);
    EXPECT_EQ(wb.readReport().leftOut, 2);

    // Choosing Load All Records reads the file again without the limit and goes on following.
    ui.loadAll = true;
    wb.stopFollow();
    EXPECT_TRUE(wb.canFollow());
    wb.dataSet().setRecordLimit(kMaxRecords);
    ASSERT_TRUE(wb.open(path));
    ASSERT_TRUE(wb.startFollow());
    wb.dataSet().setRecordLimit(10);
    const int messages = int(ui.messages.size());
    append(path, record("10:00:10", 10) + "\r\n");
    EXPECT_EQ(wb.pollFollow().outcome, LogFollower::Outcome::ReadAgain);
    EXPECT_EQ(wb.rowCount(), 11);
    EXPECT_EQ(int(ui.messages.size()), messages + 1);  // the limit message only; no line told twice
    append(path, record("10:00:11", 11) + "\r\n");
    EXPECT_TRUE(wb.pollFollow().newRows());
    EXPECT_EQ(wb.rowCount(), 12);
}

TEST(WorkbenchFollow, ARotatedLogIsReadFromTheStartAndOnlyAMissingOneEnds) {
    TempFiles tmp;
    const QString path = tmp.write("rot.asc", kHeader + records(5, 8 * 3600, 60, 0));
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    wb.setRotationGraceMs(150);
    ASSERT_TRUE(wb.open(path));
    ASSERT_TRUE(wb.startFollow());
    using Outcome = LogFollower::Outcome;

    // The logger renames its log away and starts a new one under the name.
    ASSERT_TRUE(QFile::rename(path, path + ".1"));
    EXPECT_EQ(wb.pollFollow().outcome, Outcome::Unchanged);
    EXPECT_TRUE(wb.followWaiting());
    const QByteArray fresh = rewrittenHeader() + records(2, 9 * 3600, 60, 100);
    tmp.write("rot.asc", fresh);
    EXPECT_EQ(wb.pollFollow().outcome, Outcome::ReadAgain);
    EXPECT_FALSE(wb.followWaiting());
    expectSameAsFullRead(wb, fresh, "the new log");

    // Nothing comes: gone once the grace period is over, the records kept.
    QFile::remove(path);
    EXPECT_EQ(wb.pollFollow().outcome, Outcome::Unchanged);
    QThread::msleep(200);
    EXPECT_EQ(wb.pollFollow().outcome, Outcome::Gone);
    EXPECT_FALSE(wb.following());
    EXPECT_EQ(wb.rowCount(), 2);
}

TEST(WorkbenchFollow, ARewriteOfTheSameSizeIsReadAgain) {
    TempFiles tmp;
    const QByteArray bytes = kHeader + records(20, 8 * 3600, 60, 0);
    const QString path = tmp.write("same.asc", bytes);
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    ASSERT_TRUE(wb.open(path));
    ASSERT_TRUE(wb.startFollow());
    QByteArray edited = bytes;
    edited.replace("Slope:\",58.2", "Slope:\",57.1");
    ASSERT_EQ(edited.size(), bytes.size());
    rewrite(path, edited);
    EXPECT_EQ(wb.pollFollow().outcome, LogFollower::Outcome::ReadAgain);
    EXPECT_EQ(wb.dataSet().pH1_Slope(), 57.1);
}

TEST(WorkbenchFollow, AStoppedReadFromTheStartLeavesNoRowComputed) {
    TempFiles tmp;
    const QString path = tmp.write("stop.asc", kHeader + records(300, 0, 60, 0));
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    ASSERT_TRUE(wb.open(path));
    wb.computePH();
    ASSERT_TRUE(wb.startFollow());
    ASSERT_EQ(wb.computedRows(), 300);

    // Written anew with a bad start date after 40 records; No to going on.
    rewrite(path, rewrittenHeader() + records(40, 0, 60, 0) + "\"Start Date:\",#2005-14-45#\r\n" +
                      records(260, 2400, 60, 40));
    ui.answers.push_back(MsgAnswer::No);
    const FollowStep step = wb.pollFollow();
    EXPECT_EQ(step.outcome, LogFollower::Outcome::Stopped);
    EXPECT_TRUE(step.readFromStart);
    EXPECT_FALSE(wb.following());
    ASSERT_EQ(wb.rowCount(), 40);
    EXPECT_EQ(wb.computedRows(), 0);
    EXPECT_TRUE(wb.computeNeeded());
    ASSERT_EQ(wb.flags().size(), 40u);
    EXPECT_TRUE(wb.flags()[39] & flagNotComputed);
    EXPECT_FALSE(wb.readReport().completed);
    EXPECT_EQ(wb.readReport().stoppedAtLine, 47);
}

TEST(WorkbenchFollow, StopsAtTheSizeLimitKeepingTheRecords) {
    TempFiles tmp;
    const QByteArray bytes = kHeader + records(3, 8 * 3600, 60, 0);
    const QString path = tmp.write("big.asc", bytes);
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    wb.setMaxInputSize(bytes.size() + 1000);
    ASSERT_TRUE(wb.open(path));
    ASSERT_TRUE(wb.startFollow());
    append(path, record("08:03:00", 3) + "\r\n");
    EXPECT_EQ(wb.pollFollow().outcome, LogFollower::Outcome::Appended);

    // Room made by a writer that preallocates: bytes without a line end, past the limit.
    ASSERT_TRUE(QFile::resize(path, bytes.size() + 5000));
    EXPECT_EQ(wb.pollFollow().outcome, LogFollower::Outcome::TooLarge);
    EXPECT_FALSE(wb.following());
    EXPECT_EQ(wb.rowCount(), 4);
    ASSERT_FALSE(ui.messages.isEmpty());
    EXPECT_EQ(ui.messages.last().text,
              QStringLiteral("The log reaches the size limit of %1 bytes: ").arg(bytes.size() + 1000) + path +
                  QStringLiteral("\r\nFollowing stopped; the records read so far stay."));
}

TEST(WorkbenchFollow, AnAppendedRecordAfterALongPauseIsAGapThePlotBreaksAt) {
    TempFiles tmp;
    const QString path = tmp.write("pause.asc", kHeader + records(5, 10 * 3600, 60, 0));
    ScriptedInteraction ui;
    FakeGraph graph;
    Workbench wb(ui, &graph);
    ASSERT_TRUE(wb.open(path));
    wb.computePH();
    wb.rebuildPlot();
    ASSERT_TRUE(wb.startFollow());
    EXPECT_TRUE(wb.gaps().empty());

    append(path, record("10:35:00", 5) + "\r\n" + record("10:36:00", 6) + "\r\n");
    EXPECT_TRUE(wb.pollFollow().newRows());
    ASSERT_EQ(wb.gaps().size(), 1u);
    EXPECT_EQ(wb.gaps()[0].fromRow, 4);
    EXPECT_EQ(wb.gaps()[0].toRow, 5);
    EXPECT_EQ(graph.lineBreaks().size(), 1u);

    // A short step after it is none, and the gap is not found twice.
    append(path, record("10:37:00", 7) + "\r\n");
    EXPECT_TRUE(wb.pollFollow().newRows());
    EXPECT_EQ(wb.gaps().size(), 1u);
    EXPECT_EQ(graph.lineBreaks().size(), 1u);
}
