#include "support/temp_files.h"

#include <QFile>
#include <QStringList>
#include <stdexcept>

TempFiles::TempFiles() {
    if (!m_dir.isValid()) throw std::runtime_error("no temporary folder");
}

QString TempFiles::path(const QString &name) const { return m_dir.filePath(name); }

QString TempFiles::write(const QString &name, const QByteArray &bytes) const {
    QFile f(path(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write test file");
    return f.fileName();
}

QString TempFiles::writeLines(const QString &name, const QStringList &lines, const QByteArray &eol) const {
    QByteArray bytes;
    for (const QString &l : lines) bytes += l.toLatin1() + eol;
    return write(name, bytes);
}

QByteArray slurp(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
