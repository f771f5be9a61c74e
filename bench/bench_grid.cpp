// The Table tab's grid over 5,000,000 records (logs of any length): binding a new table with
// its columns, a refresh on a tab change, and a step to the last row, each painted offscreen.
#include "app/datagrid.h"
#include "model/datatable.h"
#include "model/datetime.h"
#include "loggen.h"

#include <QCoreApplication>
#include <QStringList>
#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kRows = 5000000;
const QStringList kCaptions = {"Time", "Therm 1", "Therm 2", "Therm 3",   "pH-1 Raw", "pH-2 Raw",
                               "pH-1", "pH-2",    "Aux",     "Flow Rate", "Total Vol"};

struct Fixture {
    DataTable table;
    DataGrid grid;
    Fixture() {
        table.resize(kRows - 1, 10);
        const double start = dt::fromParts({2004, 5, 13, 8, 0, 0});
        for (int r = 0; r < kRows; ++r) {
            table.setRecordTime(r, 0, start + r * 10.0 / dt::kSecondsPerDay);
            table.setCell(r, 1, 20.0 + (r % 100) / 100.0);
            table.setCell(r, 10, r * 0.5);
        }
        grid.resize(900, 600);
        grid.show();
    }
    // As the window does on Open.
    void bindWithColumns() {
        while (grid.columnCountOfGrid() > 0) grid.removeColumnAt(0);
        for (int i = 0; i < kCaptions.size(); ++i) grid.addColumnAt(i, kCaptions[i], i == 0 ? 1600 : 800);
        grid.bindTable(&table);
        grid.refreshGrid();
        grid.setCurrentRecord(0);
    }
};
std::unique_ptr<Fixture> g_fixture;

Fixture &fixture() {
    if (!g_fixture) g_fixture = std::make_unique<Fixture>();
    return *g_fixture;
}

void BM_GridBindLongTable(benchmark::State &state) {
    Fixture &f = fixture();
    for (auto _ : state) {
        f.grid.bindTable(nullptr);
        f.bindWithColumns();
        QCoreApplication::processEvents();
    }
    if (f.grid.model()->rowCount() != kRows) state.SkipWithError("rows missing");
}
BENCHMARK(BM_GridBindLongTable)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GridRefresh(benchmark::State &state) {
    Fixture &f = fixture();
    f.bindWithColumns();
    for (auto _ : state) {
        f.grid.refreshGrid();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_GridRefresh)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GridStepToLastRow(benchmark::State &state) {
    Fixture &f = fixture();
    f.bindWithColumns();
    for (auto _ : state) {
        f.grid.setCurrentRecord(kRows - 1);
        QCoreApplication::processEvents();
        f.grid.setCurrentRecord(0);
        QCoreApplication::processEvents();
    }
    if (f.grid.currentRecord() != 0) state.SkipWithError("step did not land");
}
BENCHMARK(BM_GridStepToLastRow)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char **argv) {
    return runOffscreenBenchmarks(argc, argv, [] { g_fixture.reset(); });
}
