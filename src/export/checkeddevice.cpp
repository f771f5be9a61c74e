#include "export/checkeddevice.h"

#include <QFileDevice>
#include <cerrno>
#include <cstring>

CheckedDevice::CheckedDevice(QIODevice &target) : m_target(target) {
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

void CheckedDevice::fail(const QString &reason) {
    if (m_failed) return;
    m_failed = true;
    m_reason = reason;
    setErrorString(reason);
}

qint64 CheckedDevice::writeData(const char *data, qint64 len) {
    if (m_failed) return -1;
    qint64 done = 0;
    while (done < len) {
        errno = 0;
        const qint64 n = m_target.write(data + done, len - done);
        if (n > 0) {
            done += n;
            continue;
        }
        // A file's short write leaves no error text of its own ("Unknown error"); errno has it.
        const int code = errno;
        const auto *file = qobject_cast<const QFileDevice *>(&m_target);
        const bool ownReason = file ? file->error() != QFileDevice::NoError : !m_target.errorString().isEmpty();
        fail(code != 0   ? QString::fromLocal8Bit(std::strerror(code))
             : ownReason ? m_target.errorString()
                         : QStringLiteral("the data could not be written"));
        return -1;
    }
    return len;
}
