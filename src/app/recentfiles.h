#pragma once
// File > Recent Files: the last logs opened, newest first, remembered under one key of the
// settings store's "Settings" section.
#include <QObject>
#include <QStringList>
#include <functional>

class QMenu;

class RecentFiles : public QObject {
    Q_OBJECT
public:
    static constexpr int kMax = 8;

    // `menu` lists the files; choosing one calls `choose` with its path.
    RecentFiles(QMenu *menu, std::function<void(const QString &)> choose, QObject *parent = nullptr);

    QStringList paths() const { return m_paths; }
    // To the front (once), the oldest dropped beyond kMax; remembered at once.
    void add(const QString &path);
    void remove(const QString &path);
    // The menu texts of the paths: the file name, with the last folders that tell apart two
    // entries of the same name ("run7.log (…/site-a/day1)").
    static QStringList menuNames(const QStringList &paths);

private:
    void save() const;
    void rebuildMenu();

    QMenu *m_menu;
    std::function<void(const QString &)> m_choose;
    QStringList m_paths;
};
