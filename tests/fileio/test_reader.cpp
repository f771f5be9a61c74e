#include "fileio/fileio.h"
#include "model/datetime.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

struct ReaderMeterView : IMeterView {
    QStringList *log;
    explicit ReaderMeterView(QStringList *l) : log(l) {}
    void showMeter() override { *log << "show"; }
    void hideMeter() override { *log << "hide"; }
    void setText(const QString &t) override { *log << t; }
    void setProgress(int) override {}
};

// One read with a scripted person, a recorded panel 2 and a recorded meter window.
struct Reader {
    TempFiles files;
    ScriptedInteraction ui;
    clsDataSet ds;
    QStringList panel, meterLog;
    int meters = 0;
    ReaderContext ctx{ui,
                      [this](const QString &t) { panel << t; },
                      [this]() -> std::unique_ptr<IMeterView> {
                          ++meters;
                          return std::make_unique<ReaderMeterView>(&meterLog);
                      },
                      {}};

    bool read(const QString &path) { return readFromFile(path, ds, ctx); }
    bool readLines(const QStringList &lines, const QByteArray &eol = "\r\n") {
        return read(files.writeLines("log.asc", lines, eol));
    }
    QString time(int row) { return ds.DATA().text(row, colDateTime); }
};

const QStringList kHeader = {
    "\"pH Probe Logger\"",
    "\"Probe 1 Serial Number:\",\"A-1734\"",
    "\"Probe 2 Serial Number:\",\"A-1735\"",
    "\"Probe 1 Calibration Date:\",\"5/12/2004\"",
    "\"Probe 1 Slope:\",58.2",
    "\"Probe 2 Slope:\",57.9",
    "\"Probe 1 Offset:\",0.0125",
    "\"Probe 2 Offset:\",-0.0125",
    "\"Start Date:\",#2004-5-13#",
    "\"Time\",\"Therm 1\",\"Therm 2\",\"Therm 3\",\"pH-1 Raw\",\"pH-2 Raw\",\"pH-1\",\"pH-2\",\"Aux\",\"Flow "
    "Rate\",\"Total Vol\"",
};

QString record(const char *time, int i = 0) {
    return QStringLiteral("\"%1\",20.5,21,19.75,-50.5,-40.25,7.8,7.9,%2,1.25,%3").arg(time).arg(i).arg(i * 0.5);
}

QStringList withRecords(QStringList lines, std::initializer_list<const char *> times) {
    for (const char *t : times) lines << record(t);
    return lines;
}

}  // namespace

TEST(ReadFromFile, FullFileFillsTheDataSet) {
    Reader r;
    QStringList lines = kHeader;
    lines << "" << record("08:00:00", 1) << record("08:00:10", 2);
    ASSERT_TRUE(r.readLines(lines));
    EXPECT_TRUE(r.ui.messages.isEmpty());
    EXPECT_EQ(r.panel, QStringList{"13"});
    EXPECT_EQ(r.ui.busyMax, 1);
    EXPECT_EQ(r.ui.busyDepth, 0);
    EXPECT_EQ(r.meters, 1);
    EXPECT_EQ(r.meterLog.first(), "show");
    EXPECT_EQ(r.meterLog.last(), "hide");
    EXPECT_TRUE(r.meterLog.contains("13 records processed (100%)"));

    clsDataSet &ds = r.ds;
    EXPECT_EQ(ds.pH1_SerialNumber(), ",A-1734");
    EXPECT_EQ(ds.pH2_SerialNumber(), ",A-1735");
    EXPECT_EQ(ds.pH1_CalibrationDate(), ",5/12/2004");
    EXPECT_EQ(ds.pH2_CalibrationDate(), "");  // no line for it: unchanged
    EXPECT_EQ(ds.pH1_Slope(), 58.2);
    EXPECT_EQ(ds.pH2_Slope(), 57.9);
    EXPECT_EQ(ds.pH1_Offset(), 0.0125);
    EXPECT_EQ(ds.pH2_Offset(), -0.0125);
    EXPECT_EQ(ds.startdate(), dt::fromDate(2004, 5, 13));
    ASSERT_EQ(ds.fieldlist().size(), 12);
    EXPECT_EQ(ds.fieldlist().at(4), "pH-1 Raw");
    EXPECT_EQ(ds.fieldlist().last(), "");
    ASSERT_EQ(ds.rowcount(), 2);
    EXPECT_EQ(r.time(0), "5/13/2004 08:00:00");
    EXPECT_EQ(r.time(1), "5/13/2004 08:00:10");
    EXPECT_EQ(ds.DATA().cell(1, colTherm1), Cell(20.5));
    EXPECT_EQ(ds.DATA().cell(1, colTotalVolume), Cell(1.0));
    EXPECT_EQ(ds.DATA().colCount(), 11);
}

