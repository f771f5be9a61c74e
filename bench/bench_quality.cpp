// The quality-control tests over a whole table (the results kept, and the per-test columns the
// CSV writes) and the statistics of a row range, at the default capacity and at 1,000,000
// records (the any-length setting), on tables built in memory; then the corrections and grades.
#include "corrections/corrections.h"
#include "qc/qcletters.h"
#include "qc/qctests.h"
#include "compute/statistics.h"
#include "model/clsdataset.h"
#include "model/datetime.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>

namespace {

// Records ten seconds apart with wandering, jittering readings, occasional zero flow and a
// flat stretch now and then, so every flag has work to do.
std::unique_ptr<DataTable> makeTable(int records) {
    auto t = std::make_unique<DataTable>();
    t->resize(records - 1, colTotalVolume);
    const double start = dt::fromParts({2004, 5, 13, 8, 0, 0});
    unsigned noise = 12345;
    for (int r = 0; r < records; ++r) {
        const double wave = std::sin(r / 500.0);
        noise = noise * 1103515245u + 12345u;
        const double jitter = double((noise >> 16) & 0xFF) / 2550.0;
        t->setCell(r, colDateTime, Cell(dt::recordText(start + r * 10.0 / dt::kSecondsPerDay)));
        for (int c = colTherm1; c <= colTherm3; ++c) t->setCell(r, c, Cell(18.0 + wave + c * 0.7));
        const bool flat = (r / 1000) % 7 == 3;
        t->setCell(r, colPH1Raw, Cell(flat ? 40.0 : 40.0 + jitter * 10));
        t->setCell(r, colPH2Raw, Cell(35.0 + jitter * 10));
        t->setCell(r, colPH1, Cell(7.5 + 0.3 * wave + jitter));
        t->setCell(r, colPH2, Cell(7.4 - 0.2 * wave + jitter));
        t->setCell(r, 8, Cell(0.0));
        t->setCell(r, colFlowRate, Cell(r % 211 == 0 ? 0.0 : 1.2 + wave / 10));
        t->setCell(r, colTotalVolume, Cell(r * 0.2));
    }
    return t;
}

const DataTable &table(int records) {
    static std::map<int, std::unique_ptr<DataTable>> tables;
    auto &t = tables[records];
    if (!t) t = makeTable(records);
    return *t;
}

void BM_QcTests(benchmark::State &state) {
    const int n = int(state.range(0));
    const DataTable &t = table(n);
    for (auto _ : state) {
        QcTable qc;
        QcResults results;
        qc.compute(t, n, QcThresholds{}, results);
        benchmark::DoNotOptimize(results.aggregates.data());
    }
}
BENCHMARK(BM_QcTests)->Arg(kMaxRecords)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Every test's result of every row, as --qc-columns writes them, in the CSV's pieces.
void BM_QcTestColumns(benchmark::State &state) {
    const int n = int(state.range(0));
    const DataTable &t = table(n);
    const QcSetup setup = qcSetup(QcThresholds{}, medianIntervalSeconds(t));
    std::vector<std::uint8_t> tests(std::size_t(16384) * kQcColumns);
    for (auto _ : state) {
        QcRunner runner(setup);
        for (int r = 0; r < n; r += 16384)
            runner.run(t, 0, n, r, std::min(n, r + 16384), {nullptr, nullptr, tests.data()});
        benchmark::DoNotOptimize(tests.data());
    }
}
BENCHMARK(BM_QcTestColumns)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_StatisticsIndexRebuild(benchmark::State &state) {
    const int n = int(state.range(0));
    const DataTable &t = table(n);
    StatisticsIndex index;
    for (auto _ : state) index.rebuild(t, n);
}
BENCHMARK(BM_StatisticsIndexRebuild)->Arg(1000000)->Unit(benchmark::kMillisecond);

// What the panel does on a zoom: rows of the visible X range, then their statistics. Ranges
// start and end inside blocks, the worst case for the partial scans.
void BM_StatisticsOfAZoomedRange(benchmark::State &state) {
    const int n = int(state.range(0));
    const DataTable &t = table(n);
    StatisticsIndex index;
    index.rebuild(t, n);
    const double start = t.rowDay(0);
    int i = 0;
    for (auto _ : state) {
        const double lo = start + (1000 + 37 * (i % 100)) * 10.0 / dt::kSecondsPerDay;
        const double hi = lo + (n * 0.8) * 10.0 / dt::kSecondsPerDay;
        const auto [first, last] = index.rowsBetween(t, lo, hi);
        const RangeStats s = index.range(t, first, last);
        benchmark::DoNotOptimize(s.series[0].mean);
        ++i;
    }
}
BENCHMARK(BM_StatisticsOfAZoomedRange)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Both probes' corrections and grades of every row, from eight periods between visits (a visit
// every two weeks at a million records), one visit of each probe with two check buffers.
void BM_Corrections(benchmark::State &state) {
    const int n = int(state.range(0));
    const DataTable &t = table(n);
    const double first = t.rowDay(0), span = t.rowDay(n - 1) - first;
    std::vector<ServiceVisit> visits;
    for (int probe = 1; probe <= 2; ++probe)
        for (int k = 0; k <= 8; ++k) {
            ServiceVisit v;
            v.probe = probe;
            v.day = first + span * k / 8.0;
            v.foulingError = -0.02 * (k % 4) * probe;
            v.bufferPH = 7.0;
            v.driftError = 0.03 * (k % 3);
            if (k == 4) {
                v.buffer2PH = 10.01;
                v.driftError2 = 0.12;
            }
            visits.push_back(v);
        }
    const std::array<ProbeCorrector, 2> correctors{ProbeCorrector(visitsOfProbe(visits, 1), {}),
                                                   ProbeCorrector(visitsOfProbe(visits, 2), {})};
    std::array<ProbeCorrections, 2> out;
    for (auto _ : state) {
        for (std::size_t p = 0; p < 2; ++p)
            correctRows(correctors[p], t.days(), t.numbers(p == 0 ? colPH1 : colPH2), out[p]);
        benchmark::DoNotOptimize(out[0].grade.data());
        benchmark::DoNotOptimize(out[1].grade.data());
    }
}
BENCHMARK(BM_Corrections)->Arg(kMaxRecords)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
