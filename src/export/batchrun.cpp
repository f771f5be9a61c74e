#include "export/batchrun.h"

#include "export/exportcli.h"
#include "export/outputguard.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <functional>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

QString outputNameFor(const QString &dir, const QString &log, const QString &suffix, QStringList &taken) {
    const QString base = log == kStdinPath ? QStringLiteral("stdin") : QFileInfo(log).completeBaseName();
    QString name = QDir(dir).filePath(base + suffix);
    for (int n = 2; taken.contains(name); ++n)
        name = QDir(dir).filePath(QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(suffix));
    taken << name;
    return name;
}

namespace {

struct Run {
    QString log;
    QStringList args;
};

// Every log's outputs, named before any is written, so the whole batch is checked at once.
std::vector<Run> plannedRuns(const ExportOptions &o, QList<NamedFile> &outputs) {
    const struct {
        const QString &dir;
        const char *option, *folderOption, *suffix;
    } kinds[] = {{o.reportDir, "--report", "--report-dir", ".pdf"},
                 {o.csvDir, "--csv", "--csv-dir", ".csv"},
                 {o.statsDir, "--stats", "--stats-dir", ".stats.csv"}};
    QStringList taken;
    std::vector<Run> runs;
    for (const QString &log : o.logFiles) {
        Run run{log, o.perLogArgs};
        for (const auto &k : kinds) {
            if (k.dir.isEmpty()) continue;
            const QString name = outputNameFor(k.dir, log, QLatin1String(k.suffix), taken);
            run.args << QLatin1String(k.option) << name;
            outputs.append({QLatin1String(k.folderOption), name});
        }
        run.args << QStringLiteral("--") << log;
        runs.push_back(std::move(run));
    }
    return runs;
}

}  // namespace

int runManyLogs(const QString &program, const ExportOptions &o) {
    QList<NamedFile> inputs, outputs;
    for (const QString &log : o.logFiles) inputs.append({QStringLiteral("the log"), log});
    if (!o.calibratePath.isEmpty()) inputs.append({QStringLiteral("--calibrate"), o.calibratePath});
    const std::vector<Run> runs = plannedRuns(o, outputs);
    if (const QString clash = sameFileConflict(inputs, outputs); !clash.isEmpty()) {
        printError(QStringLiteral("brinewick-export: ") + clash);
        return kExitUsage;
    }
    for (const QString &dir : {o.reportDir, o.csvDir, o.statsDir}) {
        if (dir.isEmpty() || QDir().mkpath(dir)) continue;
        printError(QStringLiteral("brinewick-export: cannot make the folder %1").arg(dir));
        return kExitFailed;
    }

    const int parallel = std::max(1, QThread::idealThreadCount());
    const pid_t batch = ::getpid();
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
            const QString log = runs[next].log;
            p->setProcessChannelMode(QProcess::ForwardedChannels);
            // Standard input goes to the one run that reads it; the others see none.
            if (log == kStdinPath)
                p->setInputChannelMode(QProcess::ForwardedInputChannel);
            else
                p->setStandardInputFile(QProcess::nullDevice());
            // A run ends with the batch, however the batch ends.
            p->setChildProcessModifier([batch] {
                ::prctl(PR_SET_PDEATHSIG, SIGTERM);
                if (::getppid() != batch) ::_exit(kExitFailed);
            });
            QObject::connect(p, &QProcess::finished, &loop, [=, &done](int code, QProcess::ExitStatus how) {
                done(p, log, how == QProcess::NormalExit ? code : kExitFailed);
            });
            QObject::connect(p, &QProcess::errorOccurred, &loop, [=, &done](QProcess::ProcessError e) {
                if (e == QProcess::FailedToStart) done(p, log, kExitFailed);
            });
            ++active;
            p->start(program, runs[next].args);
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
