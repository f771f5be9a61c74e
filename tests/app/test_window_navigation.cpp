#include "window_fixture.h"
#include "app/calibrationdialog.h"
#include "app/calibrationprobepage.h"
#include "plot/ui/qcpgraph.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QApplication>
#include <QTest>
#include <cmath>

namespace {
class NavigationTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        w = std::make_unique<frmMain>(&ui, &dialog);
        open(*w, files.writeLines(QStringLiteral("nav.asc"), makeLog(LogRecipe())));
    }
    QString label(const char *name) { return w->findChild<QLabel *>(QLatin1String(name))->text(); }
    std::unique_ptr<frmMain> w;
};
}  // namespace

TEST_F(NavigationTest, EditsAndOptionClicksMarkTheComputationAsNeeded) {
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute"));
    QTest::keyClicks(w->txtPH2Offset, QStringLiteral("1"));
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute (needed)"));
    EXPECT_EQ(w->cmdCompute->palette().color(QPalette::Button), QColor(255, 0, 0));
    w->cmdCompute->click();
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute"));
    w->optPH2Thermistor[2]->click();
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute (needed)"));
    // The chosen thermistor now feeds probe 2: row 0 has 20, 21.5 and 22 degrees.
    const double before = w->dataSet().DATA().cell(0, colPH2).number();
    w->cmdCompute->click();
    EXPECT_NE(w->dataSet().DATA().cell(0, colPH2).number(), before);
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(NavigationTest, ArithmeticThatCannotBeDoneStopsWithAMessage) {
    w->txtPH1Slope->setText(QStringLiteral("0"));
    ui.messages.clear();
    w->cmdCompute_Click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("record 0 (5/13/2004 08:00:00)")))
        << ui.messages[0].text.toStdString();
    EXPECT_TRUE(ui.messages[0].text.contains(QStringLiteral("pH-1 slope is 0")));
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Brinewick"));
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute (needed)"));
    EXPECT_EQ(ui.busyDepth, 0);
    DataTable &t = w->dataSet().DATA();
    for (int r = 0; r < t.rowCount(); ++r) EXPECT_TRUE(std::isfinite(t.cell(r, colPH1).number()));

    w->txtPH1Slope->setText(QStringLiteral("abc"));
    ui.messages.clear();
    w->cmdCompute_Click();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("The pH-1 slope \"abc\" is not a number; nothing was computed."));
}

TEST_F(NavigationTest, ComputeBeforeAnyFileChangesNothing) {
    ScriptedInteraction fresh;
    frmMain empty(&fresh, &dialog);
    empty.cmdCompute_Click();
    EXPECT_TRUE(fresh.messages.isEmpty());
    EXPECT_FALSE(empty.dataSet().isInitialized());
    EXPECT_EQ(empty.cmdCompute->text(), QStringLiteral("Compute"));
    empty.showRecord(0);
    EXPECT_TRUE(empty.findChild<QLabel *>(QStringLiteral("lblNow"))->text().isEmpty());
}

TEST_F(NavigationTest, GridRowChangeOnTheTableTabUpdatesReadoutAndMarker) {
    w->SSTab1->setCurrentIndex(1);
    w->TDBGrid1->setCurrentIndex(w->TDBGrid1->model()->index(5, 2));
    EXPECT_EQ(label("lblNow"), QStringLiteral("5/13/2004 10:30:00"));
    EXPECT_EQ(label("lblTherm1"), QStringLiteral("20"));
    EXPECT_DOUBLE_EQ(w->graph().markerPosition(), w->dataSet().DATA().rowDay(5));
    w->showRecord(99);  // outside the table: nothing changes
    EXPECT_EQ(label("lblNow"), QStringLiteral("5/13/2004 10:30:00"));
}

TEST_F(NavigationTest, RecordStepperClampsAtBothEnds) {
    w->cmdStep[5]->click();
    EXPECT_EQ(w->TDBGrid1->currentRecord(), 19);
    w->cmdStep[4]->click();
    EXPECT_EQ(w->TDBGrid1->currentRecord(), 19);
    w->cmdStep[1]->click();
    EXPECT_EQ(w->TDBGrid1->currentRecord(), 9);
    EXPECT_EQ(label("lblNow"), QStringLiteral("5/13/2004 12:30:00"));
    w->cmdStep[2]->click();
    w->cmdStep[0]->click();
    EXPECT_EQ(w->TDBGrid1->currentRecord(), 0);
}

TEST_F(NavigationTest, RangeStepsWriteTheFieldsAndRebuildThePlot) {
    w->chkAutoscale->click();  // off: range controls usable
    EXPECT_TRUE(w->txtStart->isEnabled());
    EXPECT_TRUE(w->cmdXMin[3]->isVisible() || !w->isVisible());
    w->cmdXMin[3]->click();
    EXPECT_EQ(w->txtStart->text(), QStringLiteral("05/13/2004 08:30:00"));
    w->cmdXMax[1]->click();
    EXPECT_EQ(w->txtEnd->text(), QStringLiteral("05/13/2004 17:29:00"));
    EXPECT_DOUBLE_EQ(w->graph().xMin(), w->dataSet().DATA().rowDay(1));
    w->cmdYMax[1]->click();
    EXPECT_EQ(w->txtYMax->text(), QStringLiteral("9.1"));
    w->cmdYMin[2]->click();
    EXPECT_EQ(w->txtYMin->text(), QStringLiteral("5.0"));
    EXPECT_EQ(w->graph().yMaxText(), QStringLiteral("9.1"));

    // The handlers under their own names, as the buttons call them.
    w->cmdXMin_Click(3);
    w->cmdXMax_Click(1);
    w->cmdYMax_Click(0);
    w->cmdYMin_Click(2);
    EXPECT_EQ(QStringList({w->txtStart->text(), w->txtEnd->text(), w->txtYMax->text(), w->txtYMin->text()}),
              QStringList({"05/13/2004 09:00:00", "05/13/2004 17:28:00", "10.1", "4.0"}));
}

