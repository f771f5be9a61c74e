#include "fileio/logfollower.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <sys/stat.h>

namespace {
constexpr qint64 kBlock = qint64(4) << 20;
}

LogFollower::LogFollower(const QString &path, clsDataSet &dataSet, const ReaderContext &ctx, ReadOn readOn,
                         int rotationGraceMs)
    : m_path(path), m_dataSet(dataSet), m_ctx(ctx), m_state(std::move(readOn)), m_rotationGraceMs(rotationGraceMs) {
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

void LogFollower::tellTooLarge() {
    m_ctx.ui.message(QStringLiteral("The log reaches the size limit of %1 bytes: ").arg(m_ctx.maxSize) + m_path +
                         QStringLiteral("\r\nFollowing stopped; the records read so far stay."),
                     kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
}

bool LogFollower::sameHead(QFile &file) const {
    if (m_state.headSize == 0) return true;
    return file.seek(0) && Sha256::hash(file.read(m_state.headSize)) == m_state.headSum;
}

bool LogFollower::readAgain(int quietLines, Step &step) {
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
            // A read that got as far as its first line cleared the data set for its own rows.
            step.readFromStart = pass.lines > 0 || pass.cancelled || pass.completed;
            step.stoppedRead = pass;
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
    step.firstNewRow = m_dataSet.rowcount();  // whatever stops early adds no row
    if (!m_state.store) return step;
    struct stat st {};
    if (::stat(QFile::encodeName(m_path).constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            // Renamed away, perhaps for a new log under the same name: gone if none comes in time.
            if (!m_vanished.isValid()) m_vanished.start();
            if (m_vanished.elapsed() >= m_rotationGraceMs) step.outcome = Outcome::Gone;
        }
        return step;  // anything else may pass (a network mount that is slow to answer)
    }
    m_vanished.invalidate();
    if (!S_ISREG(st.st_mode)) {
        step.outcome = Outcome::Gone;
        return step;
    }
    const auto reread = [&](int quietLines) {
        step.outcome = readAgain(quietLines, step) ? Outcome::ReadAgain : Outcome::Stopped;
        return step;
    };
    if (quint64(st.st_dev) != m_state.device || quint64(st.st_ino) != m_state.inode || st.st_size < m_state.offset)
        return reread(0);

    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) return step;  // try again at the next poll
    // A file written anew in place, even to the same size, starts differently.
    if (!sameHead(file)) return reread(0);
    if (st.st_size == m_state.offset) return step;
    // An open refuses a file this large; following holds no more than an open would.
    if (st.st_size >= m_ctx.maxSize) {
        tellTooLarge();
        step.outcome = Outcome::TooLarge;
        return step;
    }
    // The bytes before the offset must be those read: a file written anew in place is read anew.
    const qint64 guard = m_state.lastBytes.size();
    if (!file.seek(m_state.offset - guard) || file.read(guard) != m_state.lastBytes) return reread(0);

    PassReport before = m_state.store->report();
    bool grew = false, stopped = false, tooLarge = false;
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
        // The file may grow while it is read: the limit holds for what is read, not what was seen.
        const qint64 room = m_ctx.maxSize - m_state.offset;
        if (room <= 0) {
            tooLarge = true;
            break;
        }
        QByteArray block = file.read(std::min(kBlock, room));
        if (block.isEmpty()) break;
        m_state.offset += block.size();
        m_state.lastBytes = block.size() >= kReadOnGuardBytes ? block.right(kReadOnGuardBytes)
                                                              : (m_state.lastBytes + block).right(kReadOnGuardBytes);
        m_state.digest.add(block);
        if (m_state.decoder) block = QString((*m_state.decoder)(block)).toLatin1();
        if (!m_state.feed.feed(block, one)) break;
    }
    if (m_state.headSize < kReadOnHeadBytes && file.seek(0)) {
        const QByteArray head = file.read(std::min<qint64>(kReadOnHeadBytes, m_state.offset));
        m_state.headSize = head.size();
        m_state.headSum = Sha256::hash(head);
    }
    if (grew) return reread(m_state.store->report().lines - 1);
    if (stopped || tooLarge) {
        if (tooLarge) tellTooLarge();
        step.outcome = tooLarge ? Outcome::TooLarge : Outcome::Stopped;
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
