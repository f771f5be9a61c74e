#include "plot/plotbuilder.h"

#include "model/clsdataset.h"
#include "compute/phcompute.h"
#include "compute/statistics.h"
#include "corrections/corrections.h"
#include "model/clsplotset.h"
#include "model/deployment.h"
#include "plot/decimalday.h"
#include "plot/graph.h"
#include "qc/qctests.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// The battery voltage: a column the readout does not show.
constexpr int kBatteryColumn = 8;
}  // namespace

const std::vector<ExtraSeries> &extraSeriesChoices() {
    static const std::vector<ExtraSeries> choices = {
        {colTherm1, "Therm 1", 0x4080FF},
        {colTherm2, "Therm 2", 0x40C0FF},
        {colTherm3, "Therm 3", 0x80FFFF},
        {tCorrectedField(0), "Therm 1 corrected", 0x2060C0},
        {tCorrectedField(1), "Therm 2 corrected", 0x2090C0},
        {tCorrectedField(2), "Therm 3 corrected", 0x40C0C0},
        {colPH1Raw, "pH-1 Raw", 0x80FF80},
        {colPH2Raw, "pH-2 Raw", 0x8080FF},
        {colFlowRate, "Flow Rate", 0xFFC040},
        {colTotalVolume, "Total Vol", 0xFF80C0},
        {kBatteryColumn, "Battery", 0xC0C0C0},
    };
    return choices;
}

PlotBuilder::PlotBuilder(clsDataSet &dataSet, clsPlotSet &plotSet, IGraph &graph, InputsFn inputs, StatusFn status)
    : m_dataSet(dataSet), m_plotSet(plotSet), m_graph(graph), m_inputs(std::move(inputs)), m_status(std::move(status)) {
}

