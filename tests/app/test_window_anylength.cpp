// Logs longer than the default record limit in the window: the left-out message and its Load
// All Records answer, the remembered File menu setting, the meter's Cancel and a long grid.
#include "window_fixture.h"
#include "fileio/ui/frmmeter.h"
#include "model/datatable.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

namespace {
constexpr int kRecords = 100000;
constexpr int kHeaderLines = 7;  // logger, four calibration lines, start date, column captions
const QString kLeftOut = QStringLiteral("The file holds more records than can be loaded. The first 32767 records were "
                                        "loaded; 67233 records were left out.");

class AnyLengthTest : public WindowTest {
protected:
    // One record a second from 08:00 on 5/13/2004: past midnight, up to 11:46:39 on the next day.
    const QString &longLog() {
        if (m_log.isEmpty()) {
            LogRecipe r;
            r.records = kRecords;
            r.step = 1;
            m_log = files.writeLines(QStringLiteral("long.asc"), makeLog(r));
        }
        return m_log;
    }
    static int rows(frmMain &w) { return w.TDBGrid1->model()->rowCount(); }
    static QString storedSetting() { return QSettings().value(QStringLiteral("Settings/LoadAllRecords")).toString(); }

private:
    QString m_log;
};
}  // namespace

TEST_F(AnyLengthTest, LongLogLoadsTheFirstRecordsOrAllOfThemOnLoadAllRecords) {
    frmMain w(&ui, &dialog);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    open(w, longLog());
    EXPECT_EQ(rows(w), kMaxRecords);
    ASSERT_EQ(ui.messages.size(), 1) << ui.texts().join(u'|').toStdString();
    EXPECT_EQ(ui.messages[0].text, kLeftOut);
    EXPECT_EQ(ui.messages[0].buttons, MsgButtons::OkLoadAll);
    EXPECT_EQ(ui.messages[0].title, kAppTitle);

    ui.messages.clear();
    ui.loadAll = true;
    open(w, longLog());
    EXPECT_EQ(ui.texts(), QStringList{kLeftOut});  // asked once; the second read takes everything
    ASSERT_EQ(rows(w), kRecords);
    EXPECT_TRUE(w.workbench().readReport().completed);
    EXPECT_FALSE(w.mnuLoadAllRecords->isChecked());  // that answer is for this log only
    EXPECT_TRUE(storedSetting().isEmpty());

    // The last record, in the readout and the grid, by the record step and by Ctrl+End.
    const QString last = QStringLiteral("5/14/2004 11:46:39");
    w.cmdStep[5]->click();
    EXPECT_EQ(w.lblNow->text(), last);
    EXPECT_EQ(w.lblTherm[0]->text(), QStringLiteral("24"));
    EXPECT_EQ(w.TDBGrid1->currentRecord(), kRecords - 1);
    const QAbstractItemModel *m = w.TDBGrid1->model();
    EXPECT_EQ(m->data(m->index(kRecords - 1, 0)).toString(), last);
    EXPECT_EQ(m->data(m->index(kRecords - 1, 10)).toString(), QStringLiteral("49999.5"));

    w.SSTab1->setCurrentIndex(1);
    DataGrid *grid = w.TDBGrid1;
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(w.lblNow->text(), QStringLiteral("5/13/2004 08:00:00"));
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid->currentRecord(), kRecords - 1);
    EXPECT_EQ(w.lblNow->text(), last);
    QTest::qWait(20);
    EXPECT_TRUE(grid->viewport()->rect().contains(grid->visualRect(m->index(kRecords - 1, 0))));
}

TEST_F(AnyLengthTest, FileMenuSettingIsRememberedAndAppliesToTheNextOpen) {
    {
        frmMain w(&ui, &dialog);
        QAction *item = w.findChild<QAction *>(QStringLiteral("mnuLoadAllRecords"));
        ASSERT_TRUE(item);
        EXPECT_EQ(item->text(), QStringLiteral("Load Logs of &Any Length"));
        EXPECT_TRUE(item->isCheckable());
        EXPECT_FALSE(item->isChecked());
        EXPECT_TRUE(item->toolTip().contains(QStringLiteral("next log")));
        auto *file = w.menuBar()->findChild<QMenu *>(QStringLiteral("mnuFile"));
        ASSERT_TRUE(file);
        const QList<QAction *> actions = file->actions();
        EXPECT_LT(actions.indexOf(item), actions.indexOf(w.mnuExit));
        EXPECT_GT(actions.indexOf(item), actions.indexOf(w.mnuPrint));

        item->trigger();
        EXPECT_TRUE(item->isChecked());
        EXPECT_EQ(storedSetting(), QStringLiteral("1"));
        open(w, longLog());
        EXPECT_EQ(rows(w), kRecords);
        EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(u'|').toStdString();
    }
    {
        frmMain w(&ui, &dialog);  // the next start
        EXPECT_TRUE(w.mnuLoadAllRecords->isChecked());
        EXPECT_TRUE(w.workbench().loadAllRecords());
        w.mnuLoadAllRecords->trigger();
        EXPECT_EQ(storedSetting(), QStringLiteral("0"));
        open(w, longLog());
        EXPECT_EQ(rows(w), kMaxRecords);
        EXPECT_EQ(ui.texts(), QStringList{kLeftOut});
    }
    QSettings().setValue(QStringLiteral("Settings/LoadAllRecords"), QStringLiteral("yes"));
    frmMain w(&ui, &dialog);
    EXPECT_FALSE(w.mnuLoadAllRecords->isChecked());  // only "1" turns it on
    EXPECT_FALSE(w.workbench().loadAllRecords());
}

