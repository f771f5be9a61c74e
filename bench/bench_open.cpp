// The whole Open road for a 32,767-record log on disk: read, grid, readout, fields, compute,
// plot, on the real window offscreen; and its parts measured alone.
#include "app/frmmain.h"
#include "compute/phcompute.h"
#include "fileio/fileio.h"
#include "loggen.h"
#include "model/clsdataset.h"
#include "plot/ui/qcpgraph.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <qcustomplot.h>

namespace {

const QString &logPath() {
    static const QString path = writeGeneratedLog(kMaxRecords);
    return path;
}

void BM_OpenRoad(benchmark::State &state) {
    QuietInteraction ui;
    frmMain w(&ui);
    w.resize(1100, 700);
    w.show();
    w.graph().plot()->setPlottingHint(QCP::phImmediateRefresh, true);
    for (auto _ : state) {
        w.openPath(logPath());
        QCoreApplication::processEvents();  // the window shown, grid painted
    }
    if (w.dataSet().rowcount() != kMaxRecords) state.SkipWithError("not all records were read");
}
BENCHMARK(BM_OpenRoad)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ReadOnly(benchmark::State &state) {
    QuietInteraction ui;
    clsDataSet ds;
    ReaderContext ctx{ui, nullptr, nullptr, nullptr};
    for (auto _ : state) readFromFile(logPath(), ds, ctx);
}
BENCHMARK(BM_ReadOnly)->Unit(benchmark::kMillisecond);

void BM_ComputePH(benchmark::State &state) {
    QuietInteraction ui;
    clsDataSet ds;
    ReaderContext ctx{ui, nullptr, nullptr, nullptr};
    readFromFile(logPath(), ds, ctx);
    DataTable &t = ds.DATA();
    ProbeInputs p1{58.2, 0.0125, 0.0, 0, 0.0}, p2{57.9, -0.0125, 0.05, 1, -0.2};
    for (auto _ : state) {
        auto stop = computeAll(t, p1, p2);
        benchmark::DoNotOptimize(stop);
    }
}
BENCHMARK(BM_ComputePH)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
    const int status = runOffscreenBenchmarks(argc, argv);
    QFile::remove(logPath());
    return status;
}
