#include "model/cores.h"

#include <QFile>
#include <QList>
#include <thread>

bool aCoreIsFree() {
    const unsigned cores = std::thread::hardware_concurrency();
    if (cores < 2) return false;
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    if (!loadavg.open(QIODevice::ReadOnly)) return true;
    const QList<QByteArray> fields = loadavg.readAll().split(' ');
    bool ok = false;
    const unsigned running = fields.size() > 3 ? fields[3].split('/').value(0).toUInt(&ok) : 0;
    return !ok || running < cores;
}
