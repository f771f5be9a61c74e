#include "export/batchrun.h"

#include "export/exportcli.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <functional>
#include <vector>

QString outputNameFor(const QString &dir, const QString &log, const QString &suffix, QStringList &taken) {
    const QString base = QFileInfo(log).completeBaseName();
    QString name = QDir(dir).filePath(base + suffix);
    for (int n = 2; taken.contains(name); ++n)
        name = QDir(dir).filePath(QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(suffix));
    taken << name;
    return name;
}

int runManyLogs(const QString &program, const ExportOptions &o) {
    for (const QString &dir : {o.reportDir, o.csvDir}) {
        if (dir.isEmpty() || QDir().mkpath(dir)) continue;
        printError(QStringLiteral("brinewick-export: cannot make the folder %1").arg(dir));
        return kExitFailed;
    }
    QStringList taken;
    std::vector<QStringList> runs;
    for (const QString &log : o.logFiles) {
        QStringList args = o.perLogArgs;
        if (!o.reportDir.isEmpty())
            args << QStringLiteral("--report") << outputNameFor(o.reportDir, log, QStringLiteral(".pdf"), taken);
        if (!o.csvDir.isEmpty())
            args << QStringLiteral("--csv") << outputNameFor(o.csvDir, log, QStringLiteral(".csv"), taken);
        runs.push_back(args << QStringLiteral("--") << log);
    }

    const int parallel = std::max(1, QThread::idealThreadCount());
    QStringList failed;
    int worst = kExitOk, active = 0;
    std::size_t next = 0;
    QEventLoop loop;
    std::function<void()> startMore;
    auto done = [&](QProcess *p, const QString &log, int status) {
        if (status != kExitOk) failed << QStringLiteral("%1 (exit status %2)").arg(log).arg(status);
        worst = std::max(worst, status);
        p->deleteLater();
        --active;
        startMore();
        if (active == 0) loop.quit();
    };
    startMore = [&] {
        for (; next < runs.size() && active < parallel; ++next) {
            auto *p = new QProcess(&loop);
            const QString log = o.logFiles[qsizetype(next)];
            p->setProcessChannelMode(QProcess::ForwardedChannels);
            QObject::connect(p, &QProcess::finished, &loop, [=, &done](int code, QProcess::ExitStatus how) {
                done(p, log, how == QProcess::NormalExit ? code : kExitFailed);
            });
            QObject::connect(p, &QProcess::errorOccurred, &loop, [=, &done](QProcess::ProcessError e) {
                if (e == QProcess::FailedToStart) done(p, log, kExitFailed);
            });
            ++active;
            p->start(program, runs[next]);
        }
    };
    startMore();
    if (active > 0) loop.exec();
    if (!failed.isEmpty())
        printError(QStringLiteral("brinewick-export: %1 of %2 logs not done: %3")
                       .arg(failed.size())
                       .arg(o.logFiles.size())
                       .arg(failed.join(QStringLiteral(", "))));
    return worst;
}
