#include "export/streamexport.h"

#include "compute/phcompute.h"
#include "qc/qcletters.h"
#include "qc/qctests.h"
#include "compute/statisticsstream.h"
#include "export/checkeddevice.h"
#include "export/csvexport.h"
#include "export/statisticscsv.h"
#include "fileio/fileio.h"
#include "model/clsdataset.h"
#include "model/datetime.h"
#include "workbench/workbench.h"

#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>
#include <future>
#include <limits>
#include <unordered_map>
#include <optional>
#include <tuple>

namespace {

// The second read of lines the first read told about: its questions were answered Yes then
// (a No had stopped it), and nothing is told twice.
class SilentInteraction : public IInteraction {
public:
    MsgAnswer message(const QString &, const QString &, MsgButtons buttons, MsgIcon) override {
        return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
    }
    void beep() override {}
    void pushBusyCursor() override {}
    void popBusyCursor() override {}
    void processPendingEvents() override {}
};

// What the CSV takes from the whole log, which a block cannot know: the column names and the
// width of the table. A log says them before its records; one that changes them later is read
// a second time. (A calibration line starts a segment at the next record: each block computes
// its records with their own segment's calibration.)
struct Layout {
    QStringList fieldlist;
    int cols = 1;
    bool operator==(const Layout &o) const { return fieldlist == o.fieldlist && cols == o.cols; }
};

// The rows of --from/--to: those from the first record inside the range to the last one, as
// the whole road finds them. A first read takes the records inside as they come; records
// outside between two inside (which a log's rising date-times never give) need a second read
// that knows the rows.
struct Range {
    bool given = false;
    double lo = -1e300, hi = 1e300;
    std::optional<std::pair<int, int>> rows;  // known from a first read
    bool inside(double day) const { return day >= lo && day <= hi; }
};

// What one read found.
struct PassResult {
    bool completed = false;      // the read went to its end
    bool readAgain = false;      // the output is not the whole road's: a second read must make it
    bool layoutChanged = false;  // ... because of the layout or the range's rows
    bool writeFailed = false;    // the output failed; reading went on for the messages
    bool noRecord = false;       // the range holds no record
    bool noSegment = false;      // the log has no --segment
    std::optional<ComputeStop> stop;
    Layout layout;  // the whole log's
    int firstInside = -1, lastInside = -1;
    StatisticsStream stats;  // of the rows written
    QcCounts qc;             // of the rows written
    // The log's median interval; the flat-line windows it gives differ from those the rows were
    // written with (known from the first block only): a second read must make the output.
    double medianSeconds = std::numeric_limits<double>::quiet_NaN();
    bool medianChanged = false;
    QString error;  // the output's failure
    bool keep() const { return completed && !readAgain && !writeFailed && !noRecord && !noSegment; }
};

// What a deployment's rows carry beside their cells: the log of each (an index into the CSV's
// log names) and whether another log holds its date-time with other values. Empty for one log.
struct RowTags {
    std::vector<std::uint16_t> log;
    std::vector<std::uint8_t> conflict;
    RowTags from(int row) const {
        const auto at = [row](const auto &v) {
            return std::vector(v.begin() + std::min<std::ptrdiff_t>(row, std::ssize(v)), v.end());
        };
        return {at(log), at(conflict)};
    }
};

// A row kept for the next block's flags.
struct KeptRow {
    double day;
    std::vector<Cell> cells;
};
std::vector<KeptRow> copyRows(const DataTable &t, int from);

// One read of the log: takes each block of records from the data set, computes, flags and
// writes it, and keeps the last few records as the context of the next block's flags.
class StreamPass {
public:
    StreamPass(const ExportOptions &o, const Calibration &base, const Range &range, std::optional<Layout> layout,
               int blockRecords, std::optional<double> medianSeconds = std::nullopt)
        : m_options(o), m_base(base), m_range(range), m_layout(std::move(layout)), m_fixed(m_layout.has_value()),
          m_knownMedian(medianSeconds) {
        // The tests carry what they need of the rows before from block to block; only the spike
        // test looks ahead, at the next record, which waits for the next block.
        m_waiting = 1;
        m_keep = 2;
        m_blockRecords = std::max(blockRecords, 2 * m_keep);
        m_limit = o.allRecords ? kAnyLengthRecords : kMaxRecords;
        if (range.rows) std::tie(m_result.firstInside, m_result.lastInside) = *range.rows;
        for (int p = 0; p < 2; ++p)
            m_correctors[std::size_t(p)] = ProbeCorrector(visitsOfProbe(o.visits, p + 1), o.correctionSettings());
    }

