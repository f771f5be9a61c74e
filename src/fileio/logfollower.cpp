#include "fileio/logfollower.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace {
constexpr qint64 kBlock = qint64(4) << 20;
}

LogFollower::LogFollower(const QString &path, clsDataSet &dataSet, const ReaderContext &ctx, ReadOn readOn)
    : m_path(path), m_dataSet(dataSet), m_ctx(ctx), m_state(std::move(readOn)) {
    m_ctx.report = nullptr;
    m_ctx.readOn = nullptr;
    m_tailPending = m_state.tailStored;
    if (m_tailPending) m_storedTail = m_state.feed.heldLine();
}

ReadOn LogFollower::takeState() { return std::move(m_state); }

void LogFollower::tellNewCounts(const PassReport &before, const PassReport &now) {
    tellCutAndLateRecords(m_ctx.ui, std::max(0, now.cutRecords - before.cutRecords),
                          std::max(0, now.lateRecords - before.lateRecords));
}

bool LogFollower::readAgain(int quietLines) {
    PassReport before = quietLines > 0 && m_state.store ? m_state.store->report() : PassReport{};
    for (;;) {
        ReadOn fresh;
        PassReport pass;
        ReaderContext ctx = m_ctx;
        ctx.readOn = &fresh;
        ctx.report = &pass;
        ctx.holdLastLine = true;
        ctx.quietLines = quietLines;
        const bool read = readFromFile(m_path, m_dataSet, ctx);
        if (!read || !fresh.store) {
            m_state = ReadOn{};
            return false;
        }
        bool loadAll = pass.loadAllChosen;
        if (quietLines > 0) {
            tellNewCounts(before, pass);
            if (before.droppedRecords == 0 && pass.droppedRecords > 0)
                loadAll = tellLeftOutRecords(m_ctx.ui, m_dataSet.recordLimit(), pass.droppedRecords);
        }
        if (loadAll) {
            // Every line has been told about by now; the read without the limit repeats none.
            m_dataSet.setRecordLimit(kAnyLengthRecords);
            quietLines = pass.lines;
            before = pass;
            continue;
        }
        m_state = std::move(fresh);
        m_tailPending = false;
        return true;
    }
}

LogFollower::Step LogFollower::poll() {
    Step step;
    if (!m_state.store) return step;
    struct stat st {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) step.outcome = Outcome::Gone;
        return step;  // anything else may pass (a network mount that is slow to answer)
    }
    if (!S_ISREG(st.st_mode)) {
        step.outcome = Outcome::Gone;
        return step;
    }
    const auto reread = [&](int quietLines) {
        step.outcome = readAgain(quietLines) ? Outcome::ReadAgain : Outcome::Stopped;
        return step;
    };
    if (quint64(st.st_dev) != m_state.device || quint64(st.st_ino) != m_state.inode || st.st_size < m_state.offset)
        return reread(0);
    if (st.st_size == m_state.offset) return step;

    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) return step;  // try again at the next poll
    // The bytes before the offset must be those read: a file written anew in place is read anew.
    const qint64 guard = m_state.lastBytes.size();
    if (!file.seek(m_state.offset - guard) || file.read(guard) != m_state.lastBytes) return reread(0);

    PassReport before = m_state.store->report();
    const int firstNewRow = m_dataSet.rowcount();
    bool grew = false, stopped = false;
    auto one = [&](QByteArrayView line) {
        if (m_tailPending) {
            // The open stored its last line before the line's end came: kept unless it grew.
            m_tailPending = m_state.tailStored = false;
            grew = line != QByteArrayView(m_storedTail);
            return !grew;
        }
        stopped = !m_state.store->store(line);
        return !stopped;
    };
    for (;;) {
        QByteArray block = file.read(kBlock);
        if (block.isEmpty()) break;
        m_state.offset += block.size();
        m_state.lastBytes = block.size() >= kReadOnGuardBytes ? block.right(kReadOnGuardBytes)
                                                              : (m_state.lastBytes + block).right(kReadOnGuardBytes);
        if (m_state.decoder) block = QString((*m_state.decoder)(block)).toLatin1();
        if (!m_state.feed.feed(block, one)) break;
    }
    if (grew) return reread(m_state.store->report().lines - 1);
    if (stopped) {
        step.outcome = Outcome::Stopped;
        return step;
    }
    const PassReport &now = m_state.store->report();
    tellNewCounts(before, now);
    if (before.droppedRecords == 0 && now.droppedRecords > 0 &&
        tellLeftOutRecords(m_ctx.ui, m_dataSet.recordLimit(), now.droppedRecords)) {
        m_dataSet.setRecordLimit(kAnyLengthRecords);
        return reread(now.lines);
    }
    step.outcome = Outcome::Appended;
    step.firstNewRow = firstNewRow;
    return step;
}

FileWatch::FileWatch(const QString &path, std::function<void()> changed, int pollMs)
    : m_path(path), m_changed(std::move(changed)) {
    rewatch();
    QObject::connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_timer, [this] {
        rewatch();
        m_changed();
    });
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
        rewatch();
        m_changed();
    });
    m_timer.start(pollMs);
}

void FileWatch::rewatch() {
    // A replaced or deleted file drops out of the watcher; the one at the path now is watched.
    if (!m_watcher.files().contains(m_path) && QFileInfo::exists(m_path)) m_watcher.addPath(m_path);
}