TEST(ReadFromFile, MidnightRollsTheDateOver) {
    Reader r;
    QStringList lines = {"#2004-12-31#"};
    ASSERT_TRUE(r.readLines(withRecords(lines, {"23:59:58", "00:00:03", "00:00:03", "10:00:00", "09:59:59"})));
    ASSERT_EQ(r.ds.rowcount(), 5);
    EXPECT_EQ(r.time(0), "12/31/2004 23:59:58");
    EXPECT_EQ(r.time(1), "1/1/2005 00:00:03");
    EXPECT_EQ(r.time(2), "1/1/2005 00:00:03");  // equal times stay on the day
    EXPECT_EQ(r.time(3), "1/1/2005 10:00:00");
    EXPECT_EQ(r.time(4), "1/2/2005 09:59:59");  // any step back is the next day
    EXPECT_EQ(r.ds.DATA().rowDay(4), dt::fromParts({2005, 1, 2, 9, 59, 59}));
}

TEST(ReadFromFile, StartDateRules) {
    const QString warning =
        "WARNING: File is missing a valid start date.\r\nI will use today's date as the starting date.";
    {  // no start date: one warning at the first record, dated today
        Reader r;
        ASSERT_TRUE(r.readLines(withRecords({}, {"08:00:00", "09:00:00"})));
        ASSERT_EQ(r.ui.texts(), QStringList{warning});
        EXPECT_EQ(r.ui.messages[0].title, "Brinewick");
        EXPECT_EQ(r.ui.messages[0].icon, MsgIcon::None);
        EXPECT_EQ(r.ds.startdate(), dt::today());
        EXPECT_EQ(r.time(1), dt::recordText(dt::today() + 9 / 24.0));
    }
    {  // a start date after the first record is ignored
        Reader r;
        QStringList lines = withRecords({}, {"08:00:00"});
        lines << "#2004-5-13#" << record("09:00:00");
        ASSERT_TRUE(r.readLines(lines));
        EXPECT_EQ(r.ui.texts(), QStringList{warning});
        EXPECT_EQ(r.ds.startdate(), dt::today());
    }
    {  // of two start dates the first counts
        Reader r;
        ASSERT_TRUE(r.readLines(withRecords({"#2004-5-13#", "#2005-1-2#"}, {"08:00:00"})));
        EXPECT_TRUE(r.ui.messages.isEmpty());
        EXPECT_EQ(r.time(0), "5/13/2004 08:00:00");
    }
}

TEST(ReadFromFile, InvalidStartDateAsksWhetherToGoOn) {
    QStringList lines = {"Probe 1 Slope:,50", "Slope:,51",    "#2004-5-13#",       "Time,a",    "08:00:00,1",
                         "Probe 2 Slope:,52", "#2004-13-45#", "Probe 1 Slope:,60", "09:00:00,2"};
    {
        Reader r;
        r.ui.answers = {MsgAnswer::No};
        EXPECT_FALSE(r.readLines(lines));
        EXPECT_EQ(r.panel, QStringList{"Failed@line:7"});
        ASSERT_EQ(r.ui.messages.size(), 2);
        EXPECT_EQ(r.ui.messages[1].text, "File parser error at line:7 Keep going?");
        EXPECT_EQ(r.ui.messages[1].title, "Error");
        EXPECT_EQ(r.ui.messages[1].buttons, MsgButtons::YesNo);
        EXPECT_EQ(r.ui.messages[1].icon, MsgIcon::Question);
        EXPECT_EQ(r.ds.rowcount(), 1);  // what lines 1 to 6 set
        EXPECT_EQ(r.ds.pH1_Slope(), 51);
        EXPECT_EQ(r.ds.pH2_Slope(), 52);
        EXPECT_EQ(r.ui.busyDepth, 0);
        EXPECT_EQ(r.meterLog.last(), "hide");
    }
    {
        Reader r;
        r.ui.answers = {MsgAnswer::Yes};
        EXPECT_TRUE(r.readLines(lines));
        EXPECT_EQ(r.panel, QStringList{"9"});
        EXPECT_EQ(r.ds.rowcount(), 2);
        EXPECT_EQ(r.ds.pH1_Slope(), 60);
        EXPECT_EQ(r.time(1), "5/13/2004 09:00:00");
    }
}