    int blockRecords() const { return m_blockRecords; }
    void setOutput(QIODevice *device) { m_out = device; }
    PassResult &result() { return m_result; }
    const QString &firstTime() const { return m_firstTime; }
    const QString &lastTime() const { return m_lastTime; }
    int records() const { return m_records; }
    // A deployment: the CSV's log column, and the tags of the rows the data set is given.
    void setLogNames(std::vector<QByteArray> names) { m_logNames = std::move(names); }
    RowTags &tags() { return m_tags; }
    int segments(const clsDataSet &ds) const { return m_segment0 + int(ds.calibrationSegments().size()); }
    const std::optional<QString> &stopTime() const { return m_stopTime; }
    // After the last record, as the whole road ends: a --segment the logs lack is an error (false),
    // else a compute stop is told.
    bool tellEnd(const clsDataSet &ds, IInteraction &ui) {
        if (const QString error = missingSegmentError(m_options, segments(ds)); !error.isEmpty()) {
            printError(error);
            m_result.noSegment = true;
            return false;
        }
        if (m_result.stop)
            ui.message(computeStopMessage(*m_result.stop, m_stopTime), kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return true;
    }

    bool handOn(clsDataSet &ds, bool last);
    // Waits for the block under way.
    void settle() {
        if (m_writing.valid()) m_writing.get();
    }
    ~StreamPass() {
        if (m_writing.valid()) m_writing.wait();
    }

private:
    Layout layoutNow(const clsDataSet &ds, const DataTable &t) const { return {ds.fieldlist(), t.colCount()}; }
    // The calibration of the data set's segments, as the whole road gives the log's.
    std::vector<ComputeSpan> spans(const clsDataSet &ds) const {
        std::vector<ComputeSpan> out;
        const int n = int(ds.calibrationSegments().size());
        for (int i = 0; i < n; ++i) {
            const FileCalibration &f = ds.calibrationSegments()[std::size_t(i)];
            Calibration c = m_base;
            Workbench::takeFileCalibration(f, c);
            if (m_options.segment == 0 || m_options.segment == m_segment0 + i + 1)
                applyCalibrationOptions(m_options, c);
            out.push_back({f.firstRow, c.probe(0), c.probe(1)});
        }
        return out;
    }
    void lookAt(const DataTable &t, int from, int to, int row0);
    void writeRows(const DataTable &t, const CsvQcRows &qc, const CsvLogs *logs, int computed, int from, int to,
                   int row0);
    void appendRows(const DataTable &t, const CsvQcRows &qc, const CsvLogs *logs, int computed, int from, int to,
                    int row0);
    void writeBlock(const DataTable &t, const RowTags &tags, int computed, int from, int to, int row0);
    void keepLast(clsDataSet &ds, const std::vector<KeptRow> &rows, int from);

    const ExportOptions &m_options;
    const Calibration m_base;
    const Range m_range;
    const QcThresholds m_thresholds;
    std::optional<Layout> m_layout;
    const bool m_fixed;                         // the layout is the whole log's (a second read)
    const std::optional<double> m_knownMedian;  // from a read before
    IntervalHistogram m_histogram;              // of every record read
    std::optional<QcRunner> m_runner;           // set up when the first block is written
    int m_waiting = 2, m_keep = 4, m_blockRecords = kStreamBlockRecords, m_limit = kMaxRecords;
    QIODevice *m_out = nullptr;
    PassResult m_result;
    bool m_started = false;
    int m_width = 0;          // fields of a row
    int m_row0 = 0;           // the log's row of the table's first
    int m_kept = 0;           // rows at the table's top kept from the block before
    int m_next = 0;           // the table's first row not yet written
    int m_records = 0;        // records stored so far
    int m_segment0 = 0;       // the log's segment of the data set's first (from 0)
    bool m_learning = false;  // nothing more is written: only what a second read needs is looked at
    // The block before, flagged and written on the other core while this one reads the next.
    // Until it is settled only it touches the text, the output and the range's rows.
    std::future<void> m_writing;
    bool m_gap = false;  // a record outside the range lies between two inside
    QString m_firstTime, m_lastTime;
    std::optional<QString> m_stopTime;
    QByteArray m_text;
    std::vector<QByteArray> m_logNames;
    RowTags m_tags;
    std::array<ProbeCorrector, 2> m_correctors;
};

bool StreamPass::handOn(clsDataSet &ds, bool last) {
    ds.trimRows();
    DataTable &t = ds.DATA();
    const int n = t.rowCount();
    if (n > m_kept) m_histogram.addDays(t.days().data() + m_kept, std::size_t(n - m_kept));
    m_records += n - m_kept;
    m_result.layout.cols = std::max(m_result.layout.cols, t.colCount());
    if (n > 0) {
        if (m_row0 == 0 && m_kept == 0 && m_firstTime.isNull()) m_firstTime = t.text(0, colDateTime);
        m_lastTime = t.text(n - 1, colDateTime);
    }
    if (!m_started) {  // the first block: the header goes first
        m_started = true;
        if (!m_layout) m_layout = layoutNow(ds, t);
        const QStringList header = csvHeader(m_layout->fieldlist, m_layout->cols);
        m_width = int(header.size());
        m_text +=
            csvHeaderRow(header, true, !m_logNames.empty(), m_options.qcColumns, false, !m_options.visits.empty());
    } else if (!m_fixed && !m_learning && !(layoutNow(ds, t) == *m_layout)) {
        m_learning = true;
    }

    if (m_learning) {
        settle();
        lookAt(t, m_next, n, m_row0);
        if (!last) keepLast(ds, {}, n);
        m_tags = {};
        m_next = 0;
    } else {
        if (t.colCount() < m_layout->cols) t.resize(t.lastRow(), m_layout->cols - 1);
        if (!m_result.stop && n > m_kept) {
            if (std::optional<ComputeStop> stop = computeSpans(t, m_kept, spans(ds))) {
                m_stopTime = t.text(stop->row, colDateTime);
                stop->row += m_row0;
                m_result.stop = stop;
            }
        }
        const int computed = m_result.stop ? std::clamp(m_result.stop->row - m_row0, 0, n) : n;
        const int ready = last ? n : std::max(m_next, n - m_waiting);
        const int from = last ? n : std::max(0, std::min(ready, n - m_keep));
        // The computed block goes to the other core to be flagged and written, while this one
        // reads the next; the rows whose flags that one needs stay, computed.
        std::vector<KeptRow> kept = copyRows(t, from);
        RowTags keptTags = m_tags.from(from);
        settle();
        if (!m_runner) m_runner.emplace(qcSetup(m_thresholds, m_knownMedian.value_or(m_histogram.medianSeconds())));
        DataTable block;
        std::swap(block, t);
        m_writing = std::async(std::launch::async,
                               [this, block = std::move(block), tags = std::move(m_tags), computed, next = m_next,
                                ready, row0 = m_row0] { writeBlock(block, tags, computed, next, ready, row0); });
        m_tags = std::move(keptTags);
        if (last) {
            settle();
        } else {
            keepLast(ds, kept, from);
            m_next = ready - from;
        }
    }
    if (last) {
        settle();
        m_result.medianSeconds = m_histogram.medianSeconds();
        const QcSetup whole = qcSetup(m_thresholds, m_result.medianSeconds);
        m_result.medianChanged = m_runner && (whole.flatSuspect != m_runner->setup().flatSuspect ||
                                              whole.flatFail != m_runner->setup().flatFail);
        ds.setRecordLimit(m_limit);  // the read's messages name the data set's own
        m_result.layout.fieldlist = ds.fieldlist();
        m_result.layoutChanged = m_learning || m_gap;
        m_result.readAgain = m_result.layoutChanged || m_result.medianChanged;
    }
    return true;
}

// Rows from..to-1 of the table, whose first is the log's row0, in the range of a first read.
void StreamPass::lookAt(const DataTable &t, int from, int to, int row0) {
    if (!m_range.given || m_range.rows) return;
    for (int r = from; r < to; ++r) {
        if (!m_range.inside(t.rowDay(r))) continue;
        const int row = row0 + r;
        if (m_result.firstInside < 0)
            m_result.firstInside = row;
        else if (m_result.lastInside != row - 1)
            m_gap = true;
        m_result.lastInside = row;
    }
}

// Rows from..to-1 to the CSV, and to the statistics when they are asked for.
void StreamPass::appendRows(const DataTable &t, const CsvQcRows &qc, const CsvLogs *logs, int computed, int from,
                            int to, int row0) {
    appendCsvRows(m_text, t, m_width, &qc, from, to - 1, logs);
    if (m_options.statsPath.isEmpty()) return;
    m_result.stats.add(t, from, to, row0, computed);
    for (int r = std::max(from, 0); r < to; ++r)
        for (int s = 0; s < kQcSeries; ++s) {
            const int code = qcAggregate(qc.aggregates[r], s);
            const auto i = std::size_t(std::find(kQcCodes.begin(), kQcCodes.end(), code) - kQcCodes.begin());
            ++m_result.qc.of[std::size_t(s)][i];
        }
}

void StreamPass::writeRows(const DataTable &t, const CsvQcRows &flags, const CsvLogs *logs, int computed, int from,
                           int to, int row0) {
    if (!m_range.given) return appendRows(t, flags, logs, computed, from, to, row0);
    if (m_range.rows)
        return appendRows(t, flags, logs, computed, std::max(from, m_range.rows->first - row0),
                          std::min(to, m_range.rows->second - row0 + 1), row0);
    // Runs of rows inside, as they come.
    for (int r = from; r < to;) {
        while (r < to && !m_range.inside(t.rowDay(r))) ++r;
        const int start = r;
        while (r < to && m_range.inside(t.rowDay(r))) ++r;
        if (start == r) break;
        lookAt(t, start, r, row0);
        if (!m_gap) appendRows(t, flags, logs, computed, start, r, row0);
    }
}

// Flags rows from..to-1 with their context in the table and writes them.
void StreamPass::writeBlock(const DataTable &t, const RowTags &tags, int computed, int from, int to, int row0) {
    const std::size_t n = std::size_t(t.rowCount());
    std::vector<FlagMask> letters(n, 0);
    std::vector<QcAggregates> aggregates(n, 0);
    std::vector<std::uint8_t> tests(m_options.qcColumns ? std::size_t(std::max(0, to - from)) * kQcColumns : 0);
    if (from < to)
        m_runner->run(t, row0, computed, from, to,
                      {letters.data() + from, aggregates.data() + from, tests.empty() ? nullptr : tests.data()});
    for (std::size_t r = 0; r < tags.conflict.size() && r < n; ++r)
        if (tags.conflict[r]) letters[r] |= flagConflict;
    CsvQcRows flags{letters.data(), aggregates.data(), tests.data(), from, m_options.qcColumns};
    // Each record's corrections worked out as its block is written; a record not reported fails
    // its probe's aggregate, as the workbench's does.
    std::array<ProbeCorrections, 2> corrections;
    flags.withCorrections = !m_options.visits.empty();
    for (std::size_t p = 0; p < 2 && from < to; ++p) {
        if (!m_correctors[p].active()) continue;
        Workbench::correctProbeRows(m_correctors[p], int(p), t, computed, std::size_t(from), std::size_t(to),
                                    corrections[p], aggregates);
        flags.correction[p] = corrections[p].correction.data();
        flags.grade[p] = corrections[p].grade.data();
    }
    const CsvLogs logs{&tags.log, nullptr, m_logNames};
    // A long block (a deployment's log) goes out in pieces, so its text is never held whole.
    int at = from;
    do {
        const int end = std::min(to, at + kStreamBlockRecords);
        if (at < end) writeRows(t, flags, m_logNames.empty() ? nullptr : &logs, computed, at, end, row0);
        if (m_out && !m_result.writeFailed && !m_gap && !m_text.isEmpty() && !writeFully(*m_out, m_text))
            m_result.writeFailed = true;
        m_text.resize(0);
        at = end;
    } while (at < to);
}

// Rows from `from` on, as they are.
std::vector<KeptRow> copyRows(const DataTable &t, int from) {
    std::vector<KeptRow> rows;
    for (int r = std::max(from, 0); r < t.rowCount(); ++r) {
        KeptRow &row = rows.emplace_back();
        row.day = t.rowDay(r);
        row.cells.resize(std::size_t(t.colCount()));
        for (int c = 0; c < t.colCount(); ++c) row.cells[std::size_t(c)] = t.cell(r, c);
    }
    return rows;
}

// Takes the rows before `from` out of the data set for good; the rows kept become its first,
// with the record limit lowered by the rows gone.
void StreamPass::keepLast(clsDataSet &ds, const std::vector<KeptRow> &rows, int from) {
    const int kept = int(rows.size());
    // The last segment goes on as the data set's first (the rows kept are computed already).
    m_segment0 += int(ds.calibrationSegments().size()) - 1;
    const bool dated = ds.isDateInitialized();
    const double start = ds.startdate();
    ds.Clear();
    ds.setRecordLimit(m_limit - (m_records - kept));
    if (dated) ds.setStartdate(start);
    ds.expectRecords(m_blockRecords);
    for (const KeptRow &row : rows) {
        if (std::isfinite(row.day))
            ds.addRecord(row.day, row.cells);  // a record's date-time, kept as its day
        else
            ds.add(row.cells);
    }
    m_row0 += from;
    m_kept = kept;
}

// Runs a read of the log with `output` as the CSV's device (none: the messages only). The read
// tells through `readUi`; what comes after it through `ui`, in the whole road's order.
PassResult runPass(const ExportOptions &o, IInteraction &readUi, IInteraction &ui, const Calibration &base,
                   const Range &range, const std::optional<Layout> &layout, std::optional<double> median,
                   int blockRecords, QIODevice *output) {
    clsDataSet ds;
    ds.setRecordLimit(o.allRecords ? kAnyLengthRecords : kMaxRecords);
    StreamPass pass(o, base, range, layout, blockRecords, median);
    pass.setOutput(output);
    ReaderContext ctx{readUi, {}, {}, {}, nullptr, o.maxSize};
    ctx.handOnEvery = pass.blockRecords();
    ctx.handOn = [&](bool last) { return pass.handOn(ds, last); };
    PassResult &r = pass.result();
    r.completed = readFromFile(o.logFile, ds, ctx);
    pass.settle();
    if (!r.completed || r.readAgain) return r;
    if (!pass.tellEnd(ds, ui)) return r;
    if (range.given && r.firstInside < 0) {
        printError(noRecordInRange(o, pass.records(), pass.firstTime(), pass.lastTime()));
        r.noRecord = true;
    }
    return r;
}

using PassRun = std::function<PassResult(QIODevice *output)>;

// Runs the read with the CSV's path as its output, so that a read that stops or fails leaves
// what was there before. A file is written through its temporary; standard output, a device or
// a pipe cannot take back what was written, so the CSV waits in a file of its own first.
PassResult writeOutput(const QString &path, const PassRun &run) {
    PassResult r;
    const QFileInfo info(path);
    if (path != kStdoutPath && (!info.exists() || info.isFile())) {
        bool ran = false;
        const QString error = saveOutput(path, [&](QIODevice &device, QString &) {
            ran = true;
            r = run(&device);
            return r.keep();
        });
        if (!ran) r = run(nullptr);  // the file was refused before: the read still tells its messages
        r.error = error;
        return r;
    }
    QTemporaryFile held;
    if (!held.open()) {
        r = run(nullptr);
        r.error = QStringLiteral("Can't write \"%1\": %2.").arg(path, held.errorString());
        return r;
    }
    CheckedDevice checked(held);
    r = run(&checked);
    if (r.keep() && !held.flush()) checked.fail(held.errorString());
    if (checked.failed()) {
        r.writeFailed = true;
        r.error = QStringLiteral("Can't write \"%1\": %2.").arg(path, checked.reason());
    }
    if (!r.keep() || !held.seek(0)) return r;
    r.error = saveOutput(path, [&held](QIODevice &device, QString &) {
        for (QByteArray chunk; !(chunk = held.read(qint64(1) << 20)).isEmpty();)
            if (!writeFully(device, chunk)) return false;
        return held.error() == QFileDevice::NoError;
    });
    return r;
}

// --- A deployment (--join) streamed: its logs read one at a time in time order ---

// A log of the deployment with its first record's date-time (NaN: it has none).
struct JoinLog {
    QString path;
    double firstDay = 0;
};

// Any message a read tells: the streamed join leaves such logs to the whole road.
class WatchedInteraction : public SilentInteraction {
public:
    bool told = false;
    MsgAnswer message(const QString &t, const QString &title, MsgButtons buttons, MsgIcon icon) override {
        told = true;
        return SilentInteraction::message(t, title, buttons, icon);
    }
};

// The logs in the order the whole road joins them, each known by its first record only;
// nothing when a log cannot be read or its first record has no date-time.
std::optional<std::vector<JoinLog>> joinOrder(const ExportOptions &o) {
    std::vector<JoinLog> logs;
    for (const QString &path : o.logFiles) {
        clsDataSet ds;
        SilentInteraction quiet;
        ReaderContext ctx{quiet, {}, {}, {}, nullptr, o.maxSize};
        std::optional<double> first;
        ctx.handOnEvery = 1;
        ctx.handOn = [&](bool) {
            ds.trimRows();
            first = ds.rowcount() > 0 ? ds.DATA().rowDay(0) : std::numeric_limits<double>::quiet_NaN();
            return false;  // the first record is all it takes
        };
        if (!readFromFile(path, ds, ctx) && !first) return std::nullopt;
        if (!first || (ds.rowcount() > 0 && !std::isfinite(*first))) return std::nullopt;
        logs.push_back({path, *first});
    }
    std::stable_sort(logs.begin(), logs.end(), [](const JoinLog &a, const JoinLog &b) {
        if (std::isnan(b.firstDay)) return !std::isnan(a.firstDay);
        return a.firstDay < b.firstDay;
    });
    if (std::isnan(logs.front().firstDay)) return std::nullopt;  // no log has a record
    return logs;
}

// Rows of `t` whose `keep` is set (all when empty), from..to-1, as a table of their own.
DataTable tableRows(const DataTable &t, int from, int to, const std::vector<std::uint8_t> &keep = {}) {
    DataTable rows;
    int k = 0;
    for (int r = from; r < to; ++r) k += keep.empty() || keep[std::size_t(r)];
    if (k == 0) return rows;
    rows.resize(k - 1, t.colCount() - 1);
    k = 0;
    for (int r = from; r < to; ++r) {
        if (!keep.empty() && !keep[std::size_t(r)]) continue;
        for (int c = 1; c < t.colCount(); ++c) rows.setCell(k, c, t.cell(r, c));
        if (const double day = t.rowDay(r); std::isfinite(day))
            rows.setRecordTime(k, colDateTime, day);
        else
            rows.setCell(k, colDateTime, t.cell(r, colDateTime));
        ++k;
    }
    return rows;
}

// Rows of earlier logs that a later log may still meet: not computed or written until the
// logs that may meet them have been read, as their cells are compared as read and they may be
// flagged C.
struct HeldRows {
    DataTable rows;
    RowTags tags;
    std::vector<FileCalibration> segments;  // starting in `rows`