void PlotBuilder::rebuildPlot() {
    const PlotInputs in = m_inputs ? m_inputs() : PlotInputs{};
    m_plotSet.Clear();
    if (in.plotPH1) m_plotSet.add(colPH1, QStringLiteral("pH-1"), colPH1Color);
    if (in.plotPH2) m_plotSet.add(colPH2, QStringLiteral("pH-2"), colPH2Color);
    if (in.plotPH1Corr) m_plotSet.add(kPH1CorrField, QStringLiteral("pH-1 corr"), colPH1CorrColor);
    if (in.plotPH2Corr) m_plotSet.add(kPH2CorrField, QStringLiteral("pH-2 corr"), colPH2CorrColor);
    if (in.plotDpH) m_plotSet.add(kDpHField, QStringLiteral("dpH"), colDpHColor);
    m_extra = in.extraFields;
    m_corr = in.thermistorCorr;

    m_graph.setVisible(true);
    m_graph.setMarkerLineType(kMarkerLineType);
    m_graph.setMarkerColor(kMarkerColor);
    m_graph.setMarkerText(QString());
    m_graph.setXAxisLabel(QStringLiteral("Date/Time"));

    const int own = m_plotSet.Count();
    const int n = own + int(m_extra.size());
    if (n == 0) {
        m_graph.setVisible(false);
    } else {
        m_graph.setSeriesCount(n);
        for (int i = 0; i < own; ++i) {
            m_graph.setSeriesColor(i, std::uint32_t(m_plotSet.colorindex(i)));
            m_graph.setSeriesLabel(i, m_plotSet.plotname(i));
            m_graph.setSeriesOwnAxis(i, false);
            m_graph.setSeriesOnRightAxis(i, m_plotSet.datafieldindex(i) == kDpHField);
        }
        for (int i = own; i < n; ++i) {
            const int field = m_extra[std::size_t(i - own)];
            const auto &choices = extraSeriesChoices();
            const auto c = std::find_if(choices.begin(), choices.end(),
                                        [field](const ExtraSeries &e) { return e.field == field; });
            m_graph.setSeriesColor(i, c != choices.end() ? c->color : 0xFFFFFF);
            m_graph.setSeriesLabel(i, c != choices.end() ? QString::fromLatin1(c->label) : QString());
            m_graph.setSeriesOnRightAxis(i, false);
            m_graph.setSeriesOwnAxis(i, true);
        }
        // With one pH series the Y label keeps what the first (two-series) rebuild gave it.
        if (in.plotPH1 && in.plotPH2) m_graph.setYAxisLabel(QStringLiteral("pH"));
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
    if (m_dataSet.isInitialized() && m_pushed == dataSource() && m_graph.pointCount() == m_pushed.points) {
        pushLineBreaks();
        m_graph.request(kActionRedraw);
    } else {
        fillPlotData();
    }
}

PlotBuilder::DataSource PlotBuilder::dataSource() {
    DataSource d;
    if (!m_dataSet.isInitialized()) return d;
    const DataTable &table = m_dataSet.DATA();
    d.table = &table;
    d.generation = table.generation();
    d.points = table.rowCount();
    for (int i = 0; i < std::min(m_plotSet.Count() + int(m_extra.size()), m_graph.seriesCount()); ++i)
        d.columns.push_back(fieldOf(i));
    d.corr = m_corr;
    return d;
}

int PlotBuilder::fieldOf(int series) const {
    const int own = m_plotSet.Count();
    return series < own ? m_plotSet.datafieldindex(series) : m_extra[std::size_t(series - own)];
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

    const int series = std::min(m_plotSet.Count() + int(m_extra.size()), m_graph.seriesCount());
    const std::vector<int> cols = plotColumns(table, series);
    const std::size_t computed = std::size_t(std::clamp(m_computedRows, 0, points));
    // A block at a time straight from the table's columns: a long log's plot keeps no other
    // copy of its points, not even for the push. The graph may keep the source to read rows
    // again, so it holds no reference to this call's locals, and reads no row the table has
    // since lost (a draw before the next push).
    for (int i = 0; i < series; ++i)
        m_graph.setSeriesPoints(i, points,
                                [this, &table, col = cols[std::size_t(i)], computed](std::size_t from, std::size_t to,
                                                                                     double *x, float *y) {
                                    const auto rows = std::size_t(std::max(table.rowCount(), 0));
                                    const std::size_t have = std::clamp(rows, from, to);
                                    if (have > from) seriesBlock(table, col, 0, computed, from, have, x, y);
                                    std::fill(x + (have - from), x + (to - from), 0.0);
                                    std::fill(y + (have - from), y + (to - from),
                                              std::numeric_limits<float>::quiet_NaN());
                                });
    pushFlagMarks(table);
    pushGradeStrips(table, 0);
    pushLineBreaks();
    m_pushed = dataSource();
    m_graph.request(kActionRedraw);
}

std::vector<int> PlotBuilder::plotColumns(const DataTable &table, int series) const {
    std::vector<int> cols;
    for (int i = 0; i < series; ++i) {
        // A column the table lacks, or a cell that is no number, leaves a gap instead of
        // throwing out of the event handler.
        const int col = fieldOf(i);
        const bool corrected = col <= tCorrectedField(0) && col >= tCorrectedField(2);
        const bool phCorr = col == kPH1CorrField || col == kPH2CorrField;
        cols.push_back(col == kDpHField || corrected || phCorr || (col >= 0 && col <= table.lastCol()) ? col : -1);
    }
    return cols;
}

void PlotBuilder::seriesBlock(const DataTable &table, int col, int first, std::size_t computed, std::size_t from,
                              std::size_t to, double *x, float *y) const {
    constexpr float gap = std::numeric_limits<float>::quiet_NaN();
    const std::size_t n = to - from, at = std::size_t(first) + from;
    // An empty cell (a missing value) holds NaN in its column, so it is a gap, not 0.
    const double *day = table.days().data() + at;
    for (std::size_t k = 0; k < n; ++k) x[k] = std::isnan(day[k]) ? 0.0 : day[k];  // no date-time: at 0.0
    // pH the last Compute did not reach is left out.
    const std::size_t upTo = std::clamp(computed, from, to) - from;
    if (col == kDpHField) {
        const bool hasPH = table.lastCol() >= colPH2;
        if (hasPH) {
            const double *a = table.numbers(colPH1).data() + at, *b = table.numbers(colPH2).data() + at;
            for (std::size_t k = 0; k < upTo; ++k) {
                const double d = a[k] - b[k];
                y[k] = float(std::isnan(d) ? d : roundPH(d));
            }
        }
        std::fill(y + (hasPH ? upTo : 0), y + n, gap);
    } else if (col == kPH1CorrField || col == kPH2CorrField) {
        // Read in place from the pH column and the corrections: no copy of a long series.
        const int probe = col == kPH1CorrField ? 0 : 1;
        const ProbeCorrections *c = m_corrections[std::size_t(probe)];
        const std::size_t size = c && table.lastCol() >= colPH2 ? c->grade.size() : 0;
        const std::size_t rows = size > std::size_t(first) ? size - std::size_t(first) : 0;  // from `first` on
        const std::size_t have = std::clamp(std::min(rows, computed), from, to) - from;
        if (have > 0) {
            const double *v = table.numbers(probe == 0 ? colPH1 : colPH2).data() + at;
            const Grade *g = c->grade.data() + at;
            const double *d = c->correction.data() + at;
            for (std::size_t k = 0; k < have; ++k)
                y[k] = g[k] == Grade::None || g[k] == Grade::NotReported ? gap : float(v[k] + d[k]);
        }
        std::fill(y + have, y + n, gap);
    } else if (col == colPH1 || col == colPH2) {
        const double *v = table.numbers(col).data() + at;
        for (std::size_t k = 0; k < upTo; ++k) y[k] = float(v[k]);
        std::fill(y + upTo, y + n, gap);
    } else if (col >= 0) {
        const double *v = table.numbers(col).data() + at;  // as the log has it, computed or not
        for (std::size_t k = 0; k < n; ++k) y[k] = float(v[k]);
    } else if (col <= tCorrectedField(0) && colTherm1 + tCorrectedField(0) - col <= table.lastCol()) {
        const int t = tCorrectedField(0) - col;
        const double *v = table.numbers(colTherm1 + t).data() + at;
        const double corr = m_corr[std::size_t(t)];
        for (std::size_t k = 0; k < n; ++k) y[k] = float(v[k] + corr);
    } else {
        std::fill(y, y + n, gap);
    }
}

std::vector<double> PlotBuilder::marksFrom(const DataTable &table, int row) {
    const int points = table.rowCount();
    std::vector<double> marks;
    if (!m_flags || m_flags->size() != std::size_t(points) || row >= points) return marks;
    const std::uint16_t *flags = m_flags->data();
    const double *days = table.days().data();
    const bool qc = m_aggregates && m_aggregates->size() == std::size_t(points);
    const std::uint16_t *aggregates = qc ? m_aggregates->data() : nullptr;
    auto marked = [&](int r) { return qc ? qcRank(qcWorstPH(aggregates[r])) >= qcRank(qcSuspect) : flags[r] != 0; };
    std::size_t flagged = 0;
    for (int r = row; r < points; ++r) flagged += marked(r);
    marks.reserve(flagged);
    // Not when appending: it would copy them all.
    if (!m_daysInOrder && m_markRows.empty()) m_markRows.reserve(flagged);
    const auto failFrom = std::lower_bound(m_failRows.begin(), m_failRows.end(), row) - m_failRows.begin();
    m_failRows.resize(std::size_t(failFrom));
    m_failDays.resize(std::size_t(failFrom));
    for (int r = row; r < points; ++r)
        if (marked(r)) {
            const double day = days[r];
            if (std::isnan(day)) continue;
            marks.push_back(day);
            if (!m_daysInOrder) m_markRows.push_back(r);
            if (qc && qcWorstPH(aggregates[r]) == qcFail) {
                m_failRows.push_back(r);
                m_failDays.push_back(day);
            }
        }
    m_graph.setFailMarks(m_failDays);
    return marks;
}

void PlotBuilder::checkDayOrder(const DataTable &table) {
    const std::span<const double> days = table.days();
    const int rows = int(days.size());
    if (m_dayRows > rows) m_dayRows = 0, m_daysInOrder = true;
    for (int r = m_dayRows; r < rows && m_daysInOrder; ++r)
        m_daysInOrder =
            std::isfinite(days[std::size_t(r)]) && (r == 0 || days[std::size_t(r)] >= days[std::size_t(r - 1)]);
    m_dayRows = rows;
}

void PlotBuilder::pushFlagMarks(const DataTable &table) {
    m_dayRows = 0;
    m_daysInOrder = true;
    checkDayOrder(table);
    m_markRows.clear();
    m_failRows.clear();
    m_failDays.clear();
    m_graph.setFlagMarks(marksFrom(table, 0));
    m_graph.setFailMarks(m_failDays);
}

void PlotBuilder::appendRows(int firstNewRow, int firstFlagRow) {
    if (!m_dataSet.isInitialized()) return;
    const DataTable &table = m_dataSet.DATA();
    const int points = table.rowCount();
    const int series = std::min(m_plotSet.Count() + int(m_extra.size()), m_graph.seriesCount());
    if (firstNewRow != m_graph.pointCount() || points < firstNewRow || series == 0 || series != m_graph.seriesCount()) {
        fillPlotData();  // the graph does not hold the rows before the new ones
        return;
    }
    const int n = points - firstNewRow;
    if (n > 0) {
        const std::vector<int> cols = plotColumns(table, series);
        const std::size_t computed = std::size_t(std::clamp(m_computedRows - firstNewRow, 0, n));
        std::vector<double> xs(static_cast<std::size_t>(n));
        std::vector<float> ys(static_cast<std::size_t>(n));
        for (int i = 0; i < series; ++i) {
            seriesBlock(table, cols[std::size_t(i)], firstNewRow, computed, 0, std::size_t(n), xs.data(), ys.data());
            m_graph.appendSeriesData(i, xs.data(), ys.data(), n);
        }
    }
    // Only the marks of rows whose flags may have changed are made again.
    const bool wasInOrder = m_daysInOrder;
    checkDayOrder(table);
    if (m_daysInOrder) {
        // The marks before the first such row's day stand, and those from the first row of that day on are made again.
        const std::span<const double> days = table.days();
        const double day = firstFlagRow < points ? days[std::size_t(std::max(firstFlagRow, 0))] : INFINITY;
        const int from = int(std::lower_bound(days.begin(), days.end(), day) - days.begin());
        const std::vector<double> &held = m_graph.flagMarks();
        const auto keep = std::lower_bound(held.begin(), held.end(), day) - held.begin();
        m_graph.replaceFlagMarksFrom(std::size_t(keep), marksFrom(table, from));
    } else if (wasInOrder) {
        pushFlagMarks(table);  // the new rows put the days out of order: the marks' rows are needed
    } else {
        const auto keep = std::lower_bound(m_markRows.begin(), m_markRows.end(), firstFlagRow) - m_markRows.begin();
        m_markRows.resize(std::size_t(keep));
        m_graph.replaceFlagMarksFrom(std::size_t(keep), marksFrom(table, firstFlagRow));
    }
    pushGradeStrips(table, std::min(firstNewRow, firstFlagRow));
    pushLineBreaks();
    m_pushed = dataSource();
    m_graph.request(kActionRedraw);
}

void PlotBuilder::setCorrections(const ProbeCorrections *ph1, const ProbeCorrections *ph2) {
    m_corrections = {ph1, ph2};
    m_pushed = {};
}

void PlotBuilder::pushGradeStrips(const DataTable &table, int fromRow) {
    const std::span<const double> days = table.days();
    bool any = false;
    for (std::size_t p = 0; p < 2; ++p) {
        std::vector<DailyGrade> &daily = m_daily[p];
        const ProbeCorrections *c = m_corrections[p];
        if (!c || c->empty()) {
            any = any || !daily.empty();
            daily.clear();
            continue;
        }
        any = true;
        const std::size_t rows = std::min(c->grade.size(), days.size());
        // A log that grows: the days from that of the first changed row are worked out again.
        std::size_t start = fromRow > 0 && !daily.empty() ? std::min(std::size_t(fromRow), rows) : 0;
        if (start > 0 && start < rows && !std::isnan(days[start])) {
            const double date = std::floor(days[start]);
            while (start > 0 && !(std::floor(days[start - 1]) < date)) --start;
            daily.erase(std::lower_bound(daily.begin(), daily.end(), date,
                                         [](const DailyGrade &g, double d) { return g.date < d; }),
                        daily.end());
        } else if (start < rows) {
            start = 0;
            daily.clear();
        }
        if (start == 0) {
            daily = dailyGrades(days.first(rows), c->grade);  // no copy of a long log's grades
        } else if (start < rows) {
            const std::vector<Grade> grades(c->grade.begin() + std::ptrdiff_t(start),
                                            c->grade.begin() + std::ptrdiff_t(rows));
            const std::vector<DailyGrade> more = dailyGrades(days.subspan(start, rows - start), grades);
            daily.insert(daily.end(), more.begin(), more.end());
        }
    }
    if (!any) return;
    std::vector<IGraph::GradeStrip> strips;
    for (std::size_t p = 0; p < 2; ++p) {
        if (m_daily[p].empty()) continue;
        IGraph::GradeStrip strip{p == 0 ? QStringLiteral("pH-1") : QStringLiteral("pH-2"), {}};
        for (const DailyGrade &g : m_daily[p]) {
            // Days of one grade in a row make one band.
            if (!strip.bands.empty() && strip.bands.back().grade == int(g.grade) && strip.bands.back().toDay == g.date)
                strip.bands.back().toDay = g.date + 1;
            else
                strip.bands.push_back({g.date, g.date + 1, int(g.grade)});
        }
        strips.push_back(std::move(strip));
    }
    m_graph.setGradeStrips(std::move(strips));
}

void PlotBuilder::setGaps(const std::vector<Gap> *gaps) {
    m_gaps = gaps;
    m_breaksStale = true;
}

void PlotBuilder::pushLineBreaks() {
    if (!m_breaksStale) return;
    std::vector<double> days;
    if (m_gaps) {
        days.reserve(m_gaps->size());
        for (const Gap &g : *m_gaps) days.push_back((g.fromDay + g.toDay) / 2);  // clear of both records
    }
    m_graph.setLineBreaks(std::move(days));
    m_breaksStale = false;
}

void PlotBuilder::setComputed(int computedRows, const std::vector<std::uint16_t> *flags,
                              const std::vector<std::uint16_t> *aggregates) {
    m_computedRows = computedRows;
    m_flags = flags;
    m_aggregates = aggregates;
    m_pushed = {};  // new pH or new flags: the next rebuild copies the data again
}

void PlotBuilder::markPlotTime(double t) {
    m_graph.setMarkerPosition(toDecimalDay(t));
    m_graph.request(kActionRedraw);
    if (m_status) m_status(false);
}
