// The plot's commands in the window: Go to Time, the Series menu, the help page, the zoom step
// back and the export of the visible range.
#include "window_fixture.h"
#include "app/plotcommands.h"
#include "model/datetime.h"
#include "plot/plotbuilder.h"
#include "plot/ui/qcpgraph.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QApplication>
#include <QWheelEvent>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QTextBrowser>
#include <qcustomplot.h>

namespace {
class PlotCommandsTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        w = shownWindow();
        open(*w, files.writeLines(QStringLiteral("plot.asc"), makeLog(LogRecipe())));
    }
    static double day(int h, int m) { return dt::fromParts({2004, 5, 13, h, m, 0}); }
    void zoomTo(double from, double to) {
        w->graph().plot()->xAxis->setRange(QcpGraph::dayToKey(from), QcpGraph::dayToKey(to));
    }
    std::unique_ptr<frmMain> w;
};
}  // namespace

TEST_F(PlotCommandsTest, GoToTimeMakesTheNearestRecordCurrent) {
    PlotCommands &c = w->plotCommands();
    ASSERT_TRUE(c.goToTime(QStringLiteral("5/13/2004 9:10")));  // records every 30 minutes from 8:00
    EXPECT_EQ(w->workbench().currentRecord(), 2);
    EXPECT_EQ(w->TDBGrid1->currentRecord(), 2);
    EXPECT_DOUBLE_EQ(w->graph().markerPosition(), day(9, 0));
    ASSERT_TRUE(c.goToTime(QStringLiteral("13:50")));  // a time alone: on the log's date
    EXPECT_EQ(w->workbench().currentRecord(), 12);
    ASSERT_TRUE(c.goToTime(QStringLiteral("6/1/2004")));  // after the last record
    EXPECT_EQ(w->workbench().currentRecord(), 19);

    ui.messages.clear();
    EXPECT_FALSE(c.goToTime(QStringLiteral("8/1/20x")));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(
        ui.messages[0].text,
        QStringLiteral("\"8/1/20x\" is not a date and time. Type it as M/d/yyyy hh:mm:ss, e.g. 5/13/2004 08:30:00."));
    EXPECT_EQ(w->workbench().currentRecord(), 19);
    EXPECT_EQ(w->findChild<QAction *>(QStringLiteral("mnuGoToTime"))->shortcut(),
              QKeySequence(QStringLiteral("Ctrl+G")));
}

TEST_F(PlotCommandsTest, SeriesMenuAddsColumnsOnAxesOfTheirOwn) {
    PlotCommands &c = w->plotCommands();
    QcpGraph &g = w->graph();
    w->txtThermistorCorr[0]->setText(QStringLiteral("0.5"));
    w->cmdCompute_Click();
    c.seriesAction(colTotalVolume)->trigger();
    c.seriesAction(tCorrectedField(0))->trigger();
    ASSERT_EQ(g.seriesCount(), 4);  // pH-1, pH-2, then the menu's in its order
    EXPECT_EQ(g.seriesLabel(2), QStringLiteral("Therm 1 corrected"));
    EXPECT_EQ(g.seriesLabel(3), QStringLiteral("Total Vol"));
    EXPECT_TRUE(g.seriesOwnAxis(2) && g.seriesOwnAxis(3));
    EXPECT_FLOAT_EQ(g.yData(2, 1), 21.5f);  // Therm 1 of record 1 is 21, corrected by 0.5
    EXPECT_FLOAT_EQ(g.yData(3, 19), 9.5f);
    // Each axis fits its own series; the pH axis stays on pH.
    QCPRange vol;
    for (QCPAxis *a : g.plot()->axisRect()->axes(QCPAxis::atRight))
        if (a->label() == QStringLiteral("Total Vol")) vol = a->range();
    EXPECT_TRUE(vol.contains(0.0) && vol.contains(9.5) && vol.size() < 12) << vol.lower << ' ' << vol.upper;
    EXPECT_LT(g.plot()->yAxis->range().upper, 9.0);
    EXPECT_EQ(g.plot()->axisRect()->axes(QCPAxis::atRight).size(), 4);  // y2, the flag axis, two own

    c.seriesAction(colTotalVolume)->trigger();
    EXPECT_EQ(g.seriesCount(), 3);
    EXPECT_EQ(g.plot()->axisRect()->axes(QCPAxis::atRight).size(), 3);
    g.setSeriesCount(1);  // series that go together take their axes along
    EXPECT_EQ(g.plot()->axisRect()->axes(QCPAxis::atRight).size(), 2);
}

TEST_F(PlotCommandsTest, HelpPageAndZoomStepBack) {
    QAction *help = w->findChild<QAction *>(QStringLiteral("mnuHelp"));
    ASSERT_TRUE(help);
    EXPECT_EQ(help->shortcut(), QKeySequence(Qt::Key_F1));
    help->trigger();
    auto *page = w->findChild<QTextBrowser *>(QStringLiteral("txtHelp"));
    ASSERT_TRUE(page && page->isVisible());
    const QString text = page->toPlainText();
    for (const char *s : {"Missing value", "rises as pH rises", "Backspace", "Visible range only", "*.asc"})
        EXPECT_TRUE(text.contains(QLatin1String(s))) << s;

    // Two wheel steps, then Backspace on the Graph tab goes back through them.
    QCustomPlot *p = w->graph().plot();
    auto wheel = [p] {
        const QPointF c = p->axisRect()->center();
        QWheelEvent e(c, p->mapToGlobal(c), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
        QApplication::sendEvent(p, &e);
    };
    p->setFocus();
    wheel();
    const QCPRange first = p->xAxis->range();
    wheel();
    EXPECT_TRUE(w->isZoomed());
    EXPECT_LT(p->xAxis->range().size(), first.size());
    QTest::keyClick(p, Qt::Key_Backspace);
    EXPECT_EQ(p->xAxis->range(), first);
    EXPECT_TRUE(w->isZoomed());
    QTest::keyClick(p, Qt::Key_Backspace);
    EXPECT_FALSE(w->isZoomed());
}

TEST_F(PlotCommandsTest, ExportTableOfTheVisibleRangeOnly) {
    zoomTo(day(8, 50), day(10, 10));
    ASSERT_TRUE(w->isZoomed());
    const QString path = files.path(QStringLiteral("visible.csv"));
    auto rows = [&](bool visibleOnly) {
        IFileDialog::Result answer{path, 1, visibleOnly};
        dialog.answers.push_back(answer);
        w->mnuExportTable_Click();
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll().split('\n');
    };
    const QList<QByteArray> visible = rows(true);
    ASSERT_EQ(visible.size(), 5);  // header, 9:00, 9:30, 10:00, and the empty end
    EXPECT_TRUE(visible[1].startsWith("2004-05-13 09:00:00,"));
    EXPECT_TRUE(visible[3].startsWith("2004-05-13 10:00:00,"));
    EXPECT_EQ(rows(false).size(), 22);
    EXPECT_EQ(dialog.calls.size(), 3);  // the open and two exports
}
