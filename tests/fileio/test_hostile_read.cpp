// Files a probe never wrote, read straight through readFromFile: no crash, no hang, the
// messages the person sees, only the records the file really holds, and the file untouched.
#include "fileio/classifyline.h"
#include "fileio/fileio.h"
#include "model/datetime.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QThread>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>
#include <memory>
#include <sys/stat.h>

namespace {

const QString kNoStartDate =
    QStringLiteral("WARNING: File is missing a valid start date.\r\nI will use today's date as the starting date.");

struct HostileReader {
    TempFiles files;
    ScriptedInteraction ui;
    clsDataSet ds;
    QStringList panel;
    ReaderContext ctx{ui, [this](const QString &t) { panel << t; }, {}, {}};

    // Reads the file and checks that neither its bytes nor its modification time changed.
    bool read(const QString &path) {
        const QFileInfo before(path);
        QByteArray bytes;
        QDateTime modified;
        if (before.isFile()) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly)) bytes = f.readAll();
            modified = before.lastModified();
        }
        const bool ok = readFromFile(path, ds, ctx);
        EXPECT_EQ(ui.busyDepth, 0) << "busy cursor left on";
        if (before.isFile() && QFileInfo(path).isFile()) {  // tests may remove or replace it on purpose
            QFile f(path);
            if (f.open(QIODevice::ReadOnly)) {
                EXPECT_TRUE(f.readAll() == bytes) << "log file written: " << qPrintable(path);
            }
            EXPECT_EQ(QFileInfo(path).lastModified(), modified) << qPrintable(path);
        }
        return ok;
    }
    bool read(const QString &name, const QByteArray &bytes) { return read(files.write(name, bytes)); }
    QString time(int row) { return ds.DATA().text(row, colDateTime); }
    double value(int row, int col) { return ds.DATA().cell(row, col).number(); }
};

// The record lines of a file, found without the reader's code: lines split at CR, CR LF and
// LF, quotes removed, a time of day 00:00:00 to 23:59:59 at the start.
int recordLinesIn(const QByteArray &bytes) {
    static const QRegularExpression time(QStringLiteral("^([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9]"));
    int n = 0;
    for (const QString &line : QString::fromLatin1(bytes).split(QRegularExpression(QStringLiteral("\r\n|\r|\n"))))
        if (time.match(QString(line).remove(u'"')).hasMatch()) ++n;
    return n;
}

}  // namespace

TEST(HostileRead, BinaryAndNulBytesGiveOnlyTheRealRecords) {
    {  // 64 KB of noise with a few real lines scattered in it
        HostileReader r;
        std::mt19937 gen(20040513);
        QByteArray bytes;
        for (int i = 0; i < 65536; ++i) bytes += char(gen() & 0xFF);
        bytes.insert(30000, "\r\n08:00:00,1,2,3\r\n");
        bytes.insert(100, "\n#2004-5-13#\n");
        r.ui.answers.assign(100, MsgAnswer::Yes);  // noise may hold a bad #date#
        EXPECT_TRUE(r.read("noise.bin", bytes));
        const int expected = recordLinesIn(bytes);
        ASSERT_GE(expected, 1);
        EXPECT_EQ(r.ds.rowcount(), expected);
        for (int row = 0; row < r.ds.rowcount(); ++row) EXPECT_TRUE(std::isfinite(r.ds.DATA().rowDay(row)));
    }
    {  // NUL is an ordinary character: it separates numbers and starts no line
        HostileReader r;
        const QByteArray bytes("#2004-5-13#\0\r\n08:00:00,1\0,2\r\n\0\r\n08:00:01\0,3\r\n\0"
                               "08:00:02,4",
                               56);
        EXPECT_TRUE(r.read("nul.asc", bytes));
        EXPECT_EQ(r.panel, QStringList{"5"});
        EXPECT_TRUE(r.ui.messages.isEmpty());
        ASSERT_EQ(r.ds.rowcount(), 2);
        EXPECT_EQ(r.time(0), "5/13/2004 08:00:00");
        EXPECT_EQ(r.value(0, 2), 2);
        EXPECT_EQ(r.value(1, 1), 3);
    }
}

