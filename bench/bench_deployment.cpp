// A month of logs at one record a second, opened together in the window: read in parallel,
// joined, computed and plotted, as File > Open of the thirty files does it.
#include "app/frmmain.h"
#include "loggen.h"
#include "plot/ui/qcpgraph.h"
#include "workbench/workbench.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <qcustomplot.h>

namespace {

constexpr int kLogs = 30;

const QStringList &monthOfLogs() {
    static QTemporaryDir dir;
    static QStringList paths;
    if (paths.isEmpty())
        for (int d = 0; d < kLogs; ++d) {
            paths << dir.filePath(QStringLiteral("day%1.asc").arg(d + 1, 2, 10, QChar(u'0')));
            if (!writeDayLog(paths.back(), d)) paths.clear();
        }
    return paths;
}

// Kilobytes of a /proc/self/status line: VmRSS now, VmHWM the peak.
double statusKb(const char *key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key)) return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').first().toDouble();
    return 0;
}

void BM_OpenMonthOfLogs(benchmark::State &state) {
    const QStringList &paths = monthOfLogs();
    QuietInteraction ui;
    frmMain w(&ui);
    w.workbench().setLoadAllRecords(true);
    w.resize(1100, 700);
    w.show();
    w.graph().plot()->setPlottingHint(QCP::phImmediateRefresh, true);
    QCoreApplication::processEvents();
    const double empty = statusKb("VmRSS:");
    for (auto _ : state) {
        w.openPaths(paths);
        QCoreApplication::processEvents();  // the window shown, grid painted
    }
    if (w.dataSet().rowcount() != kLogs * 86400) state.SkipWithError("not all records were read");
    if (w.workbench().computedRows() != kLogs * 86400) state.SkipWithError("not all records were computed");
    state.counters["RSS_MB"] = statusKb("VmRSS:") / 1024;
    state.counters["peak_MB"] = statusKb("VmHWM:") / 1024;
    // What the deployment adds to the window (the first repetition starts from an empty one).
    state.counters["added_MB"] = (statusKb("VmRSS:") - empty) / 1024;
    state.counters["marks"] = double(w.graph().flagMarks().size());
}
BENCHMARK(BM_OpenMonthOfLogs)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// The same without a window: what the deployment itself holds.
void BM_JoinMonthOfLogs(benchmark::State &state) {
    const QStringList &paths = monthOfLogs();
    QuietInteraction ui;
    Workbench wb(ui, nullptr);
    wb.setLoadAllRecords(true);
    for (auto _ : state) {
        wb.openLogs(paths);
        wb.computePH();
    }
    state.counters["RSS_MB"] = statusKb("VmRSS:") / 1024;
    state.counters["peak_MB"] = statusKb("VmHWM:") / 1024;
    state.counters["table_MB"] = double(wb.openTable().memoryBytes()) / (1 << 20);
}
BENCHMARK(BM_JoinMonthOfLogs)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

}  // namespace

int main(int argc, char **argv) { return runOffscreenBenchmarks(argc, argv); }
