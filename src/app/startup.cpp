#include "app/startup.h"
#include "app/frmmain.h"
#include "model/interaction.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QSysInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A lock untouched this long belongs to no running instance (a live one refreshes it).
constexpr int kStaleLockMs = 30000;

// The executable's base name of a running process, empty when it is not there.
QString processName(qint64 pid) {
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid))).fileName();
}

}  // namespace

InstanceLock::InstanceLock(const QString &path) : m_file(path) {
    m_file.setStaleLockTime(kStaleLockMs);
    m_refresh.setInterval(kStaleLockMs / 3);
    QObject::connect(&m_refresh, &QTimer::timeout, [this] {
        if (m_file.isLocked()) ::utimensat(AT_FDCWD, QFile::encodeName(m_file.fileName()).constData(), nullptr, 0);
    });
    m_refresh.start();
}

QString defaultInstanceLockPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return QDir(dir).filePath(QStringLiteral("brinewick.lock"));
}

bool lockNamesLiveInstance(const QString &path) {
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) return false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    const QList<QByteArray> lines = f.read(4096).split('\n');
    // pid, program, host, machine id, boot id: as QLockFile writes them.
    bool ok = false;
    const qint64 pid = lines.value(0).trimmed().toLongLong(&ok);
    if (!ok || pid <= 0 || lines.size() < 3) return false;
    if (QString::fromUtf8(lines[2]) != QSysInfo::machineHostName()) return false;
    if (const QByteArray boot = lines.value(4); !boot.isEmpty() && boot != QSysInfo::bootUniqueId()) return false;
    struct stat proc {};
    if (::stat(QStringLiteral("/proc/%1").arg(pid).toLocal8Bit().constData(), &proc) != 0 || proc.st_uid != ::geteuid())
        return false;
    const QString ours = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return processName(pid) == ours && QString::fromUtf8(lines[1]) == ours;
}

namespace {
// Held while a start looks at the lock and takes it over: the look, the removal of a stale
// lock and the new lock are one step for all starts at once. The kernel lets go of it when
// its holder dies, and the file itself is never removed, so it can never go stale.
class TakeOverTurn {
public:
    explicit TakeOverTurn(const QString &lockPath) {
        m_fd = ::open(QFile::encodeName(lockPath + QStringLiteral(".turn")).constData(),
                      O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (m_fd < 0) return;  // no turns in a folder we cannot write: as without them
        struct stat st {};
        if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
            ::close(m_fd);
            m_fd = -1;
            return;
        }
        while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {}
    }
    ~TakeOverTurn() {
        if (m_fd >= 0) ::close(m_fd);  // closing lets go of the turn
    }
    TakeOverTurn(const TakeOverTurn &) = delete;
    TakeOverTurn &operator=(const TakeOverTurn &) = delete;

private:
    int m_fd = -1;
};
}  // namespace

std::unique_ptr<InstanceLock> claimSingleInstance(IInteraction &ui, const QString &lockPath,
                                                  const std::function<bool()> &handOver) {
    const QString path = lockPath.isEmpty() ? defaultInstanceLockPath() : lockPath;
    bool running = false;
    std::unique_ptr<InstanceLock> lock;
    {
        const TakeOverTurn turn(path);
        // Anything at the lock's place that is no lock of a live instance goes first; a named
        // pipe there would otherwise block the lock's own reading of it.
        struct stat st {};
        const bool present = ::lstat(QFile::encodeName(path).constData(), &st) == 0;
        if (present && lockNamesLiveInstance(path)) {
            running = true;
        } else {
            if (present && !S_ISDIR(st.st_mode)) ::unlink(QFile::encodeName(path).constData());
            lock = std::make_unique<InstanceLock>(path);
            if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode))
                return std::make_unique<InstanceLock>(QString());  // could not clear it: run unguarded
            if (lock->file().tryLock(0)) return lock;
            running = lock->file().error() == QLockFile::LockFailedError;
        }
    }
    if (running) {
        // Told outside the turn: a message waits for the person, the other starts may not.
        if (!handOver || !handOver())
            ui.message(QStringLiteral("Application is already running"), kAppTitle, MsgButtons::Ok, MsgIcon::Stop);
        return nullptr;
    }
    // The lock folder cannot be written: run without the single-instance guard rather than not at all.
    return std::make_unique<InstanceLock>(QString());
}

void openFromArguments(frmMain &window, const QStringList &arguments) {
    QStringList rest = arguments.mid(1);
    const bool follow = rest.removeAll(QStringLiteral("--follow")) > 0;
    rest.removeAll(QString());
    if (rest.isEmpty()) return;
    window.openDroppedPaths(rest);
    if (follow && window.mnuFollow->isEnabled()) window.mnuFollow_Click(true);
}
