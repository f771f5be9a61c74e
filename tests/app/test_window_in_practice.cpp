// The window as a technician works in it: keys wherever the focus sits, range fields while
// typing, what an open tells, the calibration dialog's place and the recent files' names.
#include "window_fixture.h"
#include "app/recentfiles.h"
#include "plot/ui/qcpgraph.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <qcustomplot.h>

namespace {
class PracticeTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        w = shownWindow();
    }
    QString log(const QString &name = QStringLiteral("run7.asc")) {
        return files.writeLines(name, makeLog(LogRecipe()));
    }
    QCustomPlot *plot() { return w->graph().plot(); }
    std::unique_ptr<frmMain> w;
};
}  // namespace

TEST_F(PracticeTest, GraphKeysWorkFromTheTabBarAndAStepButton) {
    open(*w, log());
    QTabBar *tabs = w->SSTab1->tabBar();
    tabs->setFocus();
    QTest::keyClick(tabs, Qt::Key_Right);
    EXPECT_EQ(w->SSTab1->currentIndex(), 0);  // the tab stays
    EXPECT_EQ(w->workbench().currentRecord(), 1);
    QTest::keyClick(tabs, Qt::Key_End);
    EXPECT_EQ(w->workbench().currentRecord(), 19);
    const int beeps = ui.beeps;
    QTest::keyClick(tabs, Qt::Key_Right, Qt::ControlModifier);  // no flagged record after the last
    EXPECT_EQ(ui.beeps, beeps + 1);
    EXPECT_EQ(w->SSTab1->currentIndex(), 0);

    QTest::mouseClick(w->cmdStep[0], Qt::LeftButton);
    w->cmdStep[0]->setFocus();
    QTest::keyClick(w->cmdStep[0], Qt::Key_Right);
    EXPECT_EQ(w->workbench().currentRecord(), 1);

    plot()->xAxis->scaleRange(0.5);
    ASSERT_TRUE(w->isZoomed());
    QTest::keyClick(tabs, Qt::Key_Escape);
    EXPECT_FALSE(w->isZoomed());

    // The Table tab's grid has the arrow keys to itself.
    w->SSTab1->setCurrentIndex(1);
    w->TDBGrid1->setFocus();
    QTest::keyClick(w->TDBGrid1, Qt::Key_End);
    EXPECT_EQ(w->SSTab1->currentIndex(), 1);
    EXPECT_EQ(w->workbench().currentRecord(), 1);
}

TEST_F(PracticeTest, RangeFieldsKeepTheLastValidRangeWhileTypedOrOutOfOrder) {
    open(*w, log());
    QTest::mouseClick(w->chkAutoscale, Qt::LeftButton);
    ASSERT_FALSE(w->chkAutoscale->isChecked());
    const QString start = w->txtStart->text();
    const QCPRange x = plot()->xAxis->range(), y = plot()->yAxis->range();

    for (const char *typed : {"8/1/20", "abc", "8/1/200"}) {
        w->txtStart->setText(QLatin1String(typed));
        EXPECT_EQ(plot()->xAxis->range(), x) << typed;
        EXPECT_EQ(w->workbench().plotInputs().start, start) << typed;
        EXPECT_TRUE(w->txtStart->toolTip().isEmpty()) << typed;  // its message comes on leaving
    }
    w->txtStart->setText(start);

    w->txtEnd->setText(QStringLiteral("5/13/2004 07:00:00"));  // before Start
    EXPECT_EQ(plot()->xAxis->range(), x);
    EXPECT_EQ(w->txtEnd->toolTip(), QStringLiteral("End must be later than Start"));
    EXPECT_EQ(w->txtEnd->palette().color(QPalette::Base), QColor(255, 192, 192));
    EXPECT_TRUE(w->txtStart->toolTip().isEmpty());
    w->txtStart->setText(QStringLiteral("5/14/2004 00:00:00"));  // Start moved past it instead
    EXPECT_EQ(w->txtStart->toolTip(), QStringLiteral("Start must be earlier than End"));
    EXPECT_TRUE(w->txtEnd->toolTip().isEmpty());
    w->txtEnd->setText(QStringLiteral("5/15/2004 00:00:00"));
    EXPECT_TRUE(w->txtStart->toolTip().isEmpty());
    EXPECT_EQ(w->txtStart->palette().color(QPalette::Base), QColor(Qt::white));
    w->txtStart->setText(start);

    w->txtYMin->setText(QStringLiteral("9.5"));  // above Max
    EXPECT_EQ(plot()->yAxis->range(), y);
    EXPECT_EQ(w->txtYMin->toolTip(), QStringLiteral("Min must be below Max"));
    w->txtYMax->setText(QStringLiteral("12"));
    EXPECT_TRUE(w->txtYMin->toolTip().isEmpty());
    EXPECT_DOUBLE_EQ(plot()->yAxis->range().lower, 9.5);
    w->txtEnd->setText(QStringLiteral("5/13/2004 12:00:00"));
    EXPECT_NE(plot()->xAxis->range(), x);
    EXPECT_EQ(w->workbench().plotInputs().end, QStringLiteral("5/13/2004 12:00:00"));
}

