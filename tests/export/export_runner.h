#pragma once
// Runs the built brinewick-export and collects its exit status and output.
#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
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

inline Outcome run(const QStringList &args) {
    QProcess p;
    p.start(exePath(), args);
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
