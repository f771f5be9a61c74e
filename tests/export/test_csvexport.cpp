// The CSV text and the safe file write.
#include "export/csvexport.h"
#include "export_fixtures.h"
#include "model/clsdataset.h"
#include "qc/qctests.h"
#include "model/datetime.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace exporttest;

namespace {}  // namespace

TEST(CsvExport, QuotingAndReadBack) {
    clsDataSet ds;
    ds.setFieldlist({"Time", "Note, with comma", "Say \"hi\"", ""});  // ends with the empty entry
    ds.add({Cell("5/13/2004 23:59:59"), Cell(QStringLiteral("a,b")), Cell(QStringLiteral("two\r\nlines")), Cell(1.5),
            Cell()});
    ds.add({Cell("not a date"), Cell(QStringLiteral("\"q\"")), Cell(), Cell(-0.25), Cell(QStringLiteral("x\ny"))});
    const QByteArray csv = tableCsv(ds);

    bool wellFormed = false;
    const std::vector<QStringList> rows = readCsv(csv, &wellFormed);
    ASSERT_TRUE(wellFormed) << csv.toStdString();
    ASSERT_EQ(rows.size(), 3u);
    // Columns beyond the file's names get a name of their own.
    EXPECT_EQ(rows[0], QStringList({"Time", "Note, with comma", "Say \"hi\"", "Column 4", "Column 5"}));
    EXPECT_EQ(rows[1], QStringList({"2004-05-13 23:59:59", "a,b", "two\r\nlines", "1.5", ""}));
    EXPECT_EQ(rows[2], QStringList({"not a date", "\"q\"", "", "-0.25", "x\ny"}));
    EXPECT_TRUE(csv.startsWith("Time,\"Note, with comma\",\"Say \"\"hi\"\"\",Column 4,Column 5\r\n"));
}

TEST(CsvExport, WithoutHeaderOrRecords) {
    clsDataSet noHeader;
    noHeader.add({Cell("5/13/2004 00:00:00"), Cell(1.0)});
    EXPECT_EQ(tableCsv(noHeader), "Column 1,Column 2\r\n2004-05-13 00:00:00,1\r\n");

    clsDataSet headerOnly;
    headerOnly.setFieldlist({"Time", "Therm 1", ""});
    EXPECT_EQ(tableCsv(headerOnly), "Time,Therm 1\r\n");
}

TEST(SafeSave, FailuresKeepTheExistingFile) {
    TempFiles tmp;
    const QString existing = tmp.write("keep.csv", "old contents\r\n");

    // A write that fails half-way: nothing of it reaches the file.
    const QString error = saveFileSafely(existing, [](QIODevice &d, QString &reason) {
        d.write("half a tab");
        reason = QStringLiteral("disk full");
        return false;
    });
    EXPECT_EQ(error, "Can't write \"" + existing + "\": disk full.");
    EXPECT_EQ(slurp(existing), "old contents\r\n");

    // A folder that does not exist, and a folder in place of a file.
    const QString noFolder = tmp.path("missing/out.csv");
    EXPECT_TRUE(saveBytes(noFolder, "x").startsWith("Can't write \"" + noFolder + "\": the folder"));
    EXPECT_FALSE(saveBytes(tmp.path(""), "x").isEmpty());

    // A good write replaces the file whole.
    EXPECT_EQ(saveBytes(existing, "new\r\n"), "");
    EXPECT_EQ(slurp(existing), "new\r\n");
}

TEST(SafeSave, DevicesAndPipesAreWrittenInPlaceOrRefusedNeverReplaced) {
    TempFiles tmp;
    const QString fifo = tmp.path("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    auto isFifo = [&fifo] {
        struct stat st {};
        return ::stat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode);
    };

    // Nobody reads the pipe: refused at once, not waited on.
    EXPECT_EQ(saveBytes(fifo, "x"), "Can't write \"" + fifo + "\": no program reads from the named pipe.");
    EXPECT_TRUE(isFifo());

    // With a reader the bytes go through the pipe and the pipe stays.
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(saveBytes(fifo, "a,b\r\n"), "");
    char got[16] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 5);
    EXPECT_STREQ(got, "a,b\r\n");
    ::close(reader);
    EXPECT_TRUE(isFifo());

    // A read-only file is refused, even for root, and keeps its bytes and mode.
    const QString locked = tmp.write("locked.csv", "old\r\n");
    ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ReadGroup));
    EXPECT_EQ(saveBytes(locked, "new"), "Can't write \"" + locked + "\": the file is read-only.");
    EXPECT_EQ(slurp(locked), "old\r\n");
    EXPECT_EQ(QFileInfo(locked).permissions() & QFile::WriteOwner, 0);
}

TEST(SafeSave, AFailedWriteGivesTheSystemsReasonAndKeepsTheOldFile) {
    TempFiles tmp;
    const QString existing = tmp.write("keep.csv", "old contents\r\n");
    // A file size limit makes the write fail as a full disk does, with the system's reason.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    auto *previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString error = saveBytes(existing, QByteArray(1 << 20, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(
        error.toStdString(),
        ("Can't write \"" + existing + "\": " + QString::fromLocal8Bit(std::strerror(EFBIG)) + ".").toStdString());
    EXPECT_EQ(slurp(existing), "old contents\r\n");

    // A full device written in place tells "No space left on device" (a node of its own,
    // never the system's).
    if (::geteuid() != 0) GTEST_SKIP() << "device nodes need root";
    const QString full = tmp.path("full");
    ASSERT_EQ(::mknod(QFile::encodeName(full).constData(), S_IFCHR | 0600, makedev(1, 7)), 0);
    EXPECT_EQ(saveBytes(full, QByteArray(100, 'x')).toStdString(),
              ("Can't write \"" + full + "\": No space left on device.").toStdString());
    // So does a writer that, like the PDF and SVG writers, never looks at what write() returned.
    EXPECT_EQ(saveFileSafely(full, [](QIODevice &d, QString &) { return d.write("%PDF"), d.write("-1.4"), true; }),
              "Can't write \"" + full + "\": No space left on device.");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(full).constData(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST(CsvExport, ALongTableWrittenInPiecesIsTheWholeCsv) {
    // Some 3 MB of CSV: several pieces, rows never split or doubled at a piece's edge.
    clsDataSet ds;
    ds.setRecordLimit(kAnyLengthRecords);
    std::vector<Cell> rec(11, Cell(20.125));
    for (int i = 0; i < 40000; ++i) {
        rec[1] = Cell(double(i));
        ds.addRecord(38120.0 + i / 86400.0, rec);
    }
    QcResults results{std::vector<FlagMask>(40000, 1), std::vector<QcAggregates>(40000, 0)};
    const CsvQc flags{&results, nullptr, 40000};
    TempFiles files;
    const QString path = files.path("long.csv");
    ASSERT_EQ(writeCsv(path, ds, &flags), QString());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray written = f.readAll();
    EXPECT_GT(written.size(), 3 << 20);
    EXPECT_EQ(written, tableCsv(ds, &flags));
    EXPECT_EQ(written.count("\r\n"), 40001);
    int pieces = 0;
    EXPECT_TRUE(tableCsvChunks(ds, &flags, [&](const QByteArray &) { return ++pieces < 2; }) == false);
    EXPECT_EQ(pieces, 2);  // a sink that fails stops the writing
}
