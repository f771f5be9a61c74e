#include "plot/plotbuilder.h"

#include "model/clsdataset.h"
#include "compute/statistics.h"
#include "model/clsplotset.h"
#include "plot/decimalday.h"
#include "plot/graph.h"

#include <cmath>
#include <limits>

PlotBuilder::PlotBuilder(clsDataSet &dataSet, clsPlotSet &plotSet, IGraph &graph, InputsFn inputs, StatusFn status)
    : m_dataSet(dataSet), m_plotSet(plotSet), m_graph(graph), m_inputs(std::move(inputs)), m_status(std::move(status)) {
}

void PlotBuilder::rebuildPlot() {
    const PlotInputs in = m_inputs ? m_inputs() : PlotInputs{};
    m_plotSet.Clear();
    if (in.plotPH1) m_plotSet.add(colPH1, QStringLiteral("pH-1"), colPH1Color);
    if (in.plotPH2) m_plotSet.add(colPH2, QStringLiteral("pH-2"), colPH2Color);
    if (in.plotDpH) m_plotSet.add(kDpHField, QStringLiteral("dpH"), colDpHColor);

    m_graph.setVisible(true);
    m_graph.setMarkerLineType(kMarkerLineType);
    m_graph.setMarkerColor(kMarkerColor);
    m_graph.setMarkerText(QString());
    m_graph.setXAxisLabel(QStringLiteral("Date/Time"));

    const int n = m_plotSet.Count();
    if (n == 0) {
        m_graph.setVisible(false);
    } else {
        m_graph.setSeriesCount(n);
        for (int i = 0; i < n; ++i) {
            m_graph.setSeriesColor(i, std::uint32_t(m_plotSet.colorindex(i)));
            m_graph.setSeriesLabel(i, m_plotSet.plotname(i));
            m_graph.setSeriesOnRightAxis(i, m_plotSet.datafieldindex(i) == kDpHField);
        }
        // With one pH series the Y label keeps what the first (two-series) rebuild gave it.
        if (n - (in.plotDpH ? 1 : 0) == 2) m_graph.setYAxisLabel(QStringLiteral("pH"));
    }
    m_graph.setRightAxisLabel(in.plotDpH ? QStringLiteral("dpH") : QString());

    if (in.autoscale) {
        m_graph.setXScaleMode(kScaleAuto);
        m_graph.setYScaleMode(kScaleAuto);
    } else {
        m_graph.setXScaleMode(kScaleManual);
        m_graph.setXMin(dt2decimalday(in.start));
        m_graph.setXMax(dt2decimalday(in.end));
        m_graph.setYScaleMode(kScaleManual);
        m_graph.setYMinText(in.yMin);
        m_graph.setYMaxText(in.yMax);
    }
    if (m_dataSet.isInitialized() && m_pushed == dataSource() && m_graph.pointCount() == m_pushed.points)
        m_graph.request(kActionRedraw);
    else
        fillPlotData();
}

PlotBuilder::DataSource PlotBuilder::dataSource() {
    DataSource d;
    if (!m_dataSet.isInitialized()) return d;
    const DataTable &table = m_dataSet.DATA();
    d.table = &table;
    d.generation = table.generation();
    d.points = table.rowCount();
    for (int i = 0; i < std::min(m_plotSet.Count(), m_graph.seriesCount()); ++i)
        d.columns.push_back(m_plotSet.datafieldindex(i));
    return d;
}

