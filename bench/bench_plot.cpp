// Plot rebuild over a full data set (32,767 records, both series), data copy and redraw
// included, on the real graph in an offscreen window of 900 x 500.
#include "model/clsdataset.h"
#include "model/clsplotset.h"
#include "model/datetime.h"
#include "plot/plotbuilder.h"
#include "plot/ui/qcpgraph.h"
#include "loggen.h"

#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <cmath>
#include <memory>

namespace {

// Records ten seconds apart from 13 May 2004 08:00, like the generated logs, with pH values
// that wander and jitter the way computed probe readings do.
void fillDataSet(clsDataSet &ds, int records) {
    const double start = dt::fromParts({2004, 5, 13, 8, 0, 0});
    unsigned noise = 12345;
    std::vector<Cell> cells(11);
    for (int i = 0; i < records; ++i) {
        const double wave = std::sin(i / 500.0);
        noise = noise * 1103515245u + 12345u;
        const double jitter = double((noise >> 16) & 0xFF) / 2550.0;
        cells[colDateTime] = Cell(dt::recordText(start + i * 10.0 / dt::kSecondsPerDay));
        for (int c = 1; c <= 10; ++c) cells[std::size_t(c)] = Cell(20.0 + wave);
        cells[colPH1] = Cell(7.5 + 0.3 * wave + jitter);
        cells[colPH2] = Cell(7.9 - 0.2 * wave + jitter);
        ds.add(cells);
    }
    ds.DATA();
}

struct Fixture {
    clsDataSet dataSet;
    clsPlotSet plotSet;
    QcpGraph graph;
    PlotInputs inputs;
    PlotBuilder builder{dataSet, plotSet, graph, [this] { return inputs; }, nullptr};
    Fixture() {
        fillDataSet(dataSet, kMaxRecords);
        graph.widget()->resize(900, 500);
        graph.widget()->show();
        // Every replot paints the widget at once instead of scheduling an update.
        graph.plot()->setPlottingHint(QCP::phImmediateRefresh, true);
        builder.rebuildPlot();
    }
};

// Dropped before the application goes: the plot widget must not outlive it.
std::unique_ptr<Fixture> g_fixture;

Fixture &fixture() {
    if (!g_fixture) g_fixture = std::make_unique<Fixture>();
    return *g_fixture;
}

void BM_RebuildPlotAutoscale(benchmark::State &state) {
    Fixture &f = fixture();
    f.inputs = PlotInputs{};
    for (auto _ : state) f.builder.rebuildPlot();
    state.SetItemsProcessed(state.iterations() * kMaxRecords * 2);
}
BENCHMARK(BM_RebuildPlotAutoscale)->Unit(benchmark::kMillisecond)->UseRealTime();

// A keystroke in a range field: typed limits showing one hour of the data.
void BM_RebuildPlotTypedRange(benchmark::State &state) {
    Fixture &f = fixture();
    f.inputs = PlotInputs{};
    f.inputs.autoscale = false;
    f.inputs.start = QStringLiteral("05/14/2004 10:00:00");
    f.inputs.end = QStringLiteral("05/14/2004 11:00:00");
    f.inputs.yMin = QStringLiteral("6.0");
    f.inputs.yMax = QStringLiteral("9.0");
    for (auto _ : state) f.builder.rebuildPlot();
}
BENCHMARK(BM_RebuildPlotTypedRange)->Unit(benchmark::kMillisecond)->UseRealTime();

// Showing a record: only the marker layer is redrawn.
void BM_MarkPlotTime(benchmark::State &state) {
    Fixture &f = fixture();
    f.inputs = PlotInputs{};
    f.builder.rebuildPlot();
    const double start = dt::fromParts({2004, 5, 13, 8, 0, 0});
    int i = 0;
    for (auto _ : state) f.builder.markPlotTime(start + (i++ % kMaxRecords) * 10.0 / dt::kSecondsPerDay);
}
BENCHMARK(BM_MarkPlotTime)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char **argv) {
    return runOffscreenBenchmarks(argc, argv, [] { g_fixture.reset(); });
}
