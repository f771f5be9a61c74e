// Files handed over by a later start of the program.
#include "app/frmmain.h"
#include "app/startup.h"

#include <QApplication>
#include <QTimer>

void frmMain::openHandedOver(const QStringList &arguments) {
    m_handedOver.append(arguments);
    QTimer::singleShot(0, this, &frmMain::openHandedWhenIdle);
}

void frmMain::openHandedWhenIdle() {
    if (m_handedOver.isEmpty()) return;
    // Never inside a read, a message or a dialog: the socket is heard while they wait.
    if (m_opening || QApplication::activeModalWidget() || QApplication::overrideCursor()) {
        QTimer::singleShot(250, this, &frmMain::openHandedWhenIdle);
        return;
    }
    openFromArguments(*this, m_handedOver.takeFirst());
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    if (!m_handedOver.isEmpty()) QTimer::singleShot(0, this, &frmMain::openHandedWhenIdle);
}
