// File > Recent Files in the window: every log put on show goes to the front of the list.
#include "app/frmmain.h"
#include "app/recentfiles.h"
#include "model/interaction.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

void frmMain::buildRecentFiles() {
    auto *file = menuBar()->findChild<QMenu *>(QStringLiteral("mnuFile"));
    auto *menu = new QMenu(QStringLiteral("Recent &Files"), this);
    menu->setObjectName(QStringLiteral("mnuRecentFiles"));
    if (file) file->insertMenu(mnuExportTable, menu);
    m_recent = new RecentFiles(
        menu, [this](const QString &path) { openRecent(path); }, this);
}

void frmMain::openRecent(const QString &path) {
    if (!QFileInfo(path).isFile()) {
        m_recent->remove(path);
        m_ui->message(QStringLiteral("\"%1\" is no longer there, so it has been taken off the recent files.").arg(path),
                      kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    openDroppedPath(path);  // remembered as a chosen file would be
}

void frmMain::rememberRecent(const QString &path) {
    if (m_recent && QFileInfo(path).isFile()) m_recent->add(path);
}
