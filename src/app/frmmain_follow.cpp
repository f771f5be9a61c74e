// File > Follow: the open log is read on as it grows, and the window grows with it.
#include "app/datagrid.h"
#include "app/frmmain.h"
#include "app/segmentselector.h"
#include "fields/ui/widgetutil.h"
#include "fileio/logfollower.h"
#include "model/interaction.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QStatusBar>

namespace {
constexpr qint64 kIdleMs = 5 * 60 * 1000;

qint64 nowMs() {
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    return clock.elapsed();
}
}  // namespace

void frmMain::mnuFollow_Click(bool on) {
    if (on)
        startFollowing();
    else
        stopFollowing();
}

void frmMain::startFollowing() {
    Workbench &wb = *m_workbench;
    if (!wb.startFollow()) {
        mnuFollow->setChecked(false);
        return;
    }
    mnuFollow->setChecked(true);
    m_lastGrowthMs = nowMs();
    watchFollowedLog();
    statusFollow->show();
    pollNow();  // what came while the log was not followed
}

void frmMain::watchFollowedLog() {
    // The poll every second also lists a followed folder.
    m_watch = std::make_unique<FileWatch>(m_workbench->followedPath(), [this] { pollNow(); });
}

void frmMain::stopFollowing() {
    m_watch.reset();
    m_workbench->stopFollow();
    mnuFollow->setChecked(false);
    statusFollow->clear();
    statusFollow->hide();
}

void frmMain::pollNow() {
    Workbench &wb = *m_workbench;
    // A read again lets the meter's Cancel through, and with it the watcher's next signal:
    // that poll must not start inside this one.
    if (!wb.following() || m_polling) return;
    const QScopedValueRollback<bool> polling(m_polling, true);
    const int before = wb.rowCount();
    const bool atLast = TDBGrid1->currentRecord() == before - 1 || before == 0;
    const FollowStep step = wb.pollFollow();
    using Outcome = LogFollower::Outcome;
    switch (step.outcome) {
    case Outcome::Unchanged: break;
    case Outcome::Appended: showAppended(step, atLast); break;
    case Outcome::ReadAgain:
        showReadAgain();
        if (step.joinedLogs.isEmpty()) {
            StatusBar1->showMessage(QStringLiteral("The log was cut short or replaced: read again from the start."),
                                    10000);
            break;
        }
        watchFollowedLog();  // the newest log may be another now
        StatusBar1->showMessage(QStringLiteral("%1 joined the deployment.").arg(step.joinedLogs.join(", ")), 10000);
        break;
    case Outcome::Stopped:
    case Outcome::TooLarge:  // the follower said why
        if (step.readFromStart)
            showReadAgain();
        else
            showAppended(step, atLast);
        stopFollowing();
        StatusBar1->showMessage(QStringLiteral("Following stopped."), 10000);
        return;
    case Outcome::Gone:
        stopFollowing();
        m_ui->message(QStringLiteral("The log is no longer there: ") + wb.path() +
                          QStringLiteral("\r\nFollowing stopped; the records read so far stay."),
                      kAppTitle, MsgButtons::Ok, MsgIcon::Information);
        return;
    }
    if (step.outcome != Outcome::Unchanged) m_lastGrowthMs = nowMs();
    showFollowStatus();
}

void frmMain::showFileCalibration() {
    // An appended calibration line starts a segment: the fields change only when the segment
    // they show changed, and the choice appears with the second segment.
    m_segments->refresh();
    if (m_workbench->computeNeeded()) setComputeNeeded(true);
}

void frmMain::showAppended(const FollowStep &step, bool atLastRecord) {
    Workbench &wb = *m_workbench;
    if (step.fieldsChanged) setupGridColumns(TDBGrid1, wb.dataSet().fieldlist());
    TDBGrid1->appendRows(step.firstNewRow);
    TDBGrid1->setComputedRows(wb.computedRows());
    showFileCalibration();
    if (!step.newRows()) return;
    if (chkAutoscale->isChecked()) Util::setTextQuietly(txtEnd, wb.plotInputs().end);
    // A strip chart: the readout and marker stay with the newest record if they were on the last.
    if (atLastRecord) showRecord(step.rows - 1);
    updateQualityViews();
}

void frmMain::showReadAgain() {
    Workbench &wb = *m_workbench;
    showLogs();
    setupGridColumns(TDBGrid1, wb.dataSet().fieldlist());
    TDBGrid1->bindTable(&wb.table());
    TDBGrid1->setComputedRows(wb.computedRows());
    TDBGrid1->refreshGrid();
    if (wb.rowCount() == 0) clearReadout();
    showFileCalibration();
    if (chkAutoscale->isChecked()) {
        Util::setTextQuietly(txtStart, wb.plotInputs().start);
        Util::setTextQuietly(txtEnd, wb.plotInputs().end);
    }
    updateQualityViews();  // the workbench drew the plot anew
    showRecord(std::min(wb.currentRecord(), std::max(0, wb.rowCount() - 1)));
}

void frmMain::showFollowStatus() {
    const Workbench &wb = *m_workbench;
    const int n = wb.rowCount();
    QString text = QStringLiteral("Following: %1 records").arg(n);
    if (n > 0) {
        const QString when = wb.openTable().text(n - 1, colDateTime);
        text += QStringLiteral(", last at ") + when.mid(when.indexOf(u' ') + 1);
    }
    if (wb.followWaiting())
        text += QStringLiteral(", the log is not there: waiting for it");
    else if (nowMs() - m_lastGrowthMs >= kIdleMs)
        text += QStringLiteral(", no new records for 5 min");
    statusFollow->setText(text);
}
