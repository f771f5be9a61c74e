// File > Follow: records appended to the open log reach the grid, the plot and the readout
// without the person doing anything.
#include "app/startup.h"
#include "plot/ui/qcpgraph.h"
#include "window_fixture.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <qcustomplot.h>

namespace {

// Records as makeLog writes them, from `first` on, half an hour apart from 08:00.
QByteArray moreRecords(int first, int count) {
    LogRecipe r;
    r.records = first + count;
    const QStringList lines = makeLog(r);
    return (lines.mid(lines.size() - count).join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
}

void append(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(bytes);
}

class FollowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        LogRecipe r;
        r.records = 5;
        path = files.writeLines(QStringLiteral("live.asc"), makeLog(r), "\r\n");
        w = std::make_unique<frmMain>(&ui, &dialog);
        w->resize(900, 700);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }
    QCPRange xRange() const { return w->graph().plot()->xAxis->range(); }
    QString path;
    std::unique_ptr<frmMain> w;
};

}  // namespace

TEST_F(FollowTest, AppendedRecordsReachGridPlotAndReadout) {
    EXPECT_FALSE(w->mnuFollow->isEnabled());
    EXPECT_EQ(w->mnuFollow->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
    open(*w, path);
    ASSERT_TRUE(w->mnuFollow->isEnabled());
    w->workbench().setRotationGraceMs(0);  // deleted below, not rotated
    w->showRecord(4);                      // the last record: the readout follows the newest one
    w->mnuFollow->trigger();
    ASSERT_TRUE(w->mnuFollow->isChecked());
    ASSERT_TRUE(w->workbench().following());
    const double upperBefore = xRange().upper;

    append(path, moreRecords(5, 2));
    w->pollNow();
    EXPECT_EQ(w->TDBGrid1->model()->rowCount(), 7);
    EXPECT_EQ(w->graph().pointCount(), 7);
    EXPECT_EQ(w->graph().plot()->graph(0)->dataCount(), 7);
    EXPECT_GT(xRange().upper, upperBefore);  // autoscale takes in the new records
    EXPECT_EQ(w->TDBGrid1->currentRecord(), 6);
    EXPECT_EQ(w->lblNow->text(), QStringLiteral("5/13/2004 11:00:00"));
    EXPECT_FALSE(w->lblPH1->text().contains(QStringLiteral("not computed")));
    EXPECT_EQ(w->graph().markerPosition(), w->workbench().table().rowDay(6));
    EXPECT_EQ(w->txtEnd->text(), QStringLiteral("5/13/2004 11:00:00"));
    EXPECT_EQ(w->statusFollow->text(), QStringLiteral("Following: 7 records, last at 11:00:00"));
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute"));

    // A slope line starts a segment, its record computed with it: the fields keep showing the
    // current record's segment, and a record away from the end stays current.
    w->showRecord(2);
    append(path, "\"Probe 1 Slope:\",57.5\r\n" + moreRecords(7, 1));
    w->pollNow();
    EXPECT_EQ(w->txtPH1Slope->text(), QStringLiteral("58.2"));
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute"));
    EXPECT_EQ(w->TDBGrid1->currentRecord(), 2);
    auto *segment = w->findChild<QLabel *>(QStringLiteral("lblSegment"));
    ASSERT_TRUE(segment);
    EXPECT_TRUE(segment->isVisible());
    EXPECT_EQ(segment->text(), QStringLiteral("Segment 1 of 2: from 5/13/2004 08:00:00, live.asc"));
    w->showRecord(7);
    EXPECT_EQ(w->txtPH1Slope->text(), QStringLiteral("57.5"));
    w->showRecord(2);
    EXPECT_EQ(w->graph().pointCount(), 8);

    // Typed limits: the view stays where the person put it.
    w->chkAutoscale->click();
    const QCPRange typed = xRange();
    append(path, moreRecords(8, 1));
    w->pollNow();
    EXPECT_EQ(w->graph().pointCount(), 9);
    EXPECT_EQ(xRange().lower, typed.lower);
    EXPECT_EQ(xRange().upper, typed.upper);
    EXPECT_TRUE(ui.messages.isEmpty());

    // Deleted: following stops with a message; the records stay.
    QFile::remove(path);
    w->pollNow();
    EXPECT_FALSE(w->mnuFollow->isChecked());
    EXPECT_FALSE(w->workbench().following());
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].text.startsWith(QStringLiteral("The log is no longer there: ")));
    EXPECT_EQ(w->TDBGrid1->model()->rowCount(), 9);
}