    void append(DataTable &&more, std::uint16_t log, std::vector<std::uint8_t> conflict) {
        tags.log.insert(tags.log.end(), std::size_t(more.rowCount()), log);
        tags.conflict.insert(tags.conflict.end(), conflict.begin(), conflict.end());
        if (rows.rowCount() == 0) {
            rows = std::move(more);
        } else if (more.rowCount() > 0) {
            const int w = std::max(rows.lastCol(), more.lastCol());
            rows.resize(rows.lastRow(), w);
            more.resize(more.lastRow(), w);
            rows.appendRows(std::move(more));
        }
    }
    // The first `n` rows to the end of `ds`, their segments starting there.
    void release(int n, clsDataSet &ds, RowTags &to) {
        const int at = ds.rowcount();
        std::vector<FileCalibration> later;
        for (const FileCalibration &f : segments) {
            if (f.firstRow >= n) {
                later.push_back(f);
                later.back().firstRow -= n;
                continue;
            }
            // A segment starting where the one before does takes its place, as the whole road's.
            ds.calibrationLine(f.line, at + f.firstRow);
            ds.setPH1_Slope(f.slope[0]);
            ds.setPH2_Slope(f.slope[1]);
            ds.setPH1_Offset(f.offset[0]);
            ds.setPH2_Offset(f.offset[1]);
        }
        segments = std::move(later);
        DataTable rest = n < rows.rowCount() ? tableRows(rows, n, rows.rowCount()) : DataTable();
        if (n < rows.rowCount()) rows = tableRows(rows, 0, n);
        ds.appendRecords(std::move(rows));
        rows = std::move(rest);
        const RowTags left = tags.from(n);
        tags.log.resize(std::size_t(n));
        tags.conflict.resize(std::size_t(n));
        to.log.insert(to.log.end(), tags.log.begin(), tags.log.end());
        to.conflict.insert(to.conflict.end(), tags.conflict.begin(), tags.conflict.end());
        tags = left;
    }
};

// Whether held row h and row r of a log hold the same cells in every column the log has.
bool sameCells(const DataTable &held, int h, const DataTable &t, int r) {
    for (int c = 0; c < t.colCount(); ++c)
        if (!((c < held.colCount() ? held.cell(h, c) : Cell()) == t.cell(r, c))) return false;
    return true;
}

// Marks the log's records that an earlier log holds alike (dropped: keep 0) and those that
// meet other values (conflict, the held rows' too), as the whole road's join does.
void meetHeld(HeldRows &held, const DataTable &t, double firstDay, std::vector<std::uint8_t> &keep,
              std::vector<std::uint8_t> &conflict) {
    if (held.rows.rowCount() == 0 || !std::isfinite(firstDay)) return;
    double lastDay = firstDay;
    for (int r = t.rowCount() - 1; r >= 0; --r)
        if (std::isfinite(t.rowDay(r))) {
            lastDay = t.rowDay(r);
            break;
        }
    std::unordered_multimap<double, int> earlier;
    for (int h = 0; h < held.rows.rowCount(); ++h)
        if (const double day = held.rows.rowDay(h); day >= firstDay && day <= lastDay) earlier.emplace(day, h);
    if (earlier.empty()) return;
    for (int r = 0; r < t.rowCount(); ++r) {
        const auto [from, end] = earlier.equal_range(t.rowDay(r));
        if (from == end) continue;
        bool same = false;
        for (auto it = from; it != end && !same; ++it) same = sameCells(held.rows, it->second, t, r);
        if (same) {
            keep[std::size_t(r)] = 0;
            continue;
        }
        conflict[std::size_t(r)] = 1;
        for (auto it = from; it != end; ++it) held.tags.conflict[std::size_t(it->second)] = 1;
    }
}

// What the logs of a streamed join have alike: their column names (none alike but for case)
// and probes. Logs that differ go the whole road, which tells how they differ.
struct JoinHeader {
    std::optional<QStringList> names;
    QString serial1, serial2;
    explicit JoinHeader(const clsDataSet &ds) : serial1(ds.pH1_SerialNumber()), serial2(ds.pH2_SerialNumber()) {
        if (ds.hasFieldlist()) names = ds.fieldlist();
    }
    bool operator==(const JoinHeader &) const = default;
    bool namesApart() const {
        for (qsizetype i = 0; names && i < names->size(); ++i)
            for (qsizetype k = i + 1; k < names->size(); ++k)
                if (!(*names)[i].isEmpty() && (*names)[i].compare((*names)[k], Qt::CaseInsensitive) == 0) return false;
        return true;
    }
};

// The deployment's CSV: each log read whole in turn (one log at a time in memory), its records
// met with the held rows of earlier logs, and the rows no later log can meet handed on to be
// computed, flagged and written. `whole` is set when the whole road must make the output.
PassResult runJoin(const ExportOptions &o, IInteraction &ui, const Calibration &base, const std::vector<JoinLog> &order,
                   std::optional<double> median, int blockRecords, QIODevice *output, bool &whole) {
    clsDataSet ds;
    ds.setRecordLimit(kAnyLengthRecords);
    StreamPass pass(o, base, Range{}, std::nullopt, blockRecords, median);
    pass.setOutput(output);
    std::vector<QByteArray> names;
    for (const JoinLog &l : order) names.push_back(csvField(QFileInfo(l.path).fileName()));
    pass.setLogNames(std::move(names));
    PassResult &r = pass.result();
    HeldRows held;
    std::optional<JoinHeader> first;
    for (std::size_t k = 0; k < order.size() && !whole; ++k) {
        clsDataSet log;
        log.setRecordLimit(kAnyLengthRecords);
        WatchedInteraction watch;
        ReaderContext ctx{watch, {}, {}, {}, nullptr, o.maxSize};
        whole = !readFromFile(order[k].path, log, ctx) || watch.told;
        if (!whole && !first) {
            first.emplace(log);
            whole = !first->namesApart();
            if (first->names) ds.setFieldlist(*first->names);
        }
        if (whole || (whole = !(JoinHeader(log) == *first))) break;
        const DataTable &t = log.DATA();
        std::vector<std::uint8_t> keep(std::size_t(t.rowCount()), 1), conflict(std::size_t(t.rowCount()), 0);
        meetHeld(held, t, order[k].firstDay, keep, conflict);
        // The log's segments from its first record kept at or after their start; none where
        // all its records after the start were dropped.
        const int heldBefore = held.rows.rowCount();
        int kept = 0;
        std::vector<int> keptBefore(std::size_t(t.rowCount()) + 1, 0);
        for (int i = 0; i < t.rowCount(); ++i) keptBefore[std::size_t(i) + 1] = kept += keep[std::size_t(i)];
        for (FileCalibration f : log.calibrationSegments()) {
            const int row = keptBefore[std::size_t(std::min(f.firstRow, t.rowCount()))];
            if (row >= kept) continue;
            f.firstRow = heldBefore + row;
            if (!held.segments.empty() && held.segments.back().firstRow == f.firstRow) held.segments.pop_back();
            held.segments.push_back(f);
        }
        std::size_t marks = 0;  // the conflict marks of the records kept
        for (std::size_t i = 0; i < keep.size(); ++i)
            if (keep[i]) conflict[marks++] = conflict[i];
        conflict.resize(marks);
        held.append(kept == t.rowCount() ? std::move(log.DATA()) : tableRows(t, 0, t.rowCount(), keep),
                    std::uint16_t(k), std::move(conflict));
        // Rows from the first a later log may meet stay held.
        int ready = held.rows.rowCount();
        if (k + 1 < order.size() && std::isfinite(order[k + 1].firstDay))
            for (int h = 0; h < ready; ++h)
                if (held.rows.rowDay(h) >= order[k + 1].firstDay) ready = h;
        held.release(ready, ds, pass.tags());
        if (ds.rowcount() >= pass.blockRecords()) pass.handOn(ds, false);
    }
    if (whole) return r;
    pass.handOn(ds, true);
    r.completed = true;
    pass.settle();
    if (r.layoutChanged) {
        whole = true;  // the logs are wider later than their first rows said
        return r;
    }
    if (r.readAgain) return r;  // read again knowing the median interval
    pass.tellEnd(ds, ui);
    return r;
}

// The statistics and the outcome of a streamed CSV.
int finishStream(const ExportOptions &o, const PassResult &r) {
    if (r.noRecord || r.noSegment) return kExitFailed;
    // The statistics of the rows written, told before the CSV as the whole road tells them.
    QString statsError;
    if (!o.statsPath.isEmpty()) {
        const StatisticsStream &s = r.stats;
        const auto time = [](const StatisticsStream::RowTime &t) { return csvTimeField(t.day, t.text); };
        statsError = saveBytes(o.statsPath, statisticsCsv(s.result(), time(s.firstTime()), time(s.lastTime()), &r.qc));
    }
    for (const QString &error : {statsError, r.error})
        if (!error.isEmpty()) printError(error);
    if (!statsError.isEmpty() || !r.error.isEmpty()) return kExitFailed;
    return r.stop ? kExitComputeStopped : kExitOk;
}

}  // namespace

bool canStreamExport(const ExportOptions &o) {
    return !o.csvPath.isEmpty() && o.plotPath.isEmpty() && o.reportPath.isEmpty() && o.calibratePath.isEmpty() &&
           !isManyLogs(o) && !o.join;
}

int streamExport(const ExportOptions &o, StderrInteraction &ui, int blockRecords) {
    Range range;
    range.given = !o.from.isEmpty() || !o.to.isEmpty();
    if (!o.from.isEmpty()) range.lo = dt::parse(o.from).value_or(range.lo);
    if (!o.to.isEmpty()) range.hi = dt::parse(o.to).value_or(range.hi);
    const Calibration base = Workbench(ui, nullptr).calibration();
    auto reading = [&](IInteraction &readUi, const Range &rows, const std::optional<Layout> &layout,
                       std::optional<double> median) -> PassRun {
        return [&o, &ui, &base, blockRecords, quiet = &readUi, rows, layout, median](QIODevice *out) {
            return runPass(o, *quiet, ui, base, rows, layout, median, blockRecords, out);
        };
    };

    PassResult r = writeOutput(o.csvPath, reading(ui, range, std::nullopt, std::nullopt));
    if (!r.completed) return ui.answeredNo() ? kExitStopped : kExitFailed;
    if (r.readAgain) {
        // The log changed what its first records said, or its range has a gap, or its median
        // interval is not its first block's: read again knowing the whole log's layout, rows and
        // median interval.
        Range known = range;
        if (range.given) known.rows = std::pair(r.firstInside, r.lastInside);
        SilentInteraction silent;
        r = writeOutput(o.csvPath, reading(silent, known, r.layout, r.medianSeconds));
        if (!r.completed) {
            printError(QStringLiteral("brinewick-export: \"%1\" could not be read again; nothing was written.")
                           .arg(o.logFile));
            return kExitFailed;
        }
    }
    return finishStream(o, r);
}

bool canStreamJoin(const ExportOptions &o) {
    return o.join && o.logFiles.size() > 1 && !o.csvPath.isEmpty() && o.plotPath.isEmpty() && o.reportPath.isEmpty() &&
           o.calibratePath.isEmpty() && o.allRecords && o.from.isEmpty() && o.to.isEmpty() && !o.stopOnBadDate;
}

std::optional<int> streamJoin(const ExportOptions &o, StderrInteraction &ui, int blockRecords) {
    const std::optional<std::vector<JoinLog>> order = joinOrder(o);
    if (!order) return std::nullopt;
    const Calibration base = Workbench(ui, nullptr).calibration();
    bool whole = false;
    std::optional<double> median;
    auto run = [&](QIODevice *out) { return runJoin(o, ui, base, *order, median, blockRecords, out, whole); };
    PassResult r = writeOutput(o.csvPath, run);
    if (!whole && r.readAgain) {
        median = r.medianSeconds;  // the deployment's, which its first block did not give
        r = writeOutput(o.csvPath, run);
    }
    if (whole || r.readAgain) return std::nullopt;
    return finishStream(o, r);
}
