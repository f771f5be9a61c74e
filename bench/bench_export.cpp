// Export of a 32,767-record table to CSV in memory. With --write-log PATH [RECORDS] it only
// writes a generated log, for compare_export.sh.
#include "compute/phcompute.h"
#include "export/csvexport.h"
#include "fileio/fileio.h"
#include "loggen.h"
#include "model/clsdataset.h"

#include <QFile>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kRecords = 32767;

void BM_TableCsv(benchmark::State &state) {
    QuietInteraction ui;
    clsDataSet ds;
    storeLines(generateLog(kRecords), ds, ui);
    computeAll(ds.DATA(), ProbeInputs{ds.pH1_Slope(), ds.pH1_Offset()}, ProbeInputs{ds.pH2_Slope(), ds.pH2_Offset()});
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray csv = tableCsv(ds);
        bytes = csv.size();
        benchmark::DoNotOptimize(csv.constData());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_TableCsv)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--write-log") == 0) {
        const int records = argc >= 4 ? std::atoi(argv[3]) : kRecords;
        if (!writeLogFile(QString::fromLocal8Bit(argv[2]), records)) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "--write-day-log") == 0) {
        if (!writeDayLog(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]))) {
            std::fprintf(stderr, "cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
