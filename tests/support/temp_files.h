#pragma once
// Generated test files live in a temporary folder that is removed afterwards.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A file's bytes; empty when it cannot be read.
QByteArray slurp(const QString &path);

class TempFiles {
public:
    TempFiles();
    QString path(const QString &name) const;
    // Writes the bytes as they are (no line-ending conversion) and returns the full path.
    QString write(const QString &name, const QByteArray &bytes) const;
    // Joins lines with CR LF, as the instrument writes them.
    QString writeLines(const QString &name, const QStringList &lines, const QByteArray &eol = "\r\n") const;

private:
    QTemporaryDir m_dir;
};
