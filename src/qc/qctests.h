#pragma once
// The quality-control tests of the QARTOD scheme on each probe's computed pH (nine tests) and
// on the three temperatures (gross range, spike, flat line). Results per test are 1 pass,
// 2 not evaluated, 3 suspect, 4 fail, 9 missing. A data set keeps only each series' aggregate
// and the letters per record (4 bytes); the tests of a row are worked out again when asked for.
#include "qc/qcthresholds.h"

#include <QString>
#include <array>
#include <climits>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <vector>

class DataTable;

enum QcCode : std::uint8_t { qcPass = 1, qcNotEvaluated = 2, qcSuspect = 3, qcFail = 4, qcMissing = 9 };

enum QcSeries : int { seriesPH1, seriesPH2, seriesT1, seriesT2, seriesT3 };
inline constexpr int kQcSeries = 5;
enum QcTest : int {
    testGap,
    testSyntax,
    testGrossRange,
    testClimatology,
    testSpike,
    testRateOfChange,
    testFlatLine,
    testProbeAgreement,
    testThermistorAgreement,
};
inline constexpr int kQcTests = 9;
// The per-test columns: the nine tests of pH-1, of pH-2, then range, spike and flat line of
// each temperature.
inline constexpr int kQcColumns = 2 * kQcTests + 3 * 3;
struct QcColumn {
    int series = 0, test = 0;
};
QcColumn qcColumn(int column);
QString qcColumnName(int column);     // "qc_ph1_gap", "qc_t2_flat_line"
QString qcSeriesName(int series);     // "ph1", "t3"
QString qcSeriesCaption(int series);  // "pH-1", "Therm 3"
QString qcTestName(int test);         // "gross_range"
QString qcTestCaption(int test);      // "Gross range"
QString qcCodeCaption(int code);      // "pass", "not evaluated", "suspect", "fail", "missing"

// The worst of two results in the order 4, 3, 1, 2, 9.
int qcRank(int code);
int qcWorse(int a, int b);
inline constexpr std::array<int, 5> kQcCodes{1, 2, 3, 4, 9};

// The aggregates of a record's five series, three bits each (a rank, 0 for 9).
using QcAggregates = std::uint16_t;
int qcAggregate(QcAggregates packed, int series);
// The worse aggregate of the two probes.
int qcWorstPH(QcAggregates packed);

// The letters of a record (see qcletters.h).
using FlagMask = std::uint16_t;

// The intervals between records with date-times, in milliseconds, counted as they come.
class IntervalHistogram {
public:
    void addDays(const double *days, std::size_t n);
    // The median interval in seconds; NaN with no interval.
    double medianSeconds() const;
    long long intervals() const { return m_total; }

private:
    std::unordered_map<long long, long long> m_counts;
    long long m_lastKey = LLONG_MIN, *m_lastCount = nullptr;
    long long m_total = 0;
    double m_lastDay = std::numeric_limits<double>::quiet_NaN();
};
double medianIntervalSeconds(const DataTable &table);

// The thresholds and what the log gives them: the flat-line windows in records.
struct QcSetup {
    QcThresholds th;
    double medianSeconds = std::numeric_limits<double>::quiet_NaN();
    int flatSuspect = 0, flatFail = 0;  // n; 0: no window (no median interval)
};
QcSetup qcSetup(const QcThresholds &th, double medianSeconds);

// Where a run of rows' results go, indexed from the run's first row.
struct QcOut {
    FlagMask *letters = nullptr;
    QcAggregates *aggregates = nullptr;
    std::uint8_t *tests = nullptr;  // kQcColumns a row, when wanted
};

// The tests run row after row, carrying what a test needs of the rows before. A run that does
// not follow the last starts again some rows before its first, so each row's results are those
// of a run from the first record.
class QcRunner {
public:
    explicit QcRunner(const QcSetup &setup) : m_setup(setup) {}
    // Rows from..to-1 of `t`, whose row 0 is record row0 of the log; rows from `computed` on
    // have no pH. The row after `to`, when the table has it, is the spike test's neighbour.
    void run(const DataTable &t, int row0, int computed, int from, int to, const QcOut &out);
    const QcSetup &setup() const { return m_setup; }

private:
    struct Flat {
        struct Entry {
            long long row;
            double value;
        };
        std::vector<Entry> lo, hi;  // monotone queues of the run's minimum and maximum
        std::size_t loHead = 0, hiHead = 0;
        long long start = -1;  // the run's first record; -1: none
        double last = 0;       // the value before
        bool single = true;    // the run is its first record alone (the queues are not kept)
        long long add(long long row, double x, double tolerance);
    };
    struct Series {
        double previous = std::numeric_limits<double>::quiet_NaN();
        Flat flat;
    };
    void runChunk(const DataTable &t, int row0, int computed, int from, int to, const QcOut &out);
    QcSetup m_setup;
    std::array<Series, kQcSeries> m_series{};
    long long m_next = 0;  // the record the next run should start at
    double m_lastDay = std::numeric_limits<double>::quiet_NaN(), m_previousRowDay = m_lastDay;
    long long m_monthDay = LLONG_MIN;
    int m_month = 0;
};

// Every record's aggregates and letters.
struct QcResults {
    std::vector<FlagMask> letters;
    std::vector<QcAggregates> aggregates;
};

// The results of a whole table, kept up as it grows.
class QcTable {
public:
    // Every row of the table; rows from `computed` on have no pH.
    void compute(const DataTable &t, int computed, const QcThresholds &th, QcResults &out);
    // The rows appended since: the row before them is tested again (its spike had no neighbour
    // after); a median interval that changed tests every row again. Gives the first row changed.
    int extend(const DataTable &t, int computed, QcResults &out);
    const QcSetup &setup() const { return m_resume.setup(); }

private:
    void runFrom(const DataTable &t, int computed, int from, QcResults &out);
    IntervalHistogram m_histogram;
    int m_rows = 0;
    QcRunner m_resume{QcSetup{}};  // after every row but the last
};

// The per-test results of one row (kQcColumns), worked out again.
std::array<std::uint8_t, kQcColumns> qcRowTests(const DataTable &t, int computed, const QcSetup &setup, int row);

// Counts of each result (kQcCodes' order) of each test column, rows first..last, worked out again.
using QcTestCounts = std::array<std::array<long long, 5>, kQcColumns>;
QcTestCounts countQcTests(const DataTable &t, int computed, const QcSetup &setup, int first, int last);

// Counts of each result of each series' aggregate, rows first..last.
struct QcCounts {
    std::array<std::array<long long, 5>, kQcSeries> of{};  // by kQcCodes' order
    bool operator==(const QcCounts &) const = default;
};
QcCounts countQc(const std::vector<QcAggregates> &aggregates, int first = 0, int last = INT_MAX);
// "pH-1: 1 980, 3 12, 4 8" one line a series, codes without records left out.
QString qcCountsText(const QcCounts &counts);
