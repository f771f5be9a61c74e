// Hostile files through File > Open in one real window: after each, the window shows exactly
// what the data set holds, the messages are the reader's, and the next Open still works.
#include "window_fixture.h"
#include "plot/ui/qcpgraph.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QStringEncoder>
#include <unistd.h>

namespace {

class HostileOpen : public WindowTest {
protected:
    // Opens through the dialog; checks that the file was neither written nor touched.
    void openChecked(frmMain &w, const QString &path) {
        ui.messages.clear();
        QByteArray before;
        QDateTime modified;
        const bool isFile = QFileInfo(path).isFile();
        if (isFile) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly)) before = f.readAll();
            modified = QFileInfo(path).lastModified();
        }
        open(w, path);
        if (isFile) {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_TRUE(f.readAll() == before) << "log file written";
            EXPECT_EQ(QFileInfo(path).lastModified(), modified);
        }
        EXPECT_EQ(ui.busyDepth, 0);
        EXPECT_EQ(w.statusPanel1->text(), path);
    }
    // The grid, the plot and the range fields agree with the data set's rows.
    static void expectShows(frmMain &w, int rows) {
        EXPECT_EQ(w.dataSet().rowcount(), rows);
        EXPECT_EQ(w.TDBGrid1->model()->rowCount(), rows);
        EXPECT_EQ(w.graph().pointCount(), rows);
        if (rows > 0) {
            DataTable &t = w.dataSet().DATA();
            EXPECT_EQ(w.txtEnd->text(), t.text(rows - 1, colDateTime));
        }
    }
    QString good() { return files.writeLines(QStringLiteral("good.asc"), makeLog(LogRecipe())); }
};

const QString kNoStartDate =
    QStringLiteral("WARNING: File is missing a valid start date.\r\nI will use today's date as the starting date.");

}  // namespace

TEST_F(HostileOpen, BinaryNulAndUnicodeFiles) {
    frmMain w(&ui, &dialog);
    QByteArray noise;
    quint32 x = 2004;
    for (int i = 0; i < 32768; ++i) noise += char((x = x * 1664525u + 1013904223u) >> 24);
    ui.answers.assign(50, MsgAnswer::Yes);
    openChecked(w, files.write(QStringLiteral("noise.bin"), noise));
    expectShows(w, w.dataSet().rowcount());  // whatever noise holds, the window agrees with it

    openChecked(w, files.write(QStringLiteral("nul.asc"), QByteArray("#2004-5-13#\0\r\n08:00:00,1\0,2\r\n", 28)));
    // Two values are no probe record: the computation says so, the record is still shown.
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].text.startsWith(QStringLiteral("pH could not be computed for record 0 (5/13/2004 "
                                                              "08:00:00): the records have no pH columns")));
    expectShows(w, 1);

    const QString text = makeLog(LogRecipe()).join(QStringLiteral("\r\n"));
    QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::WriteBom);
    openChecked(w, files.write(QStringLiteral("bom8.asc"), utf8(text)));
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(w.TDBGrid1->captions().size(), 11);
    expectShows(w, 20);
    EXPECT_EQ(w.txtPH1Slope->text(), QStringLiteral("58.2"));

    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    openChecked(w, files.write(QStringLiteral("bom16.asc"), utf16(text)));
    EXPECT_TRUE(ui.messages.isEmpty());
    expectShows(w, 20);
    EXPECT_EQ(w.txtStart->text(), QStringLiteral("5/13/2004 08:00:00"));
}

TEST_F(HostileOpen, LineEndingsOddRecordsAndLateHeader) {
    frmMain w(&ui, &dialog);
    for (const QByteArray &eol : {QByteArray("\r"), QByteArray("\n")}) {
        openChecked(w, files.writeLines(QStringLiteral("eol.asc"), makeLog(LogRecipe()), eol));
        EXPECT_TRUE(ui.messages.isEmpty());
        expectShows(w, 20);
    }
    QByteArray mixed = makeLog(LogRecipe()).join(QStringLiteral("\r")).toLatin1();
    mixed.replace("\r\"08:", "\n\"08:").replace("\r\"09:", "\r\n\"09:");
    openChecked(w, files.write(QStringLiteral("mixed.asc"), mixed));
    expectShows(w, 20);
    EXPECT_EQ(w.txtEnd->text(), QStringLiteral("5/13/2004 17:30:00"));

    const QStringList odd = {"#2004-5-13#",
                             "08:00:00,20,21,22",
                             "08:00:01,20,21,22,70,-100,7,7,0,1.5,2,11,12,13,14,15,16,17,18,19",
                             "24:00:00,20,21,22,70,-100,7,7,0,1.5,2",
                             "08:00:02,20,21,22,70,-100,7,7,0,1.5,2",
                             "Time,T1,T2,T3,Raw1,Raw2,pH1,pH2,Aux,Flow,Vol"};
    openChecked(w, files.writeLines(QStringLiteral("odd.asc"), odd));
    EXPECT_EQ(ui.texts(), QStringList{"1 record with a time of day of 24:00:00 or later was skipped."});
    expectShows(w, 3);
    EXPECT_EQ(w.TDBGrid1->captions().size(), 11);  // from the header after the records
    EXPECT_EQ(w.dataSet().DATA().colCount(), 20);
    EXPECT_TRUE(w.dataSet().DATA().cell(0, colPH1Raw).isEmpty());  // nothing invented
}

