#pragma once
// Reads on in a log that grows: the bytes added since the last read go through the same line
// store as the open's read, so the data set ends as a read of the whole file would leave it.
// Only complete lines are taken; the file is only ever read, never locked.
#include "fileio/fileio.h"

#include <QFileSystemWatcher>
#include <QTimer>
#include <functional>

class LogFollower {
public:
    enum class Outcome {
        Unchanged,  // nothing new
        Appended,   // lines were read on; rows from firstNewRow on are new (maybe none)
        ReadAgain,  // shrunk, replaced, rewritten, or its last line grew: read again from the start
        Gone,       // the file is not there any more; the data set is as it was
        Stopped,    // the person stopped at a line, or the file could not be read again
    };
    struct Step {
        Outcome outcome = Outcome::Unchanged;
        int firstNewRow = 0;
    };

    // Follows `path` from where the read that filled `dataSet` ended (`readOn`); `ctx` gives
    // the messages, meter and status of a read again from the start.
    LogFollower(const QString &path, clsDataSet &dataSet, const ReaderContext &ctx, ReadOn readOn);

    Step poll();
    // The read's state, for following again later.
    ReadOn takeState();
    const PassReport &report() const { return m_state.store->report(); }

private:
    bool readAgain(int quietLines);
    void tellNewCounts(const PassReport &before, const PassReport &now);

    QString m_path;
    clsDataSet &m_dataSet;
    ReaderContext m_ctx;
    ReadOn m_state;
    QByteArray m_storedTail;  // the open's last line, stored before its ending arrived
    bool m_tailPending = false;
};

// Calls `changed` whenever the file may have changed: on the watcher's notice, and every
// second, because watchers miss appends on some file systems and network mounts.
class FileWatch {
public:
    FileWatch(const QString &path, std::function<void()> changed, int pollMs = 1000);
    FileWatch(const FileWatch &) = delete;
    FileWatch &operator=(const FileWatch &) = delete;

private:
    void rewatch();
    QString m_path;
    std::function<void()> m_changed;
    QFileSystemWatcher m_watcher;
    QTimer m_timer;
};
