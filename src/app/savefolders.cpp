#include "app/savefolders.h"
#include "app/settingsfile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

QString saveStartName(const QString &key, const QString &logPath, const QString &extension) {
    QString stored;
    withSettingsSection([&](QSettings &s) { stored = s.value(key).toString(); });
    const QFileInfo log(logPath);
    const QString folder = !stored.isEmpty() && QDir(stored).exists() ? stored : log.absolutePath();
    return QDir(folder).filePath(log.completeBaseName() + extension);
}

void rememberSaveFolder(const QString &key, const QString &chosen) {
    withSettingsSection([&](QSettings &s) { s.setValue(key, QFileInfo(chosen).absolutePath()); });
}