// About 2 s here, 12 s under the sanitizers: scripts/sanitize leaves it out.
TEST(HostileRead, SlowFiftyMegabyteLines) {
    const int size = 50 * 1024 * 1024;
    {  // one record of 25 million numbers: kept with its first kMaxValues, and the person told
        HostileReader r;
        QByteArray bytes = "#2004-5-13#\n08:00:00";
        bytes += QByteArray(",7").repeated((size - bytes.size()) / 2);
        EXPECT_TRUE(r.read("record.asc", bytes));
        EXPECT_EQ(r.panel, QStringList{"2"});
        ASSERT_EQ(r.ds.rowcount(), 1);
        EXPECT_EQ(r.ds.DATA().colCount(), kMaxValues + 1);
        EXPECT_EQ(r.value(0, kMaxValues), 7);
        EXPECT_EQ(r.ui.texts(), QStringList{"1 record held more than 256 values; the values past the 256th were "
                                            "left out."});
    }
    {  // a column header of 25 million names
        HostileReader r;
        QByteArray bytes = "Time";
        bytes += QByteArray(",a").repeated((size - bytes.size()) / 2);
        EXPECT_TRUE(r.read("header.asc", bytes));
        EXPECT_EQ(r.ds.fieldlist().size(), kMaxValues + 2);  // Time, 256 names, the empty entry
        EXPECT_EQ(r.ds.rowcount(), 0);
        EXPECT_TRUE(r.ui.messages.isEmpty());
    }
    {  // 50 MB without a line ending, quote or digit
        HostileReader r;
        EXPECT_TRUE(r.read("junk.asc", QByteArray(size, 'x')));
        EXPECT_EQ(r.panel, QStringList{"1"});
        EXPECT_EQ(r.ds.rowcount(), 0);
    }
}

TEST(HostileRead, FortyThousandRecordsStopAtTheCap) {
    HostileReader r;
    QByteArray bytes = "\"Start Date:\",#2004-5-13#\r\n";
    char line[96];
    for (int i = 0; i < 40000; ++i) {
        const int s = i * 2 % 86400;
        bytes += QByteArray(line, std::snprintf(line, sizeof line,
                                                "\"%02d:%02d:%02d\",20.5,21,22,%d,-100,7.5,7.6,0,1.25,3\r\n", s / 3600,
                                                s / 60 % 60, s % 60, i));
    }
    EXPECT_TRUE(r.read("forty.asc", bytes));
    EXPECT_EQ(r.panel, QStringList{"40001"});
    ASSERT_EQ(r.ds.rowcount(), kMaxRecords);
    EXPECT_EQ(r.ds.DATA().rowCount(), kMaxRecords);
    EXPECT_EQ(r.value(kMaxRecords - 1, colPH1Raw), kMaxRecords - 1);  // the first ones, in order
    EXPECT_EQ(r.time(kMaxRecords - 1), "5/13/2004 18:12:12");
    EXPECT_EQ(r.ui.texts(), QStringList{"The file holds more records than can be loaded. The first 32767 records were "
                                        "loaded; 7233 records were left out."});
}

// Past the cap records are only counted, but every other line still does what it always does.
TEST(HostileRead, PastTheCapRecordsAreCountedOtherLinesStillRead) {
    HostileReader r;
    QByteArray bytes = "#2004-5-13#\r\n";
    for (int i = 0; i < kMaxRecords; ++i) bytes += "08:00:00,1\r\n";
    bytes += "\"09:00:00\",2\r\n"
             "24:00:00,3\r\n"
             "\"Probe 2 Slope:\",0.97\r\n"
             "9:00:00,4\r\n"
             "\"1\"\"2:00:00\",5\r\n"
             "12:60:00,6\r\n"
             "29:59:59,7\r\n";
    EXPECT_TRUE(r.read("capped.asc", bytes));
    EXPECT_EQ(r.ds.rowcount(), kMaxRecords);
    EXPECT_EQ(r.ds.pH2_Slope(), 0.97);
    EXPECT_EQ(r.panel, QStringList{QString::number(kMaxRecords + 8)});
    EXPECT_EQ(r.ui.texts(),
              QStringList({"The file holds more records than can be loaded. The first 32767 records were loaded; 2 "
                           "records were left out.",
                           "2 records with a time of day of 24:00:00 or later were skipped."}));
}

