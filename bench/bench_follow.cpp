// Following a log: 10 records appended to an open log are read, computed, flagged, counted
// and drawn by the real window offscreen. The file is never read again whole.
#include "app/frmmain.h"
#include "loggen.h"
#include "model/clsdataset.h"
#include "plot/ui/qcpgraph.h"
#include "workbench/workbench.h"

#include <QCoreApplication>
#include <QFile>
#include <QStatusBar>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <qcustomplot.h>

namespace {

// Record i of a generated log (08:00 plus 10 s a record), as the logger goes on writing it.
QByteArray records(long first, int count) {
    QByteArray out;
    char line[256];
    for (long i = first; i < first + count; ++i) {
        const long s = (8 * 3600 + i * 10) % 86400;
        const double wave = std::sin(double(i) / 500.0);
        const int n = std::snprintf(
            line, sizeof line, "\"%02ld:%02ld:%02ld\",%.2f,%.2f,%.2f,%.2f,%.2f,%.3f,%.3f,%ld,%.2f,%.1f\r\n", s / 3600,
            s / 60 % 60, s % 60, 20.0 + wave, 20.5 + wave, 21.0 - wave, -50.0 + 30 * wave, -40.0 + 25 * wave, 7.8, 7.9,
            i % 7, 1.25 + wave / 10, double(i) * 0.2);
        out.append(line, n);
    }
    return out;
}

void BM_FollowTenRecords(benchmark::State &state) {
    const int size = int(state.range(0));
    const QString path = writeGeneratedLog(size);
    QuietInteraction ui;
    {
        frmMain w(&ui);
        w.resize(1100, 700);
        w.show();
        w.graph().plot()->setPlottingHint(QCP::phImmediateRefresh, true);
        // Past 32,767 the any-length setting; a 32,767-record log grows past the limit only with it.
        w.workbench().setLoadAllRecords(true);
        w.openPath(path);
        w.mnuFollow_Click(true);
        QFile file(path);
        if (!file.open(QIODevice::Append)) state.SkipWithError("cannot append");
        long next = size;
        auto appendTen = [&] {
            file.write(records(next, 10));
            file.flush();
            next += 10;
        };
        appendTen();  // the first growth makes room in the table once
        w.pollNow();
        QCoreApplication::processEvents();
        for (auto _ : state) {
            state.PauseTiming();
            appendTen();
            state.ResumeTiming();
            w.pollNow();
            QCoreApplication::processEvents();  // the grid and the plot painted
        }
        if (w.dataSet().rowcount() != next) state.SkipWithError("records were not all taken");
        if (w.workbench().computedRows() != next) state.SkipWithError("records were not all computed");
        if (w.graph().pointCount() != next) state.SkipWithError("records were not all drawn");
        if (!w.StatusBar1->currentMessage().isEmpty()) state.SkipWithError("the log was read again whole");
    }
    QFile::remove(path);
}
BENCHMARK(BM_FollowTenRecords)->Arg(kMaxRecords)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char **argv) { return runOffscreenBenchmarks(argc, argv); }