void PlotBuilder::fillPlotData() {
    if (!m_dataSet.isInitialized()) {
        // No log yet: the axes still show what the range fields say.
        m_graph.request(kActionRedraw);
        return;
    }
    const DataTable &table = m_dataSet.DATA();
    const int points = table.lastRow() + 1;
    m_graph.setPointCount(points);

    const int series = std::min(m_plotSet.Count(), m_graph.seriesCount());
    if (series > 0) {
        // Scratch for this copy only: now that copies are rare, a long log's plot does not
        // keep a third copy of its points.
        std::vector<double> x(static_cast<std::size_t>(points));
        std::vector<float> y(static_cast<std::size_t>(points));
        for (int r = 0; r < points; ++r) {
            const double day = table.rowDay(r);
            x[std::size_t(r)] = std::isnan(day) ? 0.0 : day;  // a row without a date-time sits at 0.0
        }
        for (int i = 0; i < series; ++i) {
            const int col = m_plotSet.datafieldindex(i);
            if (col == kDpHField) {
                const int computed = std::min(m_computedRows, points);
                for (int r = 0; r < points; ++r)
                    y[std::size_t(r)] =
                        r < computed ? float(dpHValue(table, r)) : std::numeric_limits<float>::quiet_NaN();
                m_graph.setSeriesData(i, x.data(), y.data(), points);
                continue;
            }
            // A column the table lacks, or a cell that is no number, leaves a gap instead of
            // throwing out of the event handler.
            const bool hasColumn = col >= 0 && col <= table.lastCol();
            for (int r = 0; r < points; ++r) {
                const auto v = hasColumn && r < m_computedRows ? table.number(r, col) : std::nullopt;
                y[std::size_t(r)] = v ? float(*v) : std::numeric_limits<float>::quiet_NaN();
            }
            m_graph.setSeriesData(i, x.data(), y.data(), points);
        }
    }
    pushFlagMarks(table);
    m_pushed = dataSource();
    m_graph.request(kActionRedraw);
}

std::vector<double> PlotBuilder::marksFrom(const DataTable &table, int row) {
    const int points = table.rowCount();
    std::vector<double> marks;
    if (m_flags && m_flags->size() == std::size_t(points))
        for (int r = row; r < points; ++r)
            if ((*m_flags)[std::size_t(r)]) {
                const double day = table.rowDay(r);
                if (std::isnan(day)) continue;
                marks.push_back(day);
                m_markRows.push_back(r);
            }
    return marks;
}

void PlotBuilder::pushFlagMarks(const DataTable &table) {
    m_markRows.clear();
    m_graph.setFlagMarks(marksFrom(table, 0));
}

void PlotBuilder::appendRows(int firstNewRow, int firstFlagRow) {
    if (!m_dataSet.isInitialized()) return;
    const DataTable &table = m_dataSet.DATA();
    const int points = table.rowCount();
    const int series = std::min(m_plotSet.Count(), m_graph.seriesCount());
    if (firstNewRow != m_graph.pointCount() || points < firstNewRow || series == 0 || series != m_graph.seriesCount()) {
        fillPlotData();  // the graph does not hold the rows before the new ones
        return;
    }
    const int n = points - firstNewRow;
    if (n > 0) {
        std::vector<double> xs(static_cast<std::size_t>(n));
        std::vector<float> ys(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k) {
            const double day = table.rowDay(firstNewRow + k);
            xs[std::size_t(k)] = std::isnan(day) ? 0.0 : day;
        }
        for (int i = 0; i < series; ++i) {
            const int col = m_plotSet.datafieldindex(i);
            const bool hasColumn = col >= 0 && col <= table.lastCol();
            for (int k = 0; k < n; ++k) {
                const int r = firstNewRow + k;
                float y = std::numeric_limits<float>::quiet_NaN();
                if (r < m_computedRows) {
                    if (col == kDpHField) {
                        y = float(dpHValue(table, r));
                    } else if (hasColumn) {
                        if (const auto v = table.number(r, col)) y = float(*v);
                    }
                }
                ys[std::size_t(k)] = y;
            }
            m_graph.appendSeriesData(i, xs.data(), ys.data(), n);
        }
    }
    // Only the marks of rows whose flags may have changed are made again.
    const auto keep = std::lower_bound(m_markRows.begin(), m_markRows.end(), firstFlagRow) - m_markRows.begin();
    m_markRows.resize(std::size_t(keep));
    m_graph.replaceFlagMarksFrom(std::size_t(keep), marksFrom(table, firstFlagRow));
    m_pushed = dataSource();
    m_graph.request(kActionRedraw);
}

void PlotBuilder::setComputed(int computedRows, const std::vector<std::uint8_t> *flags) {
    m_computedRows = computedRows;
    m_flags = flags;
    m_pushed = {};  // new pH or new flags: the next rebuild copies the data again
}

void PlotBuilder::markPlotTime(double t) {
    m_graph.setMarkerPosition(toDecimalDay(t));
    m_graph.request(kActionRedraw);
    if (m_status) m_status(false);
}