TEST(HostileRead, OddLineEndings) {
    // LF CR is two endings (a blank line between); a CR alone at the end adds no line.
    HostileReader r;
    EXPECT_TRUE(r.read("odd.asc", "#2004-5-13#\n\r08:00:00,1\r\r\n08:00:01,2\n\n\r\n08:00:02,3\r"));
    EXPECT_EQ(r.panel, QStringList{"8"});
    ASSERT_EQ(r.ds.rowcount(), 3);
    EXPECT_EQ(r.value(2, 1), 3);
}

TEST(HostileRead, ByteOrderMarksAreDecoded) {
    const QString text = QStringLiteral("\"Probe 1 Serial Number:\",\"Zürich-7\"\r\n\"Start Date:\",#2004-5-13#\r\n"
                                        "\"Time\",\"Therm 1\"\r\n\"08:00:00\",20.5\r\n\"08:00:10\",20.75 \u2103\r\n");
    QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::WriteBom);
    QStringEncoder utf16le(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QStringEncoder utf16be(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom);
    for (QStringEncoder *encode : {&utf8, &utf16le, &utf16be}) {
        HostileReader r;
        const QByteArray bytes = (*encode)(text);
        EXPECT_TRUE(r.read("bom.asc", bytes));
        EXPECT_EQ(r.panel, QStringList{"5"}) << encode->name();
        EXPECT_TRUE(r.ui.messages.isEmpty()) << encode->name();
        EXPECT_EQ(r.ds.pH1_SerialNumber(), ",Zürich-7");
        EXPECT_EQ(r.ds.fieldlist(), QStringList({"Time", "Therm 1", ""})) << encode->name();
        ASSERT_EQ(r.ds.rowcount(), 2) << encode->name();
        EXPECT_EQ(r.time(1), "5/13/2004 08:00:10");
        EXPECT_EQ(r.value(1, 1), 20.75);
    }
    // Without a mark the bytes are 8-bit text: UTF-16 then holds no record at all.
    HostileReader r;
    QStringEncoder bare(QStringConverter::Utf16LE);
    EXPECT_TRUE(r.read("bare16.asc", bare(text)));
    EXPECT_EQ(r.ds.rowcount(), 0);
    EXPECT_TRUE(r.ui.messages.isEmpty());
}

TEST(HostileRead, RecordsOfOddWidthLateHeaderAndLateHours) {
    HostileReader r;
    QStringList lines = {"#2004-5-13#",
                         "08:00:00,1,2,3",
                         "08:00:01,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20",
                         "08:00:02,1,2,3,4,5,6,7,8,9,10",
                         "24:00:00,9,9,9",
                         "Time,T1,T2,T3"};
    EXPECT_TRUE(r.read(r.files.writeLines("odd.asc", lines)));
    ASSERT_EQ(r.ds.rowcount(), 3);
    DataTable &t = r.ds.DATA();
    EXPECT_EQ(t.colCount(), 21);
    EXPECT_EQ(t.cell(0, 3), Cell(3.0));
    EXPECT_TRUE(t.cell(0, 4).isEmpty());  // nothing invented for the short record
    EXPECT_EQ(t.cell(1, 20), Cell(20.0));
    EXPECT_TRUE(t.cell(2, 11).isEmpty());
    EXPECT_EQ(r.ds.fieldlist(), QStringList({"Time", "T1", "T2", "T3", ""}));
    EXPECT_EQ(r.ui.texts(), QStringList{"1 record with a time of day of 24:00:00 or later was skipped."});
}

