#include "export/batchrun.h"

#include "export/exportcli.h"
#include "export/logrun.h"
#include "export/outputguard.h"
#include "plot/graph.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <future>
#include <csignal>
#include <mutex>
#include <sys/prctl.h>
#include <sys/stat.h>
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
    QStringList args;       // the command's arguments for this log alone
    ExportOptions options;  // the same, as options
};

// Every log's outputs, named before any is written, so the whole batch is checked at once.
std::vector<Run> plannedRuns(const ExportOptions &o, QList<NamedFile> &outputs) {
    const struct {
        const QString &dir;
        const char *option, *folderOption, *suffix;
        QString ExportOptions::*path;
    } kinds[] = {{o.reportDir, "--report", "--report-dir", ".pdf", &ExportOptions::reportPath},
                 {o.csvDir, "--csv", "--csv-dir", ".csv", &ExportOptions::csvPath},
                 {o.statsDir, "--stats", "--stats-dir", ".stats.csv", &ExportOptions::statsPath}};
    ExportOptions one = o;
    one.reportDir.clear();
    one.csvDir.clear();
    one.statsDir.clear();
    one.logFiles.clear();
    QStringList taken;
    std::vector<Run> runs;
    for (const QString &log : o.logFiles) {
        Run run{log, o.perLogArgs, one};
        run.options.logFile = log;
        for (const auto &k : kinds) {
            if (k.dir.isEmpty()) continue;
            const QString name = outputNameFor(k.dir, log, QLatin1String(k.suffix), taken);
            run.args << QLatin1String(k.option) << name;
            run.options.*k.path = name;
            outputs.append({QLatin1String(k.folderOption), name});
        }
        run.args << QStringLiteral("--") << log;
        runs.push_back(std::move(run));
    }
    return runs;
}

// A pipe or a device may block or never end: such a log keeps a process of its own, which ends
// with the batch.
bool needsOwnProcess(const QString &log) {
    struct stat st {};
    if (log == kStdinPath || ::stat(QFile::encodeName(log).constData(), &st) != 0) return false;
    return S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) || S_ISSOCK(st.st_mode);
}

int runInOwnProcess(const QString &program, const Run &run, CapturedOutput &output) {
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    // The run ends with the batch, however the batch ends.
    const pid_t batch = ::getpid();
    p.setChildProcessModifier([batch] {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != batch) ::_exit(kExitFailed);
    });
    p.start(program, run.args);
    const bool finished = p.waitForFinished(-1);
    output.add(true, p.readAllStandardOutput());
    output.add(false, p.readAllStandardError());
    return finished && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : kExitFailed;
}

// A log's run as it goes through the batch.
struct Job {
    Run run;
    bool ownProcess = false;
    IGraph *graph = nullptr;         // the batch's, when the log is drawn
    std::unique_ptr<LogRun> logRun;  // held from its tables until its plot and report are drawn
    CapturedOutput output;
    int status = kExitOk;
    bool tablesDone = false;
};

// Everything of a log up to its drawing; a log that draws nothing is finished here.
void runTables(Job &job, const QString &program) {
    if (job.ownProcess) {
        job.status = runInOwnProcess(program, job.run, job.output);
        return;
    }
    const OutputCapture capture(job.output);
    try {
        if (const QString conflict = exportOutputConflict(job.run.options); !conflict.isEmpty()) {
            printError(QStringLiteral("brinewick-export: ") + conflict);
            job.status = kExitUsage;
            return;
        }
        auto run = std::make_unique<LogRun>(job.run.options, job.graph);
        if (const std::optional<int> ended = run->readAndCompute()) {
            job.status = *ended;
            return;
        }
        run->writeTables();
        if (job.graph)
            job.logRun = std::move(run);
        else
            job.status = run->finish();
    } catch (...) {  // a log that breaks the road fails alone, as its own process would
        job.status = kExitFailed;
    }
}

}  // namespace

