// The window's statistics dock, flags column, flag stepping and dpH series.
#include "window_fixture.h"
#include "app/statisticspanel.h"
#include "plot/ui/qcpgraph.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QTableWidget>
#include <qcustomplot.h>

namespace {
class QualityWindowTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        w = std::make_unique<frmMain>(&ui, &dialog);
        open(*w, files.writeLines(QStringLiteral("q.asc"), makeLog(LogRecipe())));
        table = w->findChild<QTableWidget *>(QStringLiteral("tblStatistics"));
        ASSERT_TRUE(table);
    }
    QString stat(int series, int column) const { return table->item(series, column)->text(); }
    QString label(const char *name) const { return w->findChild<QLabel *>(QLatin1String(name))->text(); }
    std::unique_ptr<frmMain> w;
    QTableWidget *table = nullptr;
};
}  // namespace

TEST_F(QualityWindowTest, StatisticsFollowTheZoom) {
    EXPECT_EQ(stat(statPH1, 0), "20");
    EXPECT_TRUE(label("lblStatRange").startsWith("20 records, 5/13/2004 08:00:00 to 5/13/2004 17:30:00"));
    EXPECT_EQ(label("lblStatVolume"), "Total Volume: first 0, last 9.5, difference 9.5");

    // A zoom onto records 2..5 (the rubber band sets the X range the same way).
    DataTable &t = w->dataSet().DATA();
    QCPAxis *x = w->graph().plot()->xAxis;
    x->setRange(QcpGraph::dayToKey(t.rowDay(2) - 0.001), QcpGraph::dayToKey(t.rowDay(5) + 0.001));
    ASSERT_TRUE(w->isZoomed());
    EXPECT_EQ(stat(statT1, 0), "4");
    // Thermistor 1 reads 20 + row % 5: rows 2..5 give 22, 23, 24, 20.
    EXPECT_EQ(stat(statT1, 1), "20.00");
    EXPECT_EQ(stat(statT1, 2), "24.00");
    EXPECT_EQ(stat(statT1, 3), "22.250");
    EXPECT_EQ(stat(statT1, 4), "1.708");
    EXPECT_EQ(label("lblStatVolume"), "Total Volume: first 1, last 2.5, difference 1.5");
    // One record: its deviation is undefined.
    x->setRange(QcpGraph::dayToKey(t.rowDay(2) - 0.001), QcpGraph::dayToKey(t.rowDay(2) + 0.001));
    EXPECT_EQ(stat(statT1, 0), "1");
    EXPECT_EQ(stat(statT1, 4), "-");

    w->cmdZoomOut->click();
    EXPECT_EQ(stat(statT1, 0), "20");
}

TEST_F(QualityWindowTest, FlagsColumnStepsAndDpHSeries) {
    Workbench &wb = w->workbench();
    // Only the thermistors: row % 5 == 4 reads 24 against 21.5 and 22. The other tests let the
    // records half an hour apart pass.
    QcThresholds th;
    th.gapMinutes = 60;
    th.spikeSuspect = th.spikeFail = th.probeSuspect = th.probeFail = 14;
    th.tSpikeSuspect = th.tSpikeFail = 100;
    th.rateSuspectPerHour = 1000;
    th.flatSuspectMinutes = th.flatFailMinutes = 1e6;
    th.phUserMin = 0;
    th.phUserMax = 14;
    wb.setQcThresholds(th);
    w->cmdCompute->click();
    QAbstractItemModel *m = w->TDBGrid1->model();
    const int flagsCol = int(w->TDBGrid1->captions().size());
    ASSERT_EQ(m->columnCount(), flagsCol + 2);
    EXPECT_EQ(m->headerData(flagsCol, Qt::Horizontal).toString(), "Flags");
    EXPECT_EQ(m->headerData(flagsCol + 1, Qt::Horizontal).toString(), "QC");
    EXPECT_EQ(m->index(4, flagsCol + 1).data().toString(), "3/3");
    EXPECT_EQ(m->index(3, flagsCol + 1).data().toString(), "1/1");
    EXPECT_TRUE(m->index(3, flagsCol + 1).data(Qt::ToolTipRole).toString().contains("pH-2: gap 1, syntax 1"));
    EXPECT_EQ(m->index(4, flagsCol).data().toString(), "T");
    EXPECT_EQ(m->index(3, flagsCol).data().toString(), "");
    EXPECT_TRUE(m->index(4, flagsCol).data(Qt::ToolTipRole).toString().startsWith("T: thermistors disagree"));
    EXPECT_TRUE(m->index(4, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(m->index(3, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_TRUE(label("lblFlagCounts").startsWith("4 flagged: T 4"));

    auto *next = w->findChild<QAction *>(QStringLiteral("mnuNextFlagged"));
    auto *prev = w->findChild<QAction *>(QStringLiteral("mnuPrevFlagged"));
    EXPECT_EQ(next->shortcut(), QKeySequence(QStringLiteral("Ctrl+Right")));
    EXPECT_EQ(prev->shortcut(), QKeySequence(QStringLiteral("Ctrl+Left")));
    w->showRecord(0);
    next->trigger();
    EXPECT_EQ(w->TDBGrid1->currentRecord(), 4);
    next->trigger();
    EXPECT_EQ(wb.currentRecord(), 9);
    prev->trigger();
    EXPECT_EQ(wb.currentRecord(), 4);
    prev->trigger();  // none before: stays, with a beep
    EXPECT_EQ(wb.currentRecord(), 4);
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_EQ(w->graph().flagMarks().size(), 4u);

    w->chkPlotDpH->click();
    ASSERT_EQ(w->graph().seriesCount(), 3);
    EXPECT_TRUE(w->graph().seriesOnRightAxis(2));
    EXPECT_TRUE(w->graph().plot()->yAxis2->visible());
    EXPECT_FLOAT_EQ(w->graph().yData(2, 0), float(dpHValue(w->dataSet().DATA(), 0)));
    w->chkPlotDpH->click();
    EXPECT_FALSE(w->graph().plot()->yAxis2->visible());
}