TEST(HostileRead, February30IsNoStartDate) {
    const QStringList lines = {"\"Start Date:\",#2004-02-30#", "08:00:00,1", "#2004-02-29#", "09:00:00,2"};
    const QString parseError = QStringLiteral(
        "parsing error, I thought there should be a date here\r\nbut its invalid format. I'll ignore it");
    {
        HostileReader r;
        r.ui.answers = {MsgAnswer::Yes};
        EXPECT_TRUE(r.read(r.files.writeLines("feb30.asc", lines)));
        EXPECT_EQ(r.ui.texts(), QStringList({parseError, "File parser error at line:1 Keep going?", kNoStartDate}));
        EXPECT_EQ(r.ds.startdate(), dt::today());  // the leap day comes after the first record
        ASSERT_EQ(r.ds.rowcount(), 2);
    }
    {
        HostileReader r;
        r.ui.answers = {MsgAnswer::No};
        EXPECT_FALSE(r.read(r.files.writeLines("feb30.asc", lines)));
        EXPECT_EQ(r.panel, QStringList{"Failed@line:1"});
        EXPECT_EQ(r.ds.rowcount(), 0);
        EXPECT_FALSE(r.ds.isDateInitialized());
    }
}

TEST(HostileRead, UnreadableOrVanishingFilesLeaveThePreviousData) {
    HostileReader r;
    ASSERT_TRUE(r.read(r.files.writeLines("good.asc", {"#2004-5-13#", "08:00:00,1"})));
    r.ui.messages.clear();
    r.panel.clear();

    const QString folder = r.files.path("folder.asc");
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_FALSE(r.read(folder));
    EXPECT_EQ(r.ui.texts(),
              QStringList{"fileIO.toFile Can't open file: " + folder + " (it is a folder, not a log file)"});

    r.ui.messages.clear();
    const QString path = r.files.writeLines("gone.asc", {"#2005-1-1#", "09:00:00,2"});
    r.ctx.betweenPasses = [&] { QFile::remove(path); };
    EXPECT_FALSE(r.read(path));
    r.ctx.betweenPasses = {};
    EXPECT_EQ(r.ui.texts(), QStringList{"fileIO.readFromFile Can't reopen file: " + path});
    // A file swapped for a folder between the passes is no file either.
    r.ui.messages.clear();
    const QString swapped = r.files.writeLines("swapped.asc", {"#2005-1-1#", "09:00:00,2"});
    r.ctx.betweenPasses = [&] {
        QFile::remove(swapped);
        QDir().mkpath(swapped);
    };
    EXPECT_FALSE(r.read(swapped));
    r.ctx.betweenPasses = {};
    EXPECT_EQ(r.ui.messages.size(), 1);
    EXPECT_TRUE(r.panel.isEmpty());
    ASSERT_EQ(r.ds.rowcount(), 1);
    EXPECT_EQ(r.time(0), "5/13/2004 08:00:00");
}