int runManyLogs(const QString &program, const ExportOptions &o, const BatchDrawing *drawing) {
    QList<NamedFile> inputs, outputs;
    for (const QString &log : o.logFiles) inputs.append({QStringLiteral("the log"), log});
    if (!o.calibratePath.isEmpty()) inputs.append({QStringLiteral("--calibrate"), o.calibratePath});
    std::vector<Run> runs = plannedRuns(o, outputs);
    if (const QString clash = sameFileConflict(inputs, outputs); !clash.isEmpty()) {
        printError(QStringLiteral("brinewick-export: ") + clash);
        return kExitUsage;
    }
    for (const QString &dir : {o.reportDir, o.csvDir, o.statsDir}) {
        if (dir.isEmpty() || QDir().mkpath(dir)) continue;
        printError(QStringLiteral("brinewick-export: cannot make the folder %1").arg(dir));
        return kExitFailed;
    }

    std::vector<Job> jobs(runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
        jobs[i].ownProcess = needsOwnProcess(runs[i].log);
        jobs[i].run = std::move(runs[i]);
    }
    const std::size_t threads = std::min(jobs.size(), std::size_t(std::max(1, QThread::idealThreadCount())));
    // While logs are drawn, the pool runs only a few logs ahead: each holds its table until then.
    const std::size_t ahead = drawing ? 2 * threads + 1 : jobs.size();
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t released = drawing ? 0 : jobs.size(), next = 0;
    const auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return next < released || next == jobs.size(); });
            if (next == jobs.size()) return;
            Job &job = jobs[next++];
            lock.unlock();
            runTables(job, program);
            lock.lock();
            job.tablesDone = true;
            changed.notify_all();
        }
    };
    // QThreads, not bare threads: a log in its own process needs the thread's event dispatcher.
    std::vector<std::unique_ptr<QThread>> pool;
    for (std::size_t t = 0; t < threads; ++t) {
        pool.emplace_back(QThread::create(work));
        pool.back()->start();
    }

    QStringList failed;
    int worst = kExitOk;
    // Logs drawn whose reports are still being written, oldest first; each is told in turn.
    std::deque<std::pair<std::size_t, std::future<bool>>> writing;
    std::size_t told = 0;
    const auto tell = [&](std::size_t i, std::future<bool> *rest) {
        Job &job = jobs[i];
        if (job.logRun) {
            const OutputCapture capture(job.output);
            try {
                const bool written = !rest || rest->get();
                job.status = written ? job.logRun->finish() : kExitFailed;
            } catch (...) {
                job.status = kExitFailed;
            }
            job.logRun.reset();
        }
        job.output.flush();
        if (job.status != kExitOk) failed << QStringLiteral("%1 (exit status %2)").arg(job.run.log).arg(job.status);
        worst = std::max(worst, job.status);
        told = i + 1;
    };
    const auto tellOldest = [&] {
        tell(writing.front().first, &writing.front().second);
        writing.pop_front();
    };
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        for (const std::size_t end = std::min(jobs.size(), told + ahead); released < end;) {
            if (!jobs[released].ownProcess) jobs[released].graph = drawing->graph;
            const std::lock_guard lock(mutex);
            ++released;
            changed.notify_all();
        }
        Job &job = jobs[i];
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return job.tablesDone; });
        }
        std::function<void()> rest;
        if (job.logRun) {
            const OutputCapture capture(job.output);
            try {
                rest = drawing->draw(*job.logRun, *job.graph);
            } catch (...) {
                job.status = kExitFailed;
                job.logRun.reset();
            }
        }
        if (!rest) {
            while (!writing.empty()) tellOldest();
            tell(i, nullptr);
            continue;
        }
        writing.emplace_back(i, std::async(std::launch::async, [rest = std::move(rest)] {
                                 try {
                                     rest();
                                     return true;
                                 } catch (...) {
                                     return false;
                                 }
                             }));
        // Two reports at most under way: each holds its log's table.
        while (writing.size() > 2) tellOldest();
    }
    while (!writing.empty()) tellOldest();
    for (const std::unique_ptr<QThread> &t : pool) t->wait();
    if (!failed.isEmpty())
        printError(QStringLiteral("brinewick-export: %1 of %2 logs not done: %3")
                       .arg(failed.size())
                       .arg(o.logFiles.size())
                       .arg(failed.join(QStringLiteral(", "))));
    return worst;
}
