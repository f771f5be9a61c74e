#include "fileio/ui/frmmeter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

frmMeter::frmMeter(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMeter"));
    setWindowTitle(QStringLiteral("Progress"));
    setModal(false);
    m_text = new QLineEdit(QStringLiteral("Text1"), this);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setReadOnly(true);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cancel->setToolTip(QStringLiteral("Stop reading; the records read so far stay loaded"));
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, [this] { requestCancel(); });
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);
    setMinimumWidth(320);
}

frmMeter::~frmMeter() {
    if (m_reading) qApp->removeEventFilter(this);
}

void frmMeter::showMeter() {
    m_cancelRequested = false;
    m_cancel->setEnabled(true);
    if (!m_reading && qApp) {
        qApp->installEventFilter(this);
        m_reading = true;
    }
    // The meter takes the keyboard, so Escape reaches its Cancel; Escape in the window that
    // started the read cancels too, should the window manager keep the keyboard there.
    show();
    raise();
    activateWindow();
    // The read keeps the event loop busy: let the window system map the meter and paint it
    // now, or it could stay blank until the read is over.
    const QDeadlineTimer deadline(100);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    while (windowHandle() && !windowHandle()->isExposed() && !deadline.hasExpired()) {
        QThread::msleep(2);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    repaint();
}

void frmMeter::hideMeter() {
    if (m_reading) {
        qApp->removeEventFilter(this);
        m_reading = false;
    }
    // Give the keyboard back to the window that started the read, as it had it before.
    QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    const bool wasActive = isActiveWindow();
    hide();
    if (wasActive && owner && owner->isVisible()) {
        owner->activateWindow();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void frmMeter::setText(const QString &text) { m_text->setText(text); }

void frmMeter::setProgress(int percent) { m_bar->setValue(percent); }

bool frmMeter::cancelRequested() {
    // Input is delivered here, but the filter lets only the meter's own through: the rest
    // of the program must not run in the middle of a read.
    if (m_reading && !m_cancelRequested) {
        m_checking = true;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        m_checking = false;
    }
    return m_cancelRequested;
}

void frmMeter::reject() { requestCancel(); }

void frmMeter::closeEvent(QCloseEvent *event) {
    if (!m_reading) return QDialog::closeEvent(event);
    requestCancel();  // the read hides the meter when it has stopped
    event->ignore();
}

void frmMeter::requestCancel() {
    m_cancelRequested = true;
    m_cancel->setEnabled(false);
}

bool frmMeter::isOwnTarget(QObject *watched) const {
    if (watched == windowHandle()) return true;
    auto *w = qobject_cast<QWidget *>(watched);
    return w && (w == this || isAncestorOf(w));
}

bool frmMeter::isOwnersWindow(QObject *watched) const {
    QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    return owner && (watched == owner || watched == owner->windowHandle());
}

bool frmMeter::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        // Drops arrive even while other input waits; one would start a second read.
        return !isOwnTarget(watched);
    case QEvent::Close:
        // Nor may the window that started the read be closed under it.
        if (!event->spontaneous() || !isOwnersWindow(watched)) return false;
        event->ignore();
        return true;
    default: break;
    }
    if (!m_checking) return false;  // a question asked during the read takes its answer
    // Escape in the window that waits for the read cancels it. Its shortcut override comes
    // first: taken here, no shortcut of that window (the plot's zoom-out) swallows the key.
    if (((event->type() == QEvent::KeyPress && event->spontaneous()) || event->type() == QEvent::ShortcutOverride) &&
        !isOwnTarget(watched) && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        requestCancel();
        event->accept();
        return true;
    }
    switch (event->type()) {
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride: return !isOwnTarget(watched);  // made from key presses, not spontaneous
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::NativeGesture:
    case QEvent::InputMethod: return event->spontaneous() && !isOwnTarget(watched);
    default: return false;
    }
}
