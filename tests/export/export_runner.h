#pragma once
// Runs the built brinewick-export and collects its exit status and output.
#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

namespace exporttest {

inline QString exePath() {
#ifdef BRINEWICK_EXPORT_EXE
    return QStringLiteral(BRINEWICK_EXPORT_EXE);
#else
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../brinewick-export");
#endif
}

struct Outcome {
    int status = -1;
    QByteArray out, err;
};

// Runs in `dir` when given, with `input` on standard input; `inChild` runs in the child first.
inline Outcome run(const QStringList &args, const QString &dir = QString(), const QByteArray &input = QByteArray(),
                   const std::function<void()> &inChild = {}) {
    QProcess p;
    if (inChild) p.setChildProcessModifier(inChild);
    if (!dir.isEmpty()) p.setWorkingDirectory(dir);
    p.start(exePath(), args);
    if (p.waitForStarted()) {
        p.write(input);
        p.closeWriteChannel();
    }
    Outcome r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) {
        ADD_FAILURE() << "brinewick-export did not finish: " << p.errorString().toStdString();
        return r;
    }
    r.status = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

}  // namespace exporttest
