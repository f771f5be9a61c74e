// Tooltips and keys: a person who does not know the terse captions, or prefers the keyboard.
#include "window_fixture.h"
#include "plot/ui/qcpgraph.h"
#include "workbench/workbench.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <qcustomplot.h>

namespace {
class KeysTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        w = shownWindow();
        open(*w, files.writeLines(QStringLiteral("keys.asc"), makeLog(LogRecipe())));
    }
    int key(QWidget *target, Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(target, k, m);
        return w->workbench().currentRecord();
    }
    std::unique_ptr<frmMain> w;
};
}  // namespace

TEST_F(KeysTest, EveryButtonSaysWhatItDoes) {
    for (QPushButton *b : w->findChildren<QPushButton *>())
        EXPECT_FALSE(b->toolTip().isEmpty()) << b->objectName().toStdString() << ' ' << b->text().toStdString();
    const char *const y[4] = {"+1.0", "+0.1", "-1.0", "-0.1"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(w->cmdYMax[i]->toolTip(), QLatin1String(y[i]));
        EXPECT_EQ(w->cmdYMin[i]->toolTip(), QLatin1String(y[i]));
    }
    for (std::size_t i : {1u, 4u}) {
        EXPECT_TRUE(w->cmdStep[i]->toolTip().startsWith(QStringLiteral("10 records")));
        EXPECT_TRUE(w->cmdXMin[i]->toolTip().startsWith(QStringLiteral("1 minute")));
        EXPECT_TRUE(w->cmdXMax[i]->toolTip().startsWith(QStringLiteral("1 minute")));
    }
    EXPECT_EQ(w->cmdXMax[0]->toolTip(), QStringLiteral("End at the first record"));
}

TEST_F(KeysTest, TheGraphTabStepsThroughTheRecords) {
    w->chkPlotPH1->setFocus();
    EXPECT_EQ(key(w->chkPlotPH1, Qt::Key_Right), 1);
    EXPECT_EQ(w->lblNow->text(), QStringLiteral("5/13/2004 08:30:00"));
    EXPECT_EQ(key(w->chkPlotPH1, Qt::Key_PageDown), 11);
    EXPECT_EQ(key(w->chkPlotPH1, Qt::Key_Left), 10);
    EXPECT_EQ(key(w->chkPlotPH1, Qt::Key_PageUp), 0);
    EXPECT_EQ(key(w->chkPlotPH1, Qt::Key_End), 19);
    EXPECT_EQ(key(w->chkPlotPH1, Qt::Key_Right), 19);
    EXPECT_EQ(key(w->chkPlotPH1, Qt::Key_Home), 0);

    // An entry field keeps its editing keys; Page Down still steps.
    w->txtPH1Slope->setFocus();
    w->txtPH1Slope->setCursorPosition(2);
    EXPECT_EQ(key(w->txtPH1Slope, Qt::Key_Right), 0);
    EXPECT_EQ(w->txtPH1Slope->cursorPosition(), 3);
    EXPECT_EQ(key(w->txtPH1Slope, Qt::Key_End), 0);
    EXPECT_EQ(key(w->txtPH1Slope, Qt::Key_PageDown), 10);

    w->graph().plot()->xAxis->scaleRange(0.5);  // as the mouse wheel zooms
    ASSERT_TRUE(w->isZoomed());
    QTest::keyClick(w->chkPlotPH1, Qt::Key_Escape);
    EXPECT_FALSE(w->isZoomed());
}

TEST_F(KeysTest, CommandKeys) {
    QTest::keyClick(w.get(), Qt::Key_E, Qt::ControlModifier);
    QTest::keyClick(w.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(dialog.calls.size(), 3);  // the Open, then the two save dialogs (cancelled)
    EXPECT_EQ(dialog.calls[1].title, QStringLiteral("Export Table"));
    EXPECT_EQ(dialog.calls[2].title, QStringLiteral("Save Plot"));

    QTest::keyClicks(w->txtPH2Offset, QStringLiteral("1"));
    ASSERT_EQ(w->cmdCompute->text(), QStringLiteral("Compute (needed)"));
    QTest::keyClick(w->txtPH2Offset, Qt::Key_F5);
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute"));
}