TEST_F(NavigationTest, ZoomDisablesRangeControlsUntilZoomOut) {
    w->chkAutoscale->click();  // autoscale off
    w->graph().onZoomIn();
    EXPECT_TRUE(w->isZoomed());
    EXPECT_FALSE(w->txtStart->isEnabled());
    w->chkAutoscale->click();  // on while zoomed
    w->chkAutoscale->click();  // off while zoomed: stays disabled
    EXPECT_FALSE(w->txtStart->isEnabled());
    w->statusPanel2->clear();
    w->cmdZoomOut->click();
    EXPECT_FALSE(w->isZoomed());
    EXPECT_TRUE(w->txtStart->isEnabled());
    EXPECT_EQ(w->statusPanel2->text(), QStringLiteral("Annotation is in view"));
}

TEST_F(NavigationTest, ClickingAPointShowsThatRecord) {
    w->graph().onPointChosen(12);
    EXPECT_EQ(label("lblNow"), QStringLiteral("5/13/2004 14:00:00"));
    EXPECT_EQ(w->TDBGrid1->currentRecord(), 12);
}

TEST_F(NavigationTest, NoSeriesTickedShowsTheLabelBehindTheGraph) {
    w->show();
    w->chkPlotPH1->click();
    w->chkPlotPH2->click();
    EXPECT_FALSE(w->Pesgo1->isVisible());
    EXPECT_TRUE(w->Label12->isVisible());
    w->chkPlotPH2->click();
    EXPECT_TRUE(w->Pesgo1->isVisible());
    EXPECT_EQ(w->graph().seriesLabel(0), QStringLiteral("pH-2"));
}

TEST_F(NavigationTest, FieldsCheckedOnLeavingInTheRealWindow) {
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    auto settle = [] {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    };
    w->txtPH1Slope->setFocus(Qt::TabFocusReason);
    settle();
    w->txtPH1Slope->setText(QStringLiteral("1.25"));
    w->cmdCompute_Click();  // computed again: not needed any more
    w->txtPH1Corr->setFocus(Qt::TabFocusReason);
    settle();
    EXPECT_EQ(w->txtPH1Slope->text(), QStringLiteral("1.2500"));
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute"));  // the same value, rewritten

    w->txtThermistorCorr[1]->setFocus(Qt::TabFocusReason);
    settle();
    w->txtThermistorCorr[1]->setText(QStringLiteral("0.5"));
    w->txtPH1Corr->setFocus(Qt::TabFocusReason);
    settle();
    EXPECT_EQ(w->txtThermistorCorr[1]->text(), QStringLiteral("0.500"));
    EXPECT_EQ(label("lblT2Corrected"), QStringLiteral("22.00"));  // 21.5 + 0.5 at once

    w->chkAutoscale->click();
    w->txtYMin->setFocus(Qt::TabFocusReason);
    settle();
    w->txtYMin->setText(QStringLiteral("6"));
    w->txtPH1Corr->setFocus(Qt::TabFocusReason);
    settle();
    EXPECT_EQ(w->txtYMin->text(), QStringLiteral("6.00"));
    EXPECT_EQ(w->graph().yMinText(), QStringLiteral("6.00"));
}

TEST_F(NavigationTest, BufferCalibrationFillsTheFieldsOfItsProbeOnly) {
    frmMain fresh(&ui, &dialog);
    EXPECT_FALSE(fresh.mnuCalibrate->isEnabled());  // nothing to calibrate from yet
    ASSERT_TRUE(w->mnuCalibrate->isEnabled());
    const QString probe1Slope = w->txtPH1Slope->text();
    w->mnuCalibrate_Click();
    auto *dlg = w->findChild<CalibrationDialog *>(QStringLiteral("frmCalibrate"));
    ASSERT_NE(dlg, nullptr);
    emit dlg->applied(1, 1.00071, 0.00123);
    EXPECT_EQ(w->txtPH1Slope->text(), probe1Slope);
    EXPECT_EQ(w->txtPH2Slope->text(), QStringLiteral("1.0007"));
    EXPECT_EQ(w->txtPH2Offset->text(), QStringLiteral("0.0012"));
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute (needed)"));
    w->mnuCalibrate_Click();  // the same dialog comes back, not a second one
    EXPECT_EQ(w->findChildren<CalibrationDialog *>().size(), 1);
}

TEST_F(NavigationTest, ASpanPickedOnThePlotGoesToTheCalibration) {
    // Records are half an hour apart from 08:00; the drag takes in records 2 to 5.
    const double day = w->dataSet().DATA().rowDay(0);
    w->graph().onSpanPicked(day + 0.9 / 24, day + 2.6 / 24);
    auto *dlg = w->findChild<CalibrationDialog *>(QStringLiteral("frmCalibrate"));
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(dlg->isVisible());
    // The point being worked on of the page shown holds the rows.
    QStringList spans;
    for (auto *from : dlg->page(0)->findChildren<QLineEdit *>(QStringLiteral("txtFrom")))
        spans << from->text() + u'-' + from->parentWidget()->findChild<QLineEdit *>(QStringLiteral("txtTo"))->text();
    EXPECT_TRUE(spans.contains(QStringLiteral("2-5"))) << spans.join(u' ').toStdString();
    ui.beeps = 0;
    w->graph().onSpanPicked(day - 1.0, day - 0.5);  // before the first record
    EXPECT_EQ(ui.beeps, 1);
}