TEST_F(PracticeTest, LeavingACalibrationFieldUnchangedNeedsNoCompute) {
    open(*w, log());
    ASSERT_EQ(w->cmdCompute->text(), QStringLiteral("Compute"));
    w->txtPH1Slope->setText(QStringLiteral("0.985"));
    w->cmdCompute_Click();
    w->txtPH1Slope->setFocus();
    QTest::keyClick(w->txtPH1Slope, Qt::Key_Tab);
    EXPECT_EQ(w->txtPH1Slope->text(), QStringLiteral("0.9850"));
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute"));
    w->txtPH1Slope->setText(QStringLiteral("0.986"));
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute (needed)"));
}

TEST_F(PracticeTest, ThermistorChoicesKeptFromThePreviousFileAreNamed) {
    open(*w, log(QStringLiteral("a.asc")));
    EXPECT_TRUE(w->findChild<QLabel *>(QStringLiteral("lblKept"))->text().isEmpty());
    w->optPH2Thermistor[2]->click();
    w->txtThermistorCorr[0]->setText(QStringLiteral("0.50"));
    open(*w, log(QStringLiteral("b.asc")));
    EXPECT_EQ(w->findChild<QLabel *>(QStringLiteral("lblKept"))->text(),
              QStringLiteral("Kept from the previous file: pH-2 thermistor T3, T1 corr 0.50"));
}

TEST_F(PracticeTest, AnEmptyOrBinaryFileSaysItHasNoRecords) {
    static const char raw[] = "\x7f"
                              "ELF\x02\x01\x01\0\0\0\xff\xfe\r\n\x01\x02\x03";
    const QByteArray binary(raw, sizeof raw - 1);
    for (const QByteArray &bytes : {QByteArray(), binary}) {
        ui.messages.clear();
        open(*w, files.write(QStringLiteral("nothing.asc"), bytes));
        EXPECT_EQ(w->statusPanel2->text(), QStringLiteral("No records in this file"));
        EXPECT_TRUE(ui.messages.isEmpty());
    }
    open(*w, log());
    EXPECT_NE(w->statusPanel2->text(), QStringLiteral("No records in this file"));
}

TEST_F(PracticeTest, TheCalibrationDialogOpensBesideTheWindowAndTakesTheSpanRectangleAway) {
    w->resize(500, 400);
    w->move(0, 0);
    open(*w, log());
    w->mnuCalibrate->trigger();
    auto *dlg = w->findChild<QDialog *>(QStringLiteral("frmCalibrate"));
    ASSERT_NE(dlg, nullptr);
    // Beside the window where the screen has room, else at the screen's edge over the side controls.
    const QRect screen = w->screen()->availableGeometry(), main = w->frameGeometry();
    if (screen.right() - main.right() >= dlg->frameGeometry().width())
        EXPECT_FALSE(dlg->frameGeometry().intersects(main));
    else
        EXPECT_NEAR(dlg->frameGeometry().right(), screen.right(), 8);
    EXPECT_GE(dlg->width(), dlg->sizeHint().width());
    dlg->move(dlg->x() + 7, dlg->y() + 5);
    const QRect placed = dlg->geometry();
    dlg->close();

    // A Shift-drag over the plot picks the span; nothing of its rectangle stays drawn.
    QWidget *area = w->Pesgo1;
    const QRect r = plot()->axisRect()->rect();
    const QPoint from = r.center() - QPoint(r.width() / 4, 0), to = r.center() + QPoint(r.width() / 4, r.height() / 4);
    QTest::mousePress(area, Qt::LeftButton, Qt::ShiftModifier, from);
    QTest::mouseMove(area, to);
    QTest::mouseRelease(area, Qt::LeftButton, Qt::ShiftModifier, to);
    QTest::qWait(50);
    const QImage drawn = area->grab().toImage();
    const QPoint inside = (from + to) / 2 + QPoint(0, r.height() / 8);
    EXPECT_EQ(drawn.pixelColor(inside * drawn.devicePixelRatio()), QColor(Qt::black));

    // A new window puts it back where it was left.
    ASSERT_TRUE(dlg->isVisible());  // the span brought it back
    dlg->close();
    w.reset();
    frmMain again(&ui, &dialog);
    open(again, log());
    again.mnuCalibrate->trigger();
    const QRect back = again.findChild<QDialog *>(QStringLiteral("frmCalibrate"))->geometry();
    EXPECT_EQ(back.x(), placed.x());
    EXPECT_EQ(back.size(), placed.size());
}

TEST(RecentFileNames, TwoEntriesOfOneNameShowTheFoldersThatTellThemApart) {
    EXPECT_EQ(RecentFiles::menuNames({"/data/site-a/day1/run7.log", "/data/site-b/day1/run7.log", "/data/x.log",
                                      "/data/site-a/day2/run7.log"}),
              QStringList({QString::fromUtf8("run7.log (\u2026/site-a/day1)"),
                           QString::fromUtf8("run7.log (\u2026/site-b/day1)"), "x.log",
                           QString::fromUtf8("run7.log (\u2026/day2)")}));
}