TEST_F(HostileOpen, February30AsksAndDatesFromToday) {
    LogRecipe rule;
    rule.startDate = QStringLiteral("#2004-02-30#");
    frmMain w(&ui, &dialog);
    ui.answers = {MsgAnswer::Yes};
    openChecked(w, files.writeLines(QStringLiteral("feb30.asc"), makeLog(rule)));
    EXPECT_EQ(
        ui.texts(),
        QStringList({"parsing error, I thought there should be a date here\r\nbut its invalid format. I'll ignore it",
                     "File parser error at line:6 Keep going?", kNoStartDate}));
    expectShows(w, 20);
    EXPECT_TRUE(w.txtStart->text().endsWith(QStringLiteral(" 08:00:00")));

    ui.answers = {MsgAnswer::No};
    openChecked(w, files.writeLines(QStringLiteral("feb30.asc"), makeLog(rule)));
    expectShows(w, 0);
    EXPECT_EQ(w.txtStart->text(), QStringLiteral("1/1/1988 00:00:00"));
}

TEST_F(HostileOpen, FolderUnreadableAndStrangePaths) {
    frmMain w(&ui, &dialog);
    openChecked(w, good());
    const QString folder = files.path(QStringLiteral("a folder.asc"));
    ASSERT_TRUE(QDir().mkpath(folder));
    openChecked(w, folder);
    EXPECT_EQ(ui.texts(),
              QStringList{"fileIO.toFile Can't open file: " + folder + " (it is a folder, not a log file)"});
    expectShows(w, 20);  // the previous file, shown again

    const QString strange = files.path(QStringLiteral("Meßreihe Süd 温度"));
    ASSERT_TRUE(QDir().mkpath(strange));
    const QString path = strange + QStringLiteral("/run 7 – Ölbad.asc");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(makeLog(LogRecipe()).join(QStringLiteral("\r\n")).toLatin1());
    }
    openChecked(w, path);
    EXPECT_TRUE(ui.messages.isEmpty());
    expectShows(w, 20);
    EXPECT_EQ(w.defaultFilePath, strange + u'/');
    w.mnuFileOpen_Click();  // cancelled; it started in the strange folder
    EXPECT_EQ(dialog.calls.last().initialName, strange + QStringLiteral("/*.asc"));
}

TEST_F(HostileOpen, FileWithoutReadPermission) {
    if (::geteuid() == 0) GTEST_SKIP() << "running as root: the permission bits do not stop root from reading";
    frmMain w(&ui, &dialog);
    openChecked(w, good());
    const QString locked = files.writeLines(QStringLiteral("locked.asc"), makeLog(LogRecipe()));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::WriteOwner));
    openChecked(w, locked);
    EXPECT_EQ(ui.texts(), QStringList{"fileIO.toFile Can't open file: " + locked});
    expectShows(w, 20);
}

TEST_F(HostileOpen, HugeLineAndFortyThousandRecords) {
    frmMain w(&ui, &dialog);
    QByteArray wide = "#2004-5-13#\r\nTime";
    wide += QByteArray(",a").repeated(1000);
    wide += "\r\n08:00:00";
    wide += QByteArray(",7").repeated(25 * 1024 * 1024);
    openChecked(w, files.write(QStringLiteral("wide.asc"), wide));
    EXPECT_EQ(ui.texts(), QStringList{"1 record held more than 256 values; the values past the 256th were left out."});
    expectShows(w, 1);
    EXPECT_EQ(w.TDBGrid1->captions().size(), 257);

    LogRecipe rule;
    rule.records = 40000;
    rule.step = 2;
    openChecked(w, files.writeLines(QStringLiteral("forty.asc"), makeLog(rule)));
    EXPECT_EQ(ui.texts(), QStringList{"The file holds more records than can be loaded. The first 32767 records were "
                                      "loaded; 7233 records were left out."});
    expectShows(w, kMaxRecords);
    EXPECT_EQ(w.txtEnd->text(), QStringLiteral("5/14/2004 02:12:12"));
}