TEST(HostileRead, FileWithoutReadPermission) {
    if (::geteuid() == 0) GTEST_SKIP() << "running as root: the permission bits do not stop root from reading";
    HostileReader r;
    const QString path = r.files.writeLines("locked.asc", {"#2004-5-13#", "08:00:00,1"});
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    EXPECT_FALSE(r.read(path));
    EXPECT_EQ(r.ui.texts(), QStringList{"fileIO.toFile Can't open file: " + path});
    EXPECT_EQ(r.ds.rowcount(), 0);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST(HostileRead, PathWithBlanksAndNonAsciiLetters) {
    HostileReader r;
    const QString folder = r.files.path(QStringLiteral("Meßreihe Süd ÆØÅ 温度"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/run 7 – Ölbad.asc");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#2004-5-13#\r\n08:00:00,1\r\n");
    }
    EXPECT_TRUE(r.read(path));
    EXPECT_EQ(r.ds.rowcount(), 1);
    EXPECT_TRUE(r.ui.messages.isEmpty());
    // A missing file of that name is named exactly in both messages.
    const QString missing = folder + QStringLiteral("/nicht da.asc");
    EXPECT_FALSE(r.read(missing));
    EXPECT_EQ(r.ui.texts(), QStringList({"fileIO.readFromFile File not found:" + missing,
                                         "fileIO.toFile Can't open file: " + missing}));
}

TEST(HostileRead, LatinTextWithoutAMarkStaysAsItIs) {
    // 0xEF 0xBB alone is no mark: the bytes are read as Latin-1.
    const QByteArray bytes = "\xEF\xBB\r\nProbe 1 Serial Number:,\xE9t\xE9\r\n";
    EXPECT_EQ(latin1Text(bytes), bytes);
    EXPECT_EQ(latin1Text("\xEF\xBB\xBF"
                         "a\xC3\xA9\xE2\x84\x83"),
              QByteArray("a\xE9?"));
    EXPECT_EQ(latin1Text("\xFF\xFE"), QByteArray());
    HostileReader r;
    EXPECT_TRUE(r.read("latin.asc", bytes));
    EXPECT_EQ(r.ds.pH1_SerialNumber(), QString::fromLatin1(",\xE9t\xE9"));
}

// A named pipe gives its bytes once: the reader must not open it a second time (which would
// wait for ever for a new writer) and must store what a regular file of the bytes stores.
TEST(HostileRead, NamedPipeReadsAsTheSameBytesInAFile) {
    const QByteArray bytes = "#2004-5-13#\r\nTime,Therm 1,pH-1 Raw\r\n08:00:00,20.5,66.2\r\n23:59:59,21,1e-400\r\n"
                             "00:00:01,22,7\r\n";
    HostileReader plain;
    ASSERT_TRUE(plain.read("plain.asc", bytes));

    HostileReader piped;
    const QString fifo = piped.files.path("pipe.asc");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    std::unique_ptr<QThread> writer(QThread::create([&] {
        QFile f(fifo);
        if (f.open(QIODevice::WriteOnly)) f.write(bytes);
    }));
    writer->start();
    EXPECT_TRUE(piped.read(fifo));
    ASSERT_TRUE(writer->wait(10000));
    EXPECT_EQ(piped.panel, plain.panel);
    EXPECT_EQ(piped.ui.texts(), plain.ui.texts());
    ASSERT_EQ(piped.ds.rowcount(), 3);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            EXPECT_EQ(piped.ds.DATA().cell(row, col), plain.ds.DATA().cell(row, col)) << row << ',' << col;
}

// Endless or huge inputs end with one message at the size limit, without taking the memory.
TEST(HostileRead, InputsThatReachTheSizeLimitStopWithAMessage) {
    HostileReader r;
    r.ctx.maxSize = 1 << 20;
    EXPECT_FALSE(r.read(QStringLiteral("/dev/zero")));
    EXPECT_EQ(r.ui.texts(), QStringList{"fileIO.readFromFile File reaches the size limit of 1048576 bytes: /dev/zero"});
    EXPECT_TRUE(r.panel.isEmpty());

    // A sparse file of 2 GiB of NULs against the default limit: refused by its size, unread.
    HostileReader big;
    const QString sparse = big.files.path("sparse.asc");
    {
        QFile f(sparse);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(qint64(2) << 30));
    }
    EXPECT_FALSE(readFromFile(sparse, big.ds, big.ctx));  // read() would compare the 2 GiB itself
    EXPECT_EQ(big.ui.texts(),
              QStringList{"fileIO.readFromFile File reaches the size limit of 2147483648 bytes: " + sparse});
    EXPECT_FALSE(big.ds.isDateInitialized());

    // One byte under the limit is read.
    HostileReader small;
    small.ctx.maxSize = 22;
    EXPECT_TRUE(small.read("small.asc", "#2004-5-13#\r\n08:00:00"));
    EXPECT_EQ(small.ds.rowcount(), 1);
}
