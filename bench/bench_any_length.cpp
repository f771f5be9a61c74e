// Logs of any length, with the any-length setting: reading, the whole Open road on the real
// window offscreen, computing, the plot (a range-field keystroke, an autoscale rebuild with a
// data push, the marker) and the data set's memory, at 32,767, 100,000 and 1,000,000 records.
// BRINEWICK_BENCH_5M=1 adds 5,000,000, BRINEWICK_BENCH_10M=1 10,000,000.
#include "app/frmmain.h"
#include "fileio/fileio.h"
#include "loggen.h"
#include "plot/ui/qcpgraph.h"
#include "workbench/workbench.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <map>
#include <qcustomplot.h>

namespace {

std::map<int, QString> &logs() {
    static std::map<int, QString> paths;
    return paths;
}

const QString &logPath(int records) {
    QString &path = logs()[records];
    if (path.isEmpty()) path = writeGeneratedLog(records);
    return path;
}

void removeLogs() {
    for (const auto &[records, path] : logs()) QFile::remove(path);
}

void sizes(benchmark::internal::Benchmark *b) {
    b->Arg(32767)->Arg(100000)->Arg(1000000);
    if (qEnvironmentVariableIsSet("BRINEWICK_BENCH_5M")) b->Arg(5000000);
    if (qEnvironmentVariableIsSet("BRINEWICK_BENCH_10M")) b->Arg(10000000);
    b->Unit(benchmark::kMillisecond);
}

void BM_ClassifyAndStore(benchmark::State &state) {
    const QByteArray log = generateLog(int(state.range(0)));
    QuietInteraction ui;
    clsDataSet ds;
    ds.setRecordLimit(kAnyLengthRecords);
    for (auto _ : state) {
        PassReport report = storeLines(log, ds, ui);
        benchmark::DoNotOptimize(report);
    }
    if (ds.rowcount() != state.range(0)) state.SkipWithError("not every record was stored");
    state.counters["MB"] = double(ds.DATA().memoryBytes()) / (1 << 20);
}
BENCHMARK(BM_ClassifyAndStore)->Apply(sizes);

void BM_ReadFromFile(benchmark::State &state) {
    const QString &path = logPath(int(state.range(0)));
    QuietInteraction ui;
    ReaderContext ctx{ui, {}, {}, {}};
    clsDataSet ds;
    ds.setRecordLimit(kAnyLengthRecords);
    for (auto _ : state) benchmark::DoNotOptimize(readFromFile(path, ds, ctx));
    if (ds.rowcount() != state.range(0)) state.SkipWithError("not every record was stored");
}
BENCHMARK(BM_ReadFromFile)->Apply(sizes);

void BM_OpenRoad(benchmark::State &state) {
    QuietInteraction ui;
    frmMain w(&ui);
    w.workbench().setLoadAllRecords(true);
    w.resize(1100, 700);
    w.show();
    w.graph().plot()->setPlottingHint(QCP::phImmediateRefresh, true);
    const QString &path = logPath(int(state.range(0)));
    for (auto _ : state) {
        w.openPath(path);
        QCoreApplication::processEvents();  // the window shown, grid painted
    }
    if (w.dataSet().rowcount() != state.range(0)) state.SkipWithError("not all records were read");
}
BENCHMARK(BM_OpenRoad)->Apply(sizes);

// A workbench with the real graph, the log open and computed.
struct Plotted {
    QuietInteraction ui;
    QcpGraph graph;
    Workbench wb{ui, &graph};
    explicit Plotted(int records) {
        graph.widget()->resize(900, 500);
        graph.widget()->show();
        graph.plot()->setPlottingHint(QCP::phImmediateRefresh, true);
        wb.setLoadAllRecords(true);
        wb.open(logPath(records));
        wb.computePH();
        wb.rebuildPlot();
    }
};

// pH of every record alone, then the whole Compute with flags and the statistics index.
void BM_ComputePH(benchmark::State &state) {
    Plotted p(int(state.range(0)));
    const Calibration &c = p.wb.calibration();
    for (auto _ : state) benchmark::DoNotOptimize(computeAll(p.wb.table(), c.probe(0), c.probe(1)));
}
BENCHMARK(BM_ComputePH)->Apply(sizes);

void BM_Compute(benchmark::State &state) {
    Plotted p(int(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(p.wb.computePH());
}
BENCHMARK(BM_Compute)->Apply(sizes);

// A keystroke in a range field: typed limits, nothing new in the table.
void BM_RebuildAfterKeystroke(benchmark::State &state) {
    Plotted p(int(state.range(0)));
    PlotInputs &in = p.wb.plotInputs();
    in.autoscale = false;
    int i = 0;
    for (auto _ : state) {
        in.yMax = (i++ % 2) ? QStringLiteral("9.0") : QStringLiteral("9.5");
        p.wb.rebuildPlot();
    }
    state.counters["flagged"] =
        double(std::count_if(p.wb.flags().begin(), p.wb.flags().end(), [](auto f) { return f != 0; }));
}
BENCHMARK(BM_RebuildAfterKeystroke)->Apply(sizes);

// Autoscale after a Compute: the data goes to the graph again.
void BM_RebuildAutoscaleWithPush(benchmark::State &state) {
    Plotted p(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        p.wb.computePH();
        state.ResumeTiming();
        p.wb.rebuildPlot();
    }
}
BENCHMARK(BM_RebuildAutoscaleWithPush)->Apply(sizes);

// The same with both corrected series and their grade strips, read in place from the corrections.
void BM_RebuildWithCorrections(benchmark::State &state) {
    Plotted p(int(state.range(0)));
    const DataTable &t = p.wb.table();
    std::vector<ServiceVisit> visits;
    for (int probe : {1, 2}) {
        ServiceVisit first, last;
        first.probe = last.probe = probe;
        first.day = t.rowDay(0);
        last.day = t.rowDay(t.rowCount() - 1);
        first.bufferPH = last.bufferPH = 7.0;
        last.foulingError = -0.15;
        last.driftError = 0.10;
        visits.insert(visits.end(), {first, last});
    }
    p.wb.plotInputs().plotPH1Corr = p.wb.plotInputs().plotPH2Corr = true;
    for (auto _ : state) {
        state.PauseTiming();
        p.wb.setServiceVisits(visits, {});
        state.ResumeTiming();
        p.wb.rebuildPlot();
    }
    state.counters["strips"] = double(p.graph.gradeStrips().size());
}
BENCHMARK(BM_RebuildWithCorrections)->Apply(sizes);

void BM_MarkPlotTime(benchmark::State &state) {
    Plotted p(int(state.range(0)));
    const DataTable &t = p.wb.openTable();
    int i = 0;
    for (auto _ : state) p.wb.markPlotTime(t.rowDay((i += 997) % t.rowCount()));
}
BENCHMARK(BM_MarkPlotTime)->Apply(sizes)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char **argv) { return runOffscreenBenchmarks(argc, argv, removeLogs); }
