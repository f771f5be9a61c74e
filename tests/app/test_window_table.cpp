// The Table tab as a spreadsheet user expects it: select rows, copy them, move with the keys.
#include "window_fixture.h"
#include "workbench/workbench.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>

namespace {
class TableTest : public WindowTest {
protected:
    void openAndShowTable(int records) {
        w = std::make_unique<frmMain>(&ui, &dialog);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        LogRecipe r;
        r.records = records;
        r.firstSecond = 0;
        r.step = 86000 / records;
        open(*w, files.writeLines(QStringLiteral("table.asc"), makeLog(r)));
        w->SSTab1->setCurrentIndex(1);
        w->TDBGrid1->setFocus();
        QTest::qWait(20);
    }
    std::unique_ptr<frmMain> w;
};
}  // namespace

TEST_F(TableTest, SelectedRowsCopyAsTabSeparatedTextWithTheCaptionsFirst) {
    openAndShowTable(20);
    DataGrid *grid = w->TDBGrid1;
    grid->setCurrentRecord(2);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    // and one more row away from them with the control key
    const QRect row9 = grid->visualRect(grid->model()->index(9, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, row9.center());
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);

    const QStringList lines = QGuiApplication::clipboard()->text().split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(
        lines[0],
        QStringLiteral(
            "Time\tTherm 1\tTherm 2\tTherm 3\tpH-1 Raw\tpH-2 Raw\tpH-1\tpH-2\tAux\tFlow Rate\tTotal Vol\tFlags\tQC"));
    const QAbstractItemModel *m = grid->model();
    for (auto [line, row] : {std::pair{1, 2}, {2, 3}, {3, 4}, {4, 9}}) {
        const QStringList cells = lines[line].split(u'\t');
        ASSERT_EQ(cells.size(), 13);  // the flags and QC too
        EXPECT_EQ(cells[0], m->data(m->index(row, 0)).toString());
        EXPECT_EQ(cells[6], m->data(m->index(row, 6)).toString());
    }
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("5/13/2004 02:")));

    QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().count(u'\n'), 21);
}

TEST_F(TableTest, FiveDigitRowNumbersAndCtrlEndKeepTheTimesInView) {
    openAndShowTable(12000);
    DataGrid *grid = w->TDBGrid1;
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    QTest::qWait(20);
    EXPECT_EQ(grid->currentRecord(), 11999);
    EXPECT_EQ(w->workbench().currentRecord(), 11999);
    EXPECT_EQ(grid->horizontalScrollBar()->value(), 0);  // the Time column is in view
    EXPECT_GE(grid->columnViewportPosition(0), 0);
    EXPECT_FALSE(grid->horizontalScrollBar()->isVisible());

    // Wider columns than the view: Ctrl+End still shows the Time column.
    grid->setColumnWidth(10, 900);
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    // The scroll bar follows the new width at the next layout, later on a slow (sanitizer) build.
    for (int i = 0; i < 200 && !grid->horizontalScrollBar()->isVisible(); ++i) QTest::qWait(10);
    ASSERT_TRUE(grid->horizontalScrollBar()->isVisible());
    EXPECT_EQ(grid->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(grid->currentRecord(), 11999);
}
