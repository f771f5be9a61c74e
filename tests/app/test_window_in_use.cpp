// The window as a person uses it: what the fields, the Graph tab and the plot look like.
#include "window_fixture.h"
#include "plot/decimalday.h"
#include "plot/ui/qcpgraph.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <qcustomplot.h>

namespace {
class InUseTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        w = std::make_unique<frmMain>(&ui, &dialog);
        w->resize(1100, 720);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }
    QString log(const LogRecipe &recipe = LogRecipe()) {
        return files.writeLines(QStringLiteral("run7.log"), makeLog(recipe));
    }
    QRect placeOf(QWidget *c) const { return QRect(c->mapTo(w.get(), QPoint(0, 0)), c->size()); }
    QCustomPlot *plot() { return w->graph().plot(); }
    // The field's background as drawn, away from its text and frame.
    static QColor drawnBackground(QLineEdit *e) {
        const QImage img = e->grab().toImage();
        return img.pixelColor(img.width() - 6, img.height() / 2);
    }
    std::unique_ptr<frmMain> w;
};

double keyOf(const QString &dateTime) { return QcpGraph::dayToKey(dt2decimalday(dateTime)); }
}  // namespace

TEST_F(InUseTest, ARangeFieldThatHadTheFocusLooksDisabledLikeTheOthers) {
    w->chkAutoscale->click();  // off: the range fields are enabled
    w->txtYMax->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(w->txtYMax->palette().color(QPalette::Base), QColor(255, 224, 192));
    w->txtStart->setFocus(Qt::TabFocusReason);
    w->txtYMin->setFocus(Qt::TabFocusReason);
    w->chkAutoscale->setFocus(Qt::TabFocusReason);
    w->chkAutoscale->click();  // on: all four disabled
    for (QLineEdit *e : {w->txtYMax, w->txtYMin, w->txtStart, w->txtEnd}) {
        ASSERT_FALSE(e->isEnabled());
        EXPECT_EQ(drawnBackground(e), drawnBackground(w->txtEnd)) << e->objectName().toStdString();
        EXPECT_NE(drawnBackground(e), QColor(Qt::white)) << e->objectName().toStdString();
    }
    w->chkAutoscale->click();  // enabled again: white, as a field not in use
    EXPECT_EQ(drawnBackground(w->txtYMax), QColor(Qt::white));
}

TEST_F(InUseTest, UntickingBothSeriesPutsTheLabelInTheGraphsPlace) {
    QWidget *still[] = {w->Frame3, w->cmdStep[0], w->cmdStep[5], w->frameXMin, w->frameXMax, w->frameYMax};
    QList<QRect> before;
    for (QWidget *c : still) before << placeOf(c);
    open(*w, log());  // the readout's and the kept values' texts move nothing either
    QTest::qWait(20);
    for (int i = 0; i < before.size(); ++i)
        EXPECT_EQ(placeOf(still[i]), before[i]) << "open " << still[i]->objectName().toStdString();
    const QRect graphPlace = placeOf(w->Pesgo1);

    w->chkPlotPH1->click();
    w->chkPlotPH2->click();
    QTest::qWait(20);
    EXPECT_FALSE(w->Pesgo1->isVisible());
    EXPECT_TRUE(w->Label12->isVisible());
    EXPECT_EQ(placeOf(w->Label12), graphPlace);
    for (int i = 0; i < before.size(); ++i)
        EXPECT_EQ(placeOf(still[i]), before[i]) << still[i]->objectName().toStdString();
}

TEST_F(InUseTest, BeforeAnyFileTheAxesShowWhatTheFieldsSay) {
    // Autoscale on: one empty day, not the library's five seconds of 1970.
    QCPRange x = plot()->xAxis->range();
    EXPECT_DOUBLE_EQ(x.size(), 86400.0);
    EXPECT_GT(x.lower, keyOf(QStringLiteral("1/1/2020 00:00:00")));

    w->chkAutoscale->click();
    x = plot()->xAxis->range();
    EXPECT_DOUBLE_EQ(x.lower, keyOf(QStringLiteral("1/1/1988 00:00:00")));
    EXPECT_DOUBLE_EQ(x.upper, keyOf(QStringLiteral("1/1/1999 00:00:00")));
    EXPECT_DOUBLE_EQ(plot()->yAxis->range().lower, 6.0);
    EXPECT_DOUBLE_EQ(plot()->yAxis->range().upper, 9.0);
    w->cmdYMax[0]->click();  // 10.0
    w->txtEnd->setText(QStringLiteral("1/1/2000 00:00:00"));
    EXPECT_DOUBLE_EQ(plot()->yAxis->range().upper, 10.0);
    EXPECT_DOUBLE_EQ(plot()->xAxis->range().upper, keyOf(QStringLiteral("1/1/2000 00:00:00")));
}

TEST_F(InUseTest, AnOpenSelectsTheTextOfTheFocusedField) {
    w->txtPH1Slope->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(w->txtPH1Slope, QStringLiteral("1.5"));
    open(*w, log());
    ASSERT_TRUE(w->txtPH1Slope->hasFocus());
    EXPECT_EQ(w->txtPH1Slope->text(), QStringLiteral("58.2"));
    EXPECT_EQ(w->txtPH1Slope->selectedText(), QStringLiteral("58.2"));
    QTest::keyClicks(w->txtPH1Slope, QStringLiteral("2"));
    EXPECT_EQ(w->txtPH1Slope->text(), QStringLiteral("2"));
}

TEST_F(InUseTest, TheMarkerShowsAtTheFirstAndLastRecordAndTheLegendHidesNoData) {
    open(*w, log());
    QApplication::processEvents();
    const QRect area = plot()->axisRect()->rect();
    auto markerPixel = [&] { return plot()->xAxis->coordToPixel(QcpGraph::dayToKey(w->graph().markerPosition())); };
    EXPECT_GT(markerPixel(), area.left() + 2);  // record 0, just after the Open
    w->cmdStep_Click(5);
    EXPECT_LT(markerPixel(), area.right() - 2);

    ASSERT_GE(plot()->graphCount(), 2);
    EXPECT_TRUE(plot()->legend->visible());
    EXPECT_FALSE(plot()->legend->outerRect().intersects(area));
    int lines = 0;  // the flag marks are a graph of their own, without a line
    for (int i = 0; i < plot()->graphCount(); ++i) {
        if (plot()->graph(i)->lineStyle() == QCPGraph::lsNone) continue;
        EXPECT_DOUBLE_EQ(plot()->graph(i)->pen().widthF(), 2.0);
        ++lines;
    }
    EXPECT_GE(lines, 2);
}
