#include "app/startup.h"
#include "app/frmmain.h"
#include "model/interaction.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

QString defaultInstanceLockPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("brinewick.lock"));
}

std::unique_ptr<QLockFile> claimSingleInstance(IInteraction &ui, const QString &lockPath) {
    auto lock = std::make_unique<QLockFile>(lockPath.isEmpty() ? defaultInstanceLockPath() : lockPath);
    lock->setStaleLockTime(0);  // stale only when its process is gone, never by age
    if (lock->tryLock(0)) return lock;
    if (lock->error() == QLockFile::LockFailedError) {
        ui.message(QStringLiteral("Application is already running"), kAppTitle, MsgButtons::Ok, MsgIcon::Stop);
        return nullptr;
    }
    // The lock folder cannot be written: run without the single-instance guard rather than not at all.
    return std::make_unique<QLockFile>(QString());
}

void openFromArguments(frmMain &window, const QStringList &arguments) {
    if (arguments.size() == 2 && !arguments[1].isEmpty()) window.openDroppedPath(arguments[1]);
}
