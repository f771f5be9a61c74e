#include "app/recentfiles.h"
#include "app/settingsfile.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

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

void RecentFiles::rebuildMenu() {
    if (!m_menu) return;
    m_menu->clear();
    for (int i = 0; i < m_paths.size(); ++i) {
        const QString path = m_paths[i];
        // "&1 run7.log", the folder in the tooltip; an ampersand in a name is no accelerator.
        QString name = QFileInfo(path).fileName();
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
