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
#include <fcntl.h>
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

std::unique_ptr<InstanceLock> claimSingleInstance(IInteraction &ui, const QString &lockPath) {
    const QString path = lockPath.isEmpty() ? defaultInstanceLockPath() : lockPath;
    // Anything at the lock's place that is no lock of a live instance goes first; a named pipe
    // there would otherwise block the lock's own reading of it.
    struct stat st {};
    const bool present = ::lstat(QFile::encodeName(path).constData(), &st) == 0;
    const auto alreadyRunning = [&ui] {
        ui.message(QStringLiteral("Application is already running"), kAppTitle, MsgButtons::Ok, MsgIcon::Stop);
        return nullptr;
    };
    if (present && lockNamesLiveInstance(path)) return alreadyRunning();
    if (present && !S_ISDIR(st.st_mode)) ::unlink(QFile::encodeName(path).constData());
    auto lock = std::make_unique<InstanceLock>(path);
    if (::lstat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return std::make_unique<InstanceLock>(QString());  // could not clear it: run unguarded
    if (lock->file().tryLock(0)) return lock;
    if (lock->file().error() == QLockFile::LockFailedError) return alreadyRunning();
    // The lock folder cannot be written: run without the single-instance guard rather than not at all.
    return std::make_unique<InstanceLock>(QString());
}

void openFromArguments(frmMain &window, const QStringList &arguments) {
    QStringList rest = arguments.mid(1);
    const bool follow = rest.removeAll(QStringLiteral("--follow")) > 0;
    if (rest.size() != 1 || rest[0].isEmpty()) return;
    window.openDroppedPath(rest[0]);
    if (follow && window.mnuFollow->isEnabled()) window.mnuFollow_Click(true);
}
