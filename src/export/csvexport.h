#pragma once
// The computed table as CSV (RFC 4180: comma separated, CRLF line ends, a header row), and
// the safe file writing that every export goes through.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

class clsDataSet;
struct QcResults;
struct QcSetup;
class DataTable;
class QIODevice;
struct Join;
struct ProbeCorrections;
enum class Grade : std::uint8_t;

// The path that stands for standard output.
inline const QString kStdoutPath = QStringLiteral("-");

// One CSV field: quoted (inner quotes doubled) when it holds a comma, quote, CR or LF.
QByteArray csvField(const QString &text);
// Header names for a table `width` columns wide: the file's column names, then "Column k"
// (1-based) for columns the file did not name.
QStringList csvHeader(const clsDataSet &dataSet, int width);
// The same from a field list as the data set gives it (the names, then one empty entry).
QStringList csvHeader(const QStringList &fieldlist, int width);
// A date-time as the CSV writes it, "yyyy-mm-dd hh:mm:ss".
QByteArray csvDateTime(double day);
// A deployment's "log" column after the flags: each row's log, its name as a CSV field. The log
// of a row is held per row (a block of the batch command's) or found from the join's ranges.
struct CsvLogs {
    const std::vector<std::uint16_t> *logOfRow = nullptr;
    const Join *join = nullptr;
    std::vector<QByteArray> names;
    // Of a row: an index into names, -1 for none.
    int logOf(int row) const;
};

// The "mark" and "note" columns at the end of each row: the mark's word ("bad", "doubtful")
// and the note's text of each row.
struct CsvMarks {
    const std::vector<std::uint8_t> *kind = nullptr;  // 0 none, 1 bad, 2 doubtful
    const std::vector<std::int32_t> *note = nullptr;  // index into notes, -1 none
    std::vector<QByteArray> notes;                    // as CSV fields
};

// The quality columns after the table's: "flags" (the letters), "qc_ph1" and "qc_ph2" (the
// aggregates) and, when `tests` is given, one column per test and series, worked out as the
// rows are written. Results of another table (an open that failed before compute) give empty
// fields.
// With `withCorrections` (there are service visits) every row ends with each probe's corrected
// pH, correction and grade, empty for a probe without visits.
struct CsvQc {
    const QcResults *results = nullptr;
    const QcSetup *tests = nullptr;
    int computedRows = 0;
    std::array<const ProbeCorrections *, 2> corrections{};
    bool withCorrections = false;
};
// The same as rows are written: the letters and aggregates of table row r at [r], the
// per-test results (kQcColumns a row) from row testsRow0 on.
struct CsvQcRows {
    const std::uint16_t *letters = nullptr;
    const std::uint16_t *aggregates = nullptr;
    const std::uint8_t *tests = nullptr;
    int testsRow0 = 0;
    bool withTests = false;
    // Each probe's total correction and grade of row r at [r]; null: empty cells.
    std::array<const double *, 2> correction{};
    std::array<const Grade *, 2> grade{};
    bool withCorrections = false;
};

// The whole table with its header; column 0 as "yyyy-mm-dd hh:mm:ss" where it holds a
// date-time, then the quality columns when given. Reads DATA, so the data set ends up initialized.
QByteArray tableCsv(clsDataSet &dataSet, const CsvQc *qc = nullptr);
// The header row of these names, with the quality columns when asked for.
QByteArray csvHeaderRow(const QStringList &header, bool withFlags, bool withLog = false, bool withTests = false,
                        bool withMarks = false, bool withCorrections = false);
// Rows first..last (clamped to the table) as tableCsv writes them, `width` fields each (the
// header's), appended to `out`. On two cores the two halves of a long run are made at once.
void appendCsvRows(QByteArray &out, const DataTable &table, int width, const CsvQcRows *qc, int first, int last,
                   const CsvLogs *logs = nullptr, const CsvMarks *marks = nullptr);
// The same in pieces of about 1 MB, handed to `sink` in order; stops with false when the sink
// does. Only rows first..last (clamped to the table) when given.
using CsvSink = std::function<bool(const QByteArray &chunk)>;
inline constexpr int kLastRow = std::numeric_limits<int>::max();
bool tableCsvChunks(clsDataSet &dataSet, const CsvQc *qc, const CsvSink &sink, int first = 0, int last = kLastRow,
                    const CsvLogs *logs = nullptr, const CsvMarks *marks = nullptr);

// Writes to `path` through a temporary file renamed into place, so a failed or interrupted
// write never leaves half a file over an existing one. `write` returns false on failure and
// may put a reason into its second argument. Returns an error text, empty on success.
using DeviceWriter = std::function<bool(QIODevice &device, QString &reason)>;
QString saveFileSafely(const QString &path, const DeviceWriter &write);
// Writes all the bytes, going on after a short write, so a failure leaves the device's own
// reason ("No space left on device") in its error string. False when not all were written.
bool writeFully(QIODevice &device, const QByteArray &bytes);
// saveFileSafely, or for "-" the writer on standard output.
QString saveOutput(const QString &path, const DeviceWriter &write);
// The same for bytes already made.
QString saveBytes(const QString &path, const QByteArray &bytes);

// tableCsv written to a path or to standard output ("-"). Returns an error text, empty on success.
QString writeCsv(const QString &path, clsDataSet &dataSet, const CsvQc *qc = nullptr, int first = 0,
                 int last = kLastRow, const CsvLogs *logs = nullptr, const CsvMarks *marks = nullptr);
