#pragma once
// Reads on in a log that grows: the bytes added since the last read go through the same line
// store as the open's read, so the data set ends as a read of the whole file would leave it.
// Only complete lines are taken; the file is only ever read, never locked.
#include "fileio/fileio.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileSystemWatcher>
#include <QTimer>
#include <functional>

class LogFollower {
public:
    enum class Outcome {
        Unchanged,  // nothing new
        Appended,   // lines were read on; rows from firstNewRow on are new (maybe none)
        ReadAgain,  // shrunk, replaced, rewritten, or its last line grew: read again from the start
        Gone,       // the file is not there any more (nor came back in time); the data set is as it was
        Stopped,    // the person stopped at a line, or the file could not be read again
        TooLarge,   // the file reached the read's size limit; told in a message
    };
    struct Step {
        Outcome outcome = Outcome::Unchanged;
        int firstNewRow = 0;
        // Stopped: the stop came in a read from the start, so the data set holds that read's
        // rows, up to its stop line.
        bool readFromStart = false;
        PassReport stoppedRead;  // that read's report
    };

    // A log renamed away is often replaced by a new one under its name (rotation): this long
    // the path is watched for it before the log counts as gone.
    static constexpr int kRotationGraceMs = 5000;

    // Follows `path` from where the read that filled `dataSet` ended (`readOn`); `ctx` gives
    // the messages, meter, status and size limit of a read again from the start.
    LogFollower(const QString &path, clsDataSet &dataSet, const ReaderContext &ctx, ReadOn readOn,
                int rotationGraceMs = kRotationGraceMs);

    Step poll();
    // The read's state, for following again later.
    ReadOn takeState();
    const PassReport &report() const { return m_state.store->report(); }
    // Following can go on: the last read ended at the end of the file.
    bool reading() const { return m_state.store != nullptr; }
    // The bytes read so far (the open's and every poll's) and their SHA-256.
    qint64 bytesRead() const { return m_state.offset; }
    QByteArray sha256() const { return m_state.digest.result(); }
    // The log is not at its path; it may come back within the grace period.
    bool waitingForLog() const { return m_vanished.isValid(); }

private:
    bool readAgain(int quietLines, Step &step);
    bool sameHead(QFile &file) const;
    void tellTooLarge();
    void tellNewCounts(const PassReport &before, const PassReport &now);

    QString m_path;
    clsDataSet &m_dataSet;
    ReaderContext m_ctx;
    ReadOn m_state;
    QByteArray m_storedTail;  // the open's last line, stored before its ending arrived
    bool m_tailPending = false;
    int m_rotationGraceMs;
    QElapsedTimer m_vanished;  // since the log was last missed at its path
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
