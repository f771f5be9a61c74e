#pragma once
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

class IInteraction;

// The per-user lock that keeps a second Brinewick from starting. It is kept fresh while held,
// so its age tells a lock left behind (older than the stale-lock time) from a live one.
class InstanceLock {
public:
    explicit InstanceLock(const QString &path);
    QLockFile &file() { return m_file; }
    bool isGuarding() const { return m_file.isLocked(); }

private:
    QLockFile m_file;
    QTimer m_refresh;
};

// Claims the lock. A lock that names no live Brinewick of this user on this host (empty,
// garbage, another host, a process gone or another program), or that is not a regular file at
// all, is stale and taken over. Returns the held lock, or nothing (after telling the person)
// when another instance runs.
// `handOver` runs when another instance holds the lock: when it hands the start's file to
// that instance, the person is told nothing. Starts that race each other over a stale lock
// take turns, so exactly one of them ends up holding it.
std::unique_ptr<InstanceLock> claimSingleInstance(IInteraction &ui, const QString &lockPath = QString(),
                                                  const std::function<bool()> &handOver = {});
QString defaultInstanceLockPath();
// Whether the lock file at `path` names a running Brinewick of this user on this host.
bool lockNamesLiveInstance(const QString &path);

class frmMain;
// Log paths as the arguments open as dropped files do (several as one deployment), a single one
// followed as it grows with "--follow" beside it; no path starts plainly.
void openFromArguments(frmMain &window, const QStringList &arguments);
