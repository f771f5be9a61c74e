#include "fileio/fileio.h"
#include "model/datetime.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"
#include "workbench/workbench.h"

#include <gtest/gtest.h>

namespace {

constexpr int kRecords = 100000;

// Records every 2 s from 20:00 on 13 May 2004, so the log runs past three midnights.
QByteArray longLog() {
    QByteArray bytes = "\"Start Date:\",#2004-5-13#\r\n\"Time\",\"Therm 1\",\"pH-1 Raw\"\r\n";
    char line[64];
    for (int i = 0; i < kRecords; ++i) {
        const int s = (20 * 3600 + 2 * i) % 86400;
        bytes.append(line, std::snprintf(line, sizeof line, "%02d:%02d:%02d,%d.5,-%d\r\n", s / 3600, s / 60 % 60,
                                         s % 60, i % 40, i));
    }
    return bytes;
}

struct CancellingView : IMeterView {
    int updates = 0, cancelAfter;
    explicit CancellingView(int after) : cancelAfter(after) {}
    void showMeter() override {}
    void hideMeter() override {}
    void setText(const QString &) override { ++updates; }
    void setProgress(int) override {}
    bool cancelRequested() override { return updates >= cancelAfter; }
};

}  // namespace

TEST(AnyLength, AHundredThousandRecordsWithAndWithoutTheLimit) {
    TempFiles files;
    const QString path = files.write("long.asc", longLog());
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);

    // The default: the first 32,767 records and the message with its button.
    EXPECT_TRUE(wb.open(path));
    EXPECT_EQ(wb.rowCount(), kMaxRecords);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0].text, "The file holds more records than can be loaded. The first 32767 records "
                                   "were loaded; 67233 records were left out.");
    EXPECT_EQ(ui.messages[0].buttons, MsgButtons::OkLoadAll);
    tellLeftOutRecords(ui, kMaxRecords, 1);
    EXPECT_TRUE(ui.messages.back().text.endsWith("; 1 record was left out.")) << ui.messages.back().text.toStdString();

    // "Load All Records" reads the same file again whole, without another message.
    ui.messages.clear();
    ui.loadAll = true;
    EXPECT_TRUE(wb.open(path));
    ASSERT_EQ(wb.rowCount(), kRecords);
    EXPECT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(wb.readReport().leftOut, 0);
    EXPECT_EQ(wb.readReport().lines, kRecords + 2);
    const DataTable &t = wb.openTable();
    EXPECT_EQ(t.text(0, 0), "5/13/2004 20:00:00");
    EXPECT_EQ(t.text(1799, 0), "5/13/2004 20:59:58");
    EXPECT_EQ(t.text(1800, 0), "5/13/2004 21:00:00");
    EXPECT_EQ(t.text(7199, 0), "5/13/2004 23:59:58");
    EXPECT_EQ(t.text(7200, 0), "5/14/2004 00:00:00");
    EXPECT_EQ(t.text(50400, 0), "5/15/2004 00:00:00");
    EXPECT_EQ(t.text(kRecords - 1, 0), "5/16/2004 03:33:18");
    EXPECT_EQ(t.rowDay(kRecords - 1), dt::parse(u"5/16/2004 03:33:18"));
    EXPECT_EQ(t.cell(kRecords - 1, 1), Cell(39.5));
    EXPECT_EQ(t.cell(kRecords - 1, 2), Cell(-99999.0));

    // The any-length setting loads all at once, with no message.
    ui.messages.clear();
    ui.loadAll = false;
    wb.setLoadAllRecords(true);
    EXPECT_TRUE(wb.open(path));
    EXPECT_EQ(wb.rowCount(), kRecords);
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST(AnyLength, TheMetersCancelStopsTheReadAndKeepsWhatWasRead) {
    TempFiles files;
    const QString path = files.write("long.asc", longLog());
    ScriptedInteraction ui;
    clsDataSet ds;
    ds.setRecordLimit(kAnyLengthRecords);
    QStringList panel;
    PassReport report;
    ReaderContext ctx{
        ui, [&](const QString &t) { panel << t; }, [] { return std::make_unique<CancellingView>(3); }, {}, &report};
    EXPECT_FALSE(readFromFile(path, ds, ctx));
    EXPECT_TRUE(report.cancelled);
    EXPECT_FALSE(report.completed);
    // The meter updates every 10 %: Cancel is seen at the third update, 19.5 % in, before
    // that line is stored.
    EXPECT_EQ(report.lines, 19500);
    EXPECT_EQ(ds.rowcount(), report.lines - 2);
    EXPECT_EQ(panel, QStringList{"Failed@line:" + QString::number(report.lines)});
    EXPECT_TRUE(ui.messages.isEmpty());
}
