#include "app/settingsfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace {

// Where QSettings keeps files of one scope: asked of a name no settings use, so that asking
// reads nothing that could block (the folder follows QSettings::setPath).
QString scopeFolder(QSettings::Scope scope) {
    const QSettings probe(QSettings::NativeFormat, scope, QStringLiteral("brinewick-settings-probe"),
                          QStringLiteral("probe"));
    return QFileInfo(QFileInfo(probe.fileName()).path()).path();
}

bool regularOrAbsent(const QString &path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode);
}

}  // namespace

std::unique_ptr<QSettings> openSettings() {
    const QString org = QCoreApplication::organizationName(), app = QCoreApplication::applicationName();
    for (QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope}) {
        const QDir folder(scopeFolder(scope));
        for (const QString &name : {org + u'/' + app + QStringLiteral(".conf"), org + QStringLiteral(".conf")})
            if (!regularOrAbsent(folder.filePath(name))) return nullptr;
    }
    return std::make_unique<QSettings>();
}
