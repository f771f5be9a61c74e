#include "app/savefolders.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
QSettings &settings(QSettings &s) {
    s.beginGroup(QStringLiteral("Settings"));
    return s;
}
}  // namespace

QString saveStartName(const QString &key, const QString &logPath, const QString &extension) {
    QSettings s;
    const QString stored = settings(s).value(key).toString();
    const QFileInfo log(logPath);
    const QString folder = !stored.isEmpty() && QDir(stored).exists() ? stored : log.absolutePath();
    return QDir(folder).filePath(log.completeBaseName() + extension);
}

void rememberSaveFolder(const QString &key, const QString &chosen) {
    QSettings s;
    settings(s).setValue(key, QFileInfo(chosen).absolutePath());
}