TEST(ReadFromFile, BothProbeLinesFeedTheProbes) {
    Reader r;
    r.ds.setPH2_Slope(3);
    r.ds.setPH2_SerialNumber("old");
    ASSERT_TRUE(r.readLines({"Slope:", "Offset: 0.5", "Serial Number:,1734"}));
    EXPECT_EQ(r.ds.pH1_Slope(), 0);
    EXPECT_EQ(r.ds.pH2_Slope(), 3);  // no number: probe 2 keeps its value
    EXPECT_EQ(r.ds.pH1_Offset(), 0.5);
    EXPECT_EQ(r.ds.pH2_Offset(), 0);
    EXPECT_EQ(r.ds.pH1_SerialNumber(), "1734");
    EXPECT_EQ(r.ds.pH2_SerialNumber(), "");
    ASSERT_TRUE(r.readLines({"Slope:,58.1,Slope2:,57.9", "Serial Number:,17,Serial Number2:,18"}));
    EXPECT_EQ(r.ds.pH1_Slope(), 58.1);
    EXPECT_EQ(r.ds.pH2_Slope(), 57.9);
    EXPECT_EQ(r.ds.pH2_SerialNumber(), "18");
}

TEST(ReadFromFile, MissingAndVanishingFiles) {
    Reader r;
    ASSERT_TRUE(r.readLines(withRecords({"#2004-5-13#"}, {"08:00:00"})));
    r.panel.clear();
    r.meterLog.clear();

    const QString missing = r.files.path("nothing.asc");
    EXPECT_FALSE(r.read(missing));
    ASSERT_EQ(r.ui.messages.size(), 2);
    EXPECT_EQ(r.ui.messages[0].text, "fileIO.readFromFile File not found:" + missing);
    EXPECT_EQ(r.ui.messages[0].title, "Error");
    EXPECT_EQ(r.ui.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(r.ui.messages[1].text, "fileIO.toFile Can't open file: " + missing);
    EXPECT_EQ(r.ui.messages[1].title, "Brinewick");
    EXPECT_EQ(r.ui.messages[1].icon, MsgIcon::None);
    EXPECT_EQ(r.ds.rowcount(), 1);  // the previous file stays
    EXPECT_TRUE(r.panel.isEmpty());
    EXPECT_TRUE(r.meterLog.isEmpty());  // made, never shown
    EXPECT_EQ(r.ui.busyMax, 1);         // only the first read set the cursor

    // A folder is no file.
    r.ui.messages.clear();
    const QString folder = r.files.path("");
    EXPECT_FALSE(r.read(folder));
    EXPECT_EQ(r.ui.texts(),
              QStringList{"fileIO.toFile Can't open file: " + folder + " (it is a folder, not a log file)"});

    // The file disappears between the two passes: nothing is cleared.
    r.ui.messages.clear();
    const QString path = r.files.writeLines("gone.asc", withRecords({}, {"08:00:00"}));
    r.ctx.betweenPasses = [&] { QFile::remove(path); };
    EXPECT_FALSE(r.read(path));
    EXPECT_EQ(r.ui.texts(), QStringList{"fileIO.readFromFile Can't reopen file: " + path});
    EXPECT_EQ(r.ui.messages[0].title, "Brinewick");
    EXPECT_EQ(r.ds.rowcount(), 1);
    EXPECT_TRUE(r.ds.isDateInitialized());
    EXPECT_TRUE(r.panel.isEmpty());
    EXPECT_EQ(r.ui.busyDepth, 0);
}

TEST(ReadFromFile, EmptyFileAndLineCounts) {
    Reader r;
    ASSERT_TRUE(r.readLines(withRecords({"#2004-5-13#"}, {"08:00:00"})));
    ASSERT_TRUE(r.read(r.files.write("empty.asc", "")));
    EXPECT_EQ(r.panel.last(), "0");
    EXPECT_EQ(r.ds.rowcount(), 0);
    EXPECT_FALSE(r.ds.isDateInitialized());

    QStringList ten;
    for (int i = 0; i < 10; ++i) ten << "line";
    ASSERT_TRUE(r.readLines(ten));
    EXPECT_EQ(r.panel.last(), "10");
    // A last line without an ending counts; a final ending adds no line.
    ASSERT_TRUE(r.read(r.files.write("tail.asc", "a\r\nb")));
    EXPECT_EQ(r.panel.last(), "2");
    EXPECT_EQ(countLines("\r\n\r\n"), 2);
    EXPECT_EQ(countLines("a\n\rb"), 3);
}

TEST(ReadFromFile, LineEndingsReadAlike) {
    const QStringList lines = withRecords({"#2004-5-13#", "Probe 1 Slope:,58"}, {"08:00:00", "08:00:10"});
    for (const QByteArray &eol : {QByteArray("\r\n"), QByteArray("\r"), QByteArray("\n")}) {
        Reader r;
        ASSERT_TRUE(r.readLines(lines, eol));
        EXPECT_EQ(r.panel, QStringList{"4"});
        EXPECT_EQ(r.ds.pH1_Slope(), 58);
        ASSERT_EQ(r.ds.rowcount(), 2);
        EXPECT_EQ(r.time(1), "5/13/2004 08:00:10");
    }
    Reader mixed;
    ASSERT_TRUE(mixed.read(mixed.files.write("mixed.asc", "#2004-5-13#\n08:00:00,1\r08:00:01,2\r\n08:00:02,3")));
    EXPECT_EQ(mixed.ds.rowcount(), 3);
    EXPECT_EQ(mixed.ds.DATA().cell(2, 1), Cell(3.0));
}

TEST(ReadFromFile, RecordsPastTheCapAreReportedOnce) {
    Reader r;
    QByteArray bytes = "#2004-5-13#\r\n";
    char line[64];
    const int records = kMaxRecords + 3;
    for (int i = 0; i < records; ++i) {
        const int s = i % 86400;
        bytes += QByteArray(
            line, std::snprintf(line, sizeof line, "%02d:%02d:%02d,%d\r\n", s / 3600, s / 60 % 60, s % 60, i));
    }
    ASSERT_TRUE(r.read(r.files.write("big.asc", bytes)));
    EXPECT_EQ(r.panel, QStringList{QString::number(records + 1)});  // past 32,767 lines
    EXPECT_EQ(r.ds.rowcount(), kMaxRecords);
    EXPECT_EQ(r.ds.DATA().cell(kMaxRecords - 1, 1), Cell(double(kMaxRecords - 1)));
    ASSERT_EQ(r.ui.messages.size(), 1);
    EXPECT_EQ(r.ui.messages[0].text, "The file holds more records than can be loaded. The first 32767 records "
                                     "were loaded; 3 records were left out.");
    EXPECT_EQ(r.ui.messages[0].title, "Brinewick");
    EXPECT_EQ(r.ui.messages[0].buttons, MsgButtons::OkLoadAll);
    EXPECT_EQ(r.meterLog.at(r.meterLog.size() - 2), QString::number(records + 1 - 163) + " records processed (100%)");
}

TEST(ReadFromFile, RecordsAfterTwentyFourHoursAreSkipped) {
    Reader r;
    ASSERT_TRUE(r.readLines(withRecords({"#2004-5-13#"}, {"23:00:00", "24:00:00", "29:59:59", "23:30:00"})));
    ASSERT_EQ(r.ds.rowcount(), 2);
    EXPECT_EQ(r.time(1), "5/13/2004 23:30:00");  // the skipped records moved no date
    EXPECT_EQ(r.ui.texts(), QStringList{"2 records with a time of day of 24:00:00 or later were skipped."});
    EXPECT_EQ(r.ui.messages[0].title, "Brinewick");
}

TEST(ReadFromFile, FieldsWithoutANumberKeepTheLaterValuesInTheirColumns) {
    Reader r;
    ReaderContext &ctx = r.ctx;
    PassReport report;
    ctx.report = &report;
    QStringList lines = kHeader;
    lines << "\"08:00:00\",17.7,ERR,17.4,66.5,-40.25,7.8,7.9,0,1.25,493.2"
          << "\"08:00:10\",17.7,,17.4,---,NaN,\"\",7.9,0,1.25,493.2"
          << "\"08:00:20\",17.7,18.0,12-13,,,"  // several numbers in one field; empty fields at the end
          << "\"08:00:30\",17.7,18.0,17.4,66.5,-40.25,7.8,7.9,0,1.25,ERR"
          << "08:00:40 20.5 21 19.75";  // no commas: as before
    ASSERT_TRUE(r.readLines(lines));
    const DataTable &t = r.ds.DATA();
    ASSERT_EQ(t.rowCount(), 5);
    auto row = [&](int i) {
        QStringList cells;
        for (int c = 1; c < t.colCount(); ++c) cells << (t.cell(i, c).isEmpty() ? "_" : t.text(i, c));
        return cells.join(u' ');
    };
    EXPECT_EQ(row(0), "17.7 _ 17.4 66.5 -40.25 7.8 7.9 0 1.25 493.2");
    EXPECT_EQ(row(1), "17.7 _ 17.4 _ _ _ 7.9 0 1.25 493.2");
    EXPECT_EQ(row(2), "17.7 18 12 -13 _ _ _ _ _ _");
    EXPECT_EQ(row(3), "17.7 18 17.4 66.5 -40.25 7.8 7.9 0 1.25 _");
    EXPECT_EQ(row(4), "20.5 21 19.75 _ _ _ _ _ _ _");
    EXPECT_EQ(t.colCount(), 11);  // the ERR at the end is a position, not a new column
    EXPECT_EQ(report.missingRecords, 3);
}
