#pragma once
// Small data sets for the plot tests.
#include "model/clsdataset.h"
#include "model/clsplotset.h"
#include "model/datetime.h"
#include "plot/plotbuilder.h"
#include "support/fake_graph.h"

#include <vector>

// One record per date-time; pH-1 = 7 + row/100, pH-2 = 8 - row/100.
inline void fillRecords(clsDataSet &ds, const std::vector<double> &times) {
    int row = 0;
    for (double t : times) {
        std::vector<Cell> cells(11, Cell(0.0));
        cells[colDateTime] = Cell(dt::recordText(t));
        cells[colPH1] = Cell(7.0 + row / 100.0);
        cells[colPH2] = Cell(8.0 - row / 100.0);
        ds.add(cells);
        ++row;
    }
    ds.DATA();  // the grid's first read trims the table and marks the set initialized
}

inline double at(int hour, int minute, int second) { return dt::fromParts({2004, 5, 13, hour, minute, second}); }

// A plot builder over a fake graph, with the inputs a test sets.
struct PlotWindow {
    clsDataSet dataSet;
    clsPlotSet plotSet;
    FakeGraph graph;
    PlotInputs inputs;
    std::vector<bool> statusCalls;  // force argument of each showAnnotationStatus
    PlotBuilder builder{dataSet, plotSet, graph, [this] { return inputs; },
                        [this](bool force) { statusCalls.push_back(force); }};
};
