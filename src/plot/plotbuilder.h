#pragma once
// Builds the time plot from the window's state: series choice, scales, the data copy and
// the time marker. Every change rebuilds it; the data is copied again only when the table,
// the series or the last Compute changed, so a long log follows keystrokes at once.
#include "corrections/corrections.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

class IGraph;
class clsDataSet;
class clsPlotSet;
class DataTable;
struct Gap;

// Series colours (0x00BBGGRR) and the marker's look.
inline constexpr std::uint32_t colPH1Color = 0x00FF00, colPH2Color = 0x0000FF, colDpHColor = 0xFFFF00;
// The corrected pH: paler than the computed series, so the two read apart where they cross.
inline constexpr std::uint32_t colPH1CorrColor = 0xC0FF60, colPH2CorrColor = 0xFF80FF;
// The plot set's data field of the dpH series, which no DATA column holds.
inline constexpr int kDpHField = -2;
// The plot set's fields of the corrected pH of probe 1 and 2, kept beside DATA.
inline constexpr int kPH1CorrField = -3, kPH2CorrField = -4;
inline constexpr std::uint32_t kMarkerColor = 0x00FFFF;
inline constexpr int kMarkerLineType = 6;

// The corrected temperature of thermistor k (0..2) as a series field: raw plus its correction.
constexpr int tCorrectedField(int k) { return -10 - k; }
// A column the "Series" menu can add to the plot, each on a right axis of its own.
struct ExtraSeries {
    int field;  // a DATA column or tCorrectedField(k)
    const char *label;
    std::uint32_t color;
};
const std::vector<ExtraSeries> &extraSeriesChoices();

// What a rebuild reads of the window, taken fresh on every rebuild.
struct PlotInputs {
    bool plotPH1 = true;                                  // chkPlotPH1 ticked
    bool plotPH2 = true;                                  // chkPlotPH2 ticked
    bool plotDpH = false;                                 // chkPlotDpH ticked
    bool plotPH1Corr = false, plotPH2Corr = false;        // the corrected pH series ticked
    bool autoscale = true;                                // chkAutoscale ticked
    QString start, end;                                   // txtStart, txtEnd
    QString yMin, yMax;                                   // txtYMin, txtYMax
    std::vector<int> extraFields;                         // ticked in the Series menu, in its order
    std::array<double, 3> thermistorCorr{0.0, 0.0, 0.0};  // of the corrected temperatures
};

class PlotBuilder {
public:
    using InputsFn = std::function<PlotInputs()>;
    using StatusFn = std::function<void(bool force)>;  // the window's showAnnotationStatus

    PlotBuilder(clsDataSet &dataSet, clsPlotSet &plotSet, IGraph &graph, InputsFn inputs, StatusFn status);

    // The graph's visible item tells the window whether Label12 shows through.
    void rebuildPlot();
    // Copies the series into the graph, whether or not they changed, and redraws.
    void fillPlotData();
    // Rows from firstNewRow on were appended to DATA (a followed log): only their points go to
    // the graph, and the flag marks of rows from firstFlagRow on follow the flags.
    void appendRows(int firstNewRow, int firstFlagRow);
    // What the last Compute left beside DATA: rows with computed pH (later rows are left out of
    // the plot) and the flags to mark; the flags must outlive the builder or be replaced.
    // With the quality-control aggregates, the marks are the records whose worse pH result is
    // suspect or fail (the failed ones marked again in their own colour); without, any flag.
    void setComputed(int computedRows, const std::vector<std::uint16_t> *flags,
                     const std::vector<std::uint16_t> *aggregates = nullptr);
    // The gaps between records, which no line crosses; they must outlive the builder or be
    // replaced, and be given again whenever they change.
    void setGaps(const std::vector<Gap> *gaps);
    // The corrections of each probe's rows (the workbench's; they must outlive the builder). The
    // corrected series read them and the pH columns in place, and a probe with corrections gets
    // a grade strip; give setComputed again when they change.
    void setCorrections(const ProbeCorrections *ph1, const ProbeCorrections *ph2);
    // Moves the time marker to a date-time and redraws.
    void markPlotTime(double t);

private:
    struct DataSource;
    DataSource dataSource();
    // The field of series i: the plot set's, then the Series menu's.
    int fieldOf(int series) const;

    void pushFlagMarks(const DataTable &table);
    // The daily grades of rows from `fromRow` on made again (all when 0), and the strips pushed.
    void pushGradeStrips(const DataTable &table, int fromRow);
    void pushLineBreaks();
    // The days of flagged rows from `row` on; their rows go on m_markRows while the days are out of order.
    std::vector<double> marksFrom(const DataTable &table, int row);
    // Looks at the days of the rows not yet looked at: whether every row has one, in order.
    void checkDayOrder(const DataTable &table);
    // The column each of the first `series` series reads; -1 where the table lacks it.
    std::vector<int> plotColumns(const DataTable &table, int series) const;
    // Rows first+from..first+to-1 of the series that reads `col` into x[0..) and y[0..); rows
    // from first+computed on hold no computed pH.
    void seriesBlock(const DataTable &table, int col, int first, std::size_t computed, std::size_t from, std::size_t to,
                     double *x, float *y) const;
    clsDataSet &m_dataSet;
    clsPlotSet &m_plotSet;
    IGraph &m_graph;
    InputsFn m_inputs;
    StatusFn m_status;
    // Rows from here on hold no computed pH: they are left out, and dpH is drawn before them.
    int m_computedRows = std::numeric_limits<int>::max();
    const std::vector<std::uint16_t> *m_flags = nullptr, *m_aggregates = nullptr;
    std::vector<int> m_failRows;  // the rows of the fail marks, in order
    std::vector<double> m_failDays;
    std::vector<int> m_extra;  // fields of the series after the plot set's
    std::array<double, 3> m_corr{0.0, 0.0, 0.0};
    // The row of each flag mark the graph has, only while the rows' days are out of order: in
    // order, a mark's row is found from its day, and a month of marks needs no copy.
    std::vector<int> m_markRows;
    bool m_daysInOrder = true;  // of rows 0..m_dayRows-1: every one has a day, none before the last
    int m_dayRows = 0;
    const std::vector<Gap> *m_gaps = nullptr;
    std::array<const ProbeCorrections *, 2> m_corrections{nullptr, nullptr};
    std::array<std::vector<DailyGrade>, 2> m_daily;  // what the grade strips were made from
    bool m_breaksStale = true;                       // the graph's line breaks are not those of m_gaps
    // What the graph's data was made from; a rebuild that changes none of it (a keystroke in
    // a range field) sets scales only.
    struct DataSource {
        const void *table = nullptr;
        std::uint64_t generation = 0;
        std::vector<int> columns;
        std::array<double, 3> corr{0.0, 0.0, 0.0};
        int points = -1;
        bool operator==(const DataSource &) const = default;
    };
    DataSource m_pushed;
};