TEST_F(FollowTest, StartsFromTheCommandLineAndStopsWhenUnticked) {
    openFromArguments(*w, {QStringLiteral("brinewick"), path, QStringLiteral("--follow")});
    ASSERT_TRUE(w->mnuFollow->isChecked());
    EXPECT_TRUE(w->statusFollow->text().startsWith(QStringLiteral("Following: 5 records")));

    // Cut short: read again, with a status message, nothing twice.
    LogRecipe r;
    r.records = 3;
    files.writeLines(QStringLiteral("live.asc"), makeLog(r), "\r\n");
    w->pollNow();
    EXPECT_EQ(w->TDBGrid1->model()->rowCount(), 3);
    EXPECT_EQ(w->graph().pointCount(), 3);
    EXPECT_FALSE(w->StatusBar1->currentMessage().isEmpty());

    w->mnuFollow->trigger();
    EXPECT_FALSE(w->workbench().following());
    append(path, moreRecords(3, 1));
    w->pollNow();
    EXPECT_EQ(w->TDBGrid1->model()->rowCount(), 3);

    // Opening a file stops following.
    w->mnuFollow->trigger();
    ASSERT_TRUE(w->workbench().following());
    EXPECT_EQ(w->TDBGrid1->model()->rowCount(), 4);  // what came while it was not followed
    open(*w, path);
    EXPECT_FALSE(w->mnuFollow->isChecked());
    EXPECT_FALSE(w->workbench().following());
}

TEST_F(FollowTest, AStoppedReadFromTheStartShowsItsRowsNotComputed) {
    open(*w, path);
    w->cmdCompute->click();
    w->mnuFollow->trigger();
    ASSERT_TRUE(w->workbench().following());

    // Written anew, with a bad start date after three records; No to going on.
    LogRecipe r;
    r.records = 8;
    QStringList lines = makeLog(r);
    lines.insert(lines.size() - 5, QStringLiteral("\"Start Date:\",#2004-13-45#"));
    files.writeLines(QStringLiteral("live.asc"), lines, "\r\n");
    ui.answers.push_back(MsgAnswer::No);
    w->pollNow();
    EXPECT_FALSE(w->mnuFollow->isChecked());
    EXPECT_EQ(w->TDBGrid1->model()->rowCount(), 3);
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute (needed)"));
    w->showRecord(2);
    EXPECT_TRUE(w->lblPH1->text().contains(QStringLiteral("not computed")));
}

TEST_F(FollowTest, AFollowedFolderPicksUpANewLog) {
    LogRecipe r;
    r.records = 3;
    r.startDate = QStringLiteral("#2004-5-14#");
    const QString day2 = files.writeLines(QStringLiteral("live2.asc"), makeLog(r), "\r\n");
    w->openPaths({}, QFileInfo(path).absolutePath());
    ASSERT_EQ(w->TDBGrid1->model()->rowCount(), 8);
    ASSERT_TRUE(w->mnuFollow->isEnabled());
    w->mnuFollow->trigger();
    ASSERT_TRUE(w->workbench().following());

    append(day2, moreRecords(3, 1));
    w->pollNow();
    EXPECT_EQ(w->TDBGrid1->model()->rowCount(), 9);
    EXPECT_EQ(w->graph().pointCount(), 9);

    r.startDate = QStringLiteral("#2004-5-15#");
    r.records = 2;
    files.writeLines(QStringLiteral("live3.asc"), makeLog(r), "\r\n");
    w->pollNow();
    EXPECT_EQ(w->StatusBar1->currentMessage(), QStringLiteral("live3.asc joined the deployment."));
    EXPECT_EQ(w->TDBGrid1->model()->rowCount(), 11);
    EXPECT_EQ(w->graph().pointCount(), 11);
    EXPECT_TRUE(w->windowTitle().startsWith(QStringLiteral("live.asc and 2 more logs")));
    EXPECT_TRUE(w->statusFollow->text().startsWith(QStringLiteral("Following: 11 records")));
    EXPECT_EQ(w->workbench().logNameOfRow(10), QStringLiteral("live3.asc"));
    EXPECT_TRUE(w->mnuFollow->isChecked());
    EXPECT_TRUE(ui.messages.isEmpty());
}
