#include "app/recentfiles.h"
#include "app/settingsfile.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <algorithm>

namespace {
const QLatin1String kKey("RecentFiles");

QString sameFile(const QString &path) { return QFileInfo(path).absoluteFilePath(); }
}  // namespace

RecentFiles::RecentFiles(QMenu *menu, std::function<void(const QString &)> choose, QObject *parent)
    : QObject(parent), m_menu(menu), m_choose(std::move(choose)) {
    withSettingsSection([this](QSettings &s) {
        // The store may hold anything: keep texts that can name a file, each once.
        for (const QString &p : s.value(kKey).toStringList())
            if (!p.trimmed().isEmpty() && !m_paths.contains(p) && m_paths.size() < kMax) m_paths << p;
    });
    rebuildMenu();
}

void RecentFiles::add(const QString &path) {
    const QString p = sameFile(path);
    m_paths.removeAll(p);
    m_paths.prepend(p);
    while (m_paths.size() > kMax) m_paths.removeLast();
    save();
    rebuildMenu();
}

void RecentFiles::remove(const QString &path) {
    m_paths.removeAll(path);
    save();
    rebuildMenu();
}

void RecentFiles::save() const {
    withSettingsSection([this](QSettings &s) { s.setValue(kKey, m_paths); });
}

QStringList RecentFiles::menuNames(const QStringList &paths) {
    // A name the list holds twice carries as many of its last folders as tell the entries apart.
    QStringList names;
    for (const QString &path : paths) {
        const QString name = QFileInfo(path).fileName();
        QStringList twins;
        for (const QString &other : paths)
            if (QFileInfo(other).fileName() == name) twins << QFileInfo(other).path();
        if (twins.size() < 2) {
            names << name;
            continue;
        }
        const QStringList folders = QFileInfo(path).path().split(u'/', Qt::SkipEmptyParts);
        qsizetype depth = 1;
        const auto tail = [](const QString &folder, qsizetype n) {
            const QStringList parts = folder.split(u'/', Qt::SkipEmptyParts);
            return parts.mid(std::max<qsizetype>(0, parts.size() - n));
        };
        while (depth < folders.size() && std::count_if(twins.begin(), twins.end(), [&](const QString &f) {
                                             return tail(f, depth) == tail(QFileInfo(path).path(), depth);
                                         }) > 1)
            ++depth;
        const QStringList shown = folders.mid(folders.size() - depth);
        const QString lead = depth < folders.size() ? QStringLiteral("\u2026/") : QStringLiteral("/");
        names << QStringLiteral("%1 (%2%3)").arg(name, lead, shown.join(u'/'));
    }
    return names;
}

void RecentFiles::rebuildMenu() {
    if (!m_menu) return;
    m_menu->clear();
    const QStringList names = menuNames(m_paths);
    for (int i = 0; i < m_paths.size(); ++i) {
        const QString path = m_paths[i];
        // "&1 run7.log", the folder in the tooltip; an ampersand in a name is no accelerator.
        QString name = names[i];
        name.replace(u'&', QStringLiteral("&&"));
        QAction *a = m_menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        a->setToolTip(QDir::toNativeSeparators(path));
        a->setData(path);
        connect(a, &QAction::triggered, this, [this, path] {
            if (m_choose) m_choose(path);
        });
    }
    m_menu->setToolTipsVisible(true);
    m_menu->setEnabled(!m_paths.isEmpty());
}
