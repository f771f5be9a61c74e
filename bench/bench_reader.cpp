// Reading a log of 32,767 records: the second pass alone (file already in memory) and the
// whole readFromFile from disk.
#include "fileio/fileio.h"
#include "loggen.h"

#include <QFile>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRecords = 32767;

void BM_SecondPass(benchmark::State &state) {
    const QByteArray log = generateLog(kRecords);
    QuietInteraction ui;
    clsDataSet ds;
    for (auto _ : state) {
        PassReport report = storeLines(log, ds, ui);
        benchmark::DoNotOptimize(report);
    }
    if (ds.rowcount() != kRecords) state.SkipWithError("not every record was stored");
    state.counters["lines/s"] =
        benchmark::Counter(double(countLines(log)) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SecondPass)->Unit(benchmark::kMillisecond);

// A log of a million records with the 32,767-record cap on: the records past the cap are only
// counted.
void BM_SecondPassPastTheCap(benchmark::State &state) {
    const QByteArray log = generateLog(1000000);
    QuietInteraction ui;
    clsDataSet ds;
    for (auto _ : state) {
        PassReport report = storeLines(log, ds, ui);
        benchmark::DoNotOptimize(report);
        if (report.droppedRecords != 1000000 - kRecords) state.SkipWithError("records past the cap miscounted");
    }
}
BENCHMARK(BM_SecondPassPastTheCap)->Unit(benchmark::kMillisecond);

void BM_ReadFromFile(benchmark::State &state) {
    const QString path = writeGeneratedLog(kRecords);
    QuietInteraction ui;
    ReaderContext ctx{ui, {}, {}, {}};
    clsDataSet ds;
    for (auto _ : state) {
        bool ok = readFromFile(path, ds, ctx);
        benchmark::DoNotOptimize(ok);
    }
    if (ds.rowcount() != kRecords) state.SkipWithError("not every record was stored");
    QFile::remove(path);
}
BENCHMARK(BM_ReadFromFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