TEST_F(AnyLengthTest, MeterCancelStopsTheReadAndNothingElseRunsMeanwhile) {
    frmMain w(&ui, &dialog);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const bool plotted = w.chkPlotPH1->isChecked();

    // The read writes panel 2 just before it hides the meter.
    struct HideWatch : QObject {
        QLabel *panel = nullptr;
        QString seen;
        bool eventFilter(QObject *, QEvent *e) override {
            if (e->type() == QEvent::Hide) seen = panel->text();
            return false;
        }
    } watch;
    watch.panel = w.statusPanel2;

    // Cancel pressed once the meter is a tenth of the way, after a click on the window.
    bool pressed = false;
    QTimer press;
    press.setInterval(0);
    QObject::connect(&press, &QTimer::timeout, [&] {
        auto *meter = w.findChild<frmMeter *>();
        if (!meter || !meter->isVisible() || meter->windowTitle() != QStringLiteral("Progress")) return;
        if (meter->findChild<QProgressBar *>(QStringLiteral("ProgressBar1"))->value() < 10) return;
        QTest::mouseClick(w.chkPlotPH1, Qt::LeftButton);
        meter->installEventFilter(&watch);
        QTest::mouseClick(meter->findChild<QPushButton *>(QStringLiteral("cmdCancel")), Qt::LeftButton);
        pressed = true;
        press.stop();
    });
    press.start();
    open(w, longLog());
    press.stop();

    ASSERT_TRUE(pressed);
    EXPECT_EQ(w.chkPlotPH1->isChecked(), plotted);  // the click waited and was dropped
    ASSERT_TRUE(watch.seen.startsWith(QStringLiteral("Failed@line:"))) << watch.seen.toStdString();
    const int stopLine = watch.seen.mid(12).toInt();
    EXPECT_FALSE(w.workbench().readReport().completed);
    EXPECT_EQ(rows(w), stopLine - kHeaderLines);  // the records read so far stay
    EXPECT_GE(rows(w), kRecords / 20);            // about a tenth
    EXPECT_LT(rows(w), kRecords / 5);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(u'|').toStdString();

    QTest::mouseClick(w.chkPlotPH1, Qt::LeftButton);  // after the read the window takes input
    EXPECT_NE(w.chkPlotPH1->isChecked(), plotted);
}

TEST_F(AnyLengthTest, EscapeStopsTheReadAndTheWindowSaysReadInPartUntilTheNextOpen) {
    frmMain w(&ui, &dialog);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.chkPlotPH1->setFocus();  // in the Graph tab, whose own Escape zooms out

    bool pressed = false;
    QTimer press;
    press.setInterval(0);
    QObject::connect(&press, &QTimer::timeout, [&] {
        auto *meter = w.findChild<frmMeter *>();
        if (!meter || !meter->isVisible()) return;
        if (meter->findChild<QProgressBar *>(QStringLiteral("ProgressBar1"))->value() < 10) return;
        // Escape in the window that waits, wherever the window manager left the keyboard.
        QApplication::setActiveWindow(&w);
        w.chkPlotPH1->setFocus();
        QTest::keyClick(w.chkPlotPH1, Qt::Key_Escape);
        pressed = true;
        press.stop();
    });
    press.start();
    open(w, longLog());
    press.stop();

    ASSERT_TRUE(pressed);
    EXPECT_FALSE(w.workbench().readReport().completed);
    EXPECT_LT(rows(w), kRecords / 5);
    const QString inPart = QStringLiteral("long.asc (read in part) - Brinewick");
    EXPECT_EQ(w.windowTitle(), inPart);
    EXPECT_TRUE(w.statusReadInPart->isVisible());
    EXPECT_TRUE(w.statusReadInPart->text().startsWith(QStringLiteral("read in part: stopped at line ")));
    w.cmdCompute->click();  // the plot's status in panel 2 does not wipe it
    EXPECT_EQ(w.windowTitle(), inPart);
    EXPECT_TRUE(w.statusReadInPart->isVisible());

    LogRecipe small;
    small.records = 5;
    open(w, files.writeLines(QStringLiteral("small.asc"), makeLog(small)));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("small.asc - Brinewick"));
    EXPECT_FALSE(w.statusReadInPart->isVisible());
}
