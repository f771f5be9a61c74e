// Reading a log of 32,767 records: the second pass alone (file already in memory) and the
// whole readFromFile from disk; then logs of any length on one core and in two halves.
#include "fileio/fileio.h"
#include "loggen.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <climits>

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

// Logs of any length, read on one core (halves 0) and, from kSplitReadLines lines on, in two
// halves at once (halves 1): classify and store in memory, and the whole read from disk.
void BM_ClassifyAndStoreAnyLength(benchmark::State &state) {
    const int records = int(state.range(0));
    const QByteArray log = generateLog(records);
    const int splitLines = state.range(1) ? kSplitReadLines : INT_MAX;
    QuietInteraction ui;
    clsDataSet ds;
    ds.setRecordLimit(kAnyLengthRecords);
    for (auto _ : state) benchmark::DoNotOptimize(storeLines(log, ds, ui, nullptr, splitLines));
    if (ds.rowcount() != records) state.SkipWithError("not every record was stored");
}
BENCHMARK(BM_ClassifyAndStoreAnyLength)
    ->ArgsProduct({{kRecords, 1000000}, {0, 1}})
    ->ArgNames({"records", "halves"})
    ->Unit(benchmark::kMillisecond);

void BM_ReadFromFileAnyLength(benchmark::State &state) {
    const int records = int(state.range(0));
    const QString path = writeGeneratedLog(records);
    QuietInteraction ui;
    ReaderContext ctx{ui, {}, {}, {}};
    ctx.splitLines = state.range(1) ? kSplitReadLines : INT_MAX;
    clsDataSet ds;
    ds.setRecordLimit(kAnyLengthRecords);
    for (auto _ : state) benchmark::DoNotOptimize(readFromFile(path, ds, ctx));
    if (ds.rowcount() != records) state.SkipWithError("not every record was stored");
    QFile::remove(path);
}
BENCHMARK(BM_ReadFromFileAnyLength)
    ->ArgsProduct({{kRecords, 1000000}, {0, 1}})
    ->ArgNames({"records", "halves"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
