#include "workbench/workbench.h"

#include "export/csvexport.h"
#include "export/statisticscsv.h"
#include "fields/entryfieldrules.h"
#include "fileio/fileio.h"
#include "model/interaction.h"
#include "model/numbertext.h"
#include "plot/graph.h"
#include "model/datetime.h"
#include "plot/decimalday.h"
#include "plot/navigation.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace {

double initialNumber(QStringView field) { return readNumber(entryFieldInitialText(field)).value_or(0.0); }

// The file's value as its calibration field shows it and Compute reads it back: the same
// round trip in window and batch gives the same pH to the last digit.
double asFieldShowsIt(double v) { return readNumber(generalNumberText(v)).value_or(v); }

}  // namespace

QStringList ReadReport::keptNames() const {
    QStringList names;
    for (std::size_t i = 0; i < 2; ++i) {
        if (slopeKept[i]) names << QStringLiteral("pH-%1 slope").arg(i + 1);
        if (offsetKept[i]) names << QStringLiteral("pH-%1 offset").arg(i + 1);
    }
    return names;
}

QString CalibrationSegment::originText() const {
    switch (origin) {
    case CalibrationOrigin::LogHeader: return QStringLiteral("header");
    case CalibrationOrigin::LogLine: return QStringLiteral("line %1").arg(line);
    case CalibrationOrigin::Edit: return QStringLiteral("edited");
    case CalibrationOrigin::BufferCalibration: return QStringLiteral("buffer calibration");
    }
    return {};
}

ProbeInputs Calibration::probe(int i) const {
    const auto k = std::size_t(i);
    ProbeInputs p;
    p.slope = slope[k];
    p.offset = offset[k];
    p.corr = corr[k];
    p.thermistor = thermistor[k];
    p.thermCorr = thermistorCorr[std::size_t(thermistor[k])];
    return p;
}

Workbench::Workbench(IInteraction &ui, IGraph *graph, Hooks hooks)
    : m_ui(ui), m_graph(graph), m_hooks(std::move(hooks)) {
    Calibration &c = calibration();
    for (std::size_t i = 0; i < 2; ++i) {
        const QString n = QString::number(i + 1);
        c.slope[i] = initialNumber(QStringLiteral("txtPH%1Slope").arg(n));
        c.offset[i] = initialNumber(QStringLiteral("txtPH%1Offset").arg(n));
        c.corr[i] = initialNumber(QStringLiteral("txtPH%1Corr").arg(n));
    }
    for (std::size_t i = 0; i < 3; ++i)
        c.thermistorCorr[i] = initialNumber(QStringLiteral("txtThermistor%1Corr").arg(i + 1));
    m_plotInputs.yMax = entryFieldInitialText(u"txtYMax");
    m_plotInputs.yMin = entryFieldInitialText(u"txtYMin");
    m_plotInputs.start = entryFieldInitialText(u"txtStart");
    m_plotInputs.end = entryFieldInitialText(u"txtEnd");
    if (m_graph)
        m_plot = std::make_unique<PlotBuilder>(
            m_dataSet, m_plotSet, *m_graph, [this] { return m_plotInputs; }, m_hooks.showAnnotationStatus);
    if (m_plot) m_plot->setCorrections(&m_corrections[0], &m_corrections[1]);
}

Workbench::~Workbench() = default;

bool Workbench::open(const QString &path) {
    const bool earlier = !m_path.isEmpty();
    m_follower.reset();
    m_followLog.reset();
    m_folder.clear();
    m_readOn = ReadOn{};  // a read that fails early leaves nothing to read on from
    m_path = path;
    PassReport pass;
    ReaderContext ctx{m_ui, m_hooks.setStatusPanel2, m_hooks.makeMeterView, {}, &pass, m_maxInputSize, &m_readOn};
    m_dataSet.setRecordLimit(m_loadAll ? kAnyLengthRecords : kMaxRecords);
    bool completed = readFromFile(path, m_dataSet, ctx);
    if (pass.loadAllChosen) {
        // This log only: the limit stays lifted while it is open, so it can grow past it.
        m_dataSet.setRecordLimit(kAnyLengthRecords);
        pass = {};
        completed = readFromFile(path, m_dataSet, ctx);
    }
    m_dataSet.DATA();  // trims the table to the records: from here on the log counts as open
    m_report = {completed,        pass.lines,      pass.droppedRecords,
                pass.lateRecords, pass.cutRecords, completed ? 0 : pass.lines};
    m_report.missing = pass.missingRecords;
    for (std::size_t i = 0; i < 2; ++i) {
        m_report.slopeKept[i] = !pass.slopeRead[i];
        m_report.offsetKept[i] = !pass.offsetRead[i];
    }
    m_report.keptFromEarlierFile = earlier;
    m_report.bytes = pass.bytes;
    m_report.sha256 = pass.sha256;
    m_joinedSegments.clear();
    m_segmentLog.clear();
    m_join = Join{};
    if (isOpen()) {
        const DataTable &t = table();
        const int n = t.rowCount();
        m_join.logs.push_back({path,
                               n,
                               0,
                               n,
                               n ? t.rowDay(0) : std::nan(""),
                               n ? t.rowDay(n - 1) : std::nan(""),
                               0,
                               {},
                               pass.bytes,
                               pass.sha256});
    }
    afterRead();
    return completed;
}

void Workbench::afterRead() {
    m_rowMarksStale = true;
    if (m_joining.isEmpty()) {  // another deployment: a new project (a folder grown keeps its own)
        m_marks = Marks{};
        m_visits.clear();  // a log's visits are not another's; the grade limits stay as chosen
        m_bufferCalibrations.clear();
        m_visits.clear();
        m_trail.clear();
        m_projectZoom.reset();
        m_changedLogs.clear();
        m_projectLogs.clear();
    }
    m_current = 0;
    m_computedRows = 0;
    m_computedOnce = false;
    runQc(false);
    m_stats.clear();
    m_statsStale = false;
    if (m_plot) m_plot->setComputed(0, &m_qc.letters, &m_qc.aggregates);

    // Every segment from the log; what it does not give, from the fields as they were.
    m_segments.assign(1, CalibrationSegment{0, calibration()});
    m_shown = 0;
    takeSegments(0);
    if (isOpen()) {
        const DataTable &t = table();
        const bool any = t.rowCount() > 0;
        m_plotInputs.start = any ? t.text(0, colDateTime) : entryFieldInitialText(u"txtStart");
        m_plotInputs.end = any ? t.text(t.lastRow(), colDateTime) : entryFieldInitialText(u"txtEnd");
    }
    takeGaps(0);
}

void Workbench::takeFileCalibration(const FileCalibration &f, Calibration &c) {
    for (std::size_t i = 0; i < 2; ++i) {
        c.slope[i] = asFieldShowsIt(f.slope[i]);
        c.offset[i] = asFieldShowsIt(f.offset[i]);
    }
}

void Workbench::takeSegments(std::size_t from) {
    const bool joined = !m_segmentLog.empty();
    const std::vector<FileCalibration> &file = joined ? m_joinedSegments : m_dataSet.calibrationSegments();
    m_segments.resize(file.size(), CalibrationSegment{0, calibration()});
    for (std::size_t i = 0; i < file.size(); ++i) {
        CalibrationSegment &s = m_segments[i];
        s.firstRow = file[i].firstRow;
        if (i < from || s.origin == CalibrationOrigin::Edit || s.origin == CalibrationOrigin::BufferCalibration)
            continue;
        s.origin = file[i].line > 0 ? CalibrationOrigin::LogLine : CalibrationOrigin::LogHeader;
        s.line = file[i].line;
        s.logName = QFileInfo(joined ? m_join.logs[m_segmentLog[i]].path : m_path).fileName();
        takeFileCalibration(file[i], s.calibration);
    }
    m_shown = std::min(m_shown, int(m_segments.size()) - 1);
}

void Workbench::showSegment(int index) { m_shown = std::clamp(index, 0, int(m_segments.size()) - 1); }

void Workbench::setSegmentCalibration(int index, const Calibration &c, CalibrationOrigin origin) {
    if (index < 0 || index >= int(m_segments.size())) return;
    m_segments[std::size_t(index)].calibration = c;
    m_segments[std::size_t(index)].origin = origin;
    m_computeNeeded = true;
}

void Workbench::applyToAllSegments(const Calibration &c, CalibrationOrigin origin) {
    for (int i = 0; i < int(m_segments.size()); ++i) setSegmentCalibration(i, c, origin);
}

std::vector<ComputeSpan> Workbench::spans() const {
    std::vector<ComputeSpan> out;
    out.reserve(m_segments.size());
    for (const CalibrationSegment &s : m_segments)
        out.push_back({s.firstRow, s.calibration.probe(0), s.calibration.probe(1)});
    return out;
}

const StatisticsIndex &Workbench::stats() const {
    if (m_statsStale) {
        m_stats.rebuild(openTable(), m_computedRows);
        m_statsStale = false;
    }
    return m_stats;
}

bool Workbench::validateInputs(const CalibrationTexts &t) {
    struct Source {
        const QString &text;
        const char *what;
        double &target;
        bool emptyIsZero;
    };
    Calibration c = calibration();
    c.thermistor = t.thermistor;
    const auto th1 = std::size_t(c.thermistor[0]), th2 = std::size_t(c.thermistor[1]);
    // Every text is read once, in this order, before the first record; an empty thermistor 1
    // correction means none.
    const Source sources[] = {
        {t.thermistorCorr[th1], "thermistor correction for pH-1", c.thermistorCorr[th1], th1 == 0},
        {t.thermistorCorr[th2], "thermistor correction for pH-2", c.thermistorCorr[th2], th2 == 0},
        {t.slope[0], "pH-1 slope", c.slope[0], false},
        {t.offset[0], "pH-1 offset", c.offset[0], false},
        {t.corr[0], "pH-1 corr", c.corr[0], false},
        {t.slope[1], "pH-2 slope", c.slope[1], false},
        {t.offset[1], "pH-2 offset", c.offset[1], false},
        {t.corr[1], "pH-2 corr", c.corr[1], false},
    };
    for (const Source &s : sources) {
        const std::optional<double> v = s.text.isEmpty() && s.emptyIsZero ? 0.0 : readNumber(s.text);
        if (!v) {
            m_ui.message(QStringLiteral("The %1 \"%2\" is not a number; nothing was computed.")
                             .arg(QLatin1String(s.what), s.text),
                         kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
            return false;
        }
        s.target = *v;
    }
    // The fields of thermistors no probe uses are taken as they are, so that nothing shows a
    // correction those fields no longer hold; one that is not a number is no value at all.
    for (std::size_t i = 0; i < 3; ++i)
        if (i != th1 && i != th2)
            c.thermistorCorr[i] =
                t.thermistorCorr[i].isEmpty() && i == 0 ? 0.0 : readNumber(t.thermistorCorr[i]).value_or(std::nan(""));
    CalibrationSegment &shown = m_segments[std::size_t(m_shown)];
    const Calibration &was = shown.calibration;
    if (c.slope != was.slope || c.offset != was.offset || c.corr != was.corr) shown.origin = CalibrationOrigin::Edit;
    shown.calibration = c;
    return true;
}

bool Workbench::computePH() {
    if (!isOpen()) return false;
    DataTable &t = table();
    const std::optional<ComputeStop> stop = ::computeSpans(t, 0, spans());
    m_computedRows = stop ? stop->row : t.rowCount();
    m_computeNeeded = stop.has_value();
    m_computedOnce = true;
    runQc();
    m_statsStale = true;
    if (m_plot) m_plot->setComputed(m_computedRows, &m_qc.letters, &m_qc.aggregates);
    if (stop) m_ui.message(computeStopMessage(*stop, t), kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
    return !stop;
}

void Workbench::rebuildPlot() {
    if (m_plot) m_plot->rebuildPlot();
}

void Workbench::markPlotTime(double dateTime) {
    if (m_plot) m_plot->markPlotTime(dateTime);
}

std::optional<ReadoutTexts> Workbench::showRecord(int row) {
    if (!isOpen()) return std::nullopt;
    const DataTable &t = table();
    std::optional<ReadoutTexts> r = readoutFor(t, row);
    if (!r) return r;
    if (row >= m_computedRows) r->ph1 = r->ph2 = QStringLiteral("  not computed");
    m_current = row;
    const double day = t.rowDay(row);
    if (std::isfinite(day)) markPlotTime(day);
    return r;
}

std::optional<int> Workbench::stepRecord(int index) {
    if (!isOpen()) return std::nullopt;
    const std::optional<int> row = ::stepRecord(index, m_current, m_dataSet.rowcount());
    if (row) m_current = *row;
    return row;
}

std::optional<QString> Workbench::stepStart(int index) {
    std::optional<QString> text = stepTimeRangeText(index, m_plotInputs.start, m_dataSet);
    if (text) m_plotInputs.start = *text;
    return text;
}

std::optional<QString> Workbench::stepEnd(int index) {
    std::optional<QString> text = stepTimeRangeText(index, m_plotInputs.end, m_dataSet);
    if (text) m_plotInputs.end = *text;
    return text;
}

std::optional<QString> Workbench::stepYMax(int index) {
    std::optional<QString> text = stepYLimit(index, m_plotInputs.yMax);
    if (text) m_plotInputs.yMax = *text;
    return text;
}

std::optional<QString> Workbench::stepYMin(int index) {
    std::optional<QString> text = stepYLimit(index, m_plotInputs.yMin);
    if (text) m_plotInputs.yMin = *text;
    return text;
}

QString Workbench::plotCaption() const {
    QStringList parts{QFileInfo(m_path).fileName()};
    const Calibration &c = calibration();
    for (int i = 0; i < 2; ++i) {
        const ProbeInputs p = c.probe(i);
        parts << QStringLiteral("pH-%1: slope %2, offset %3, corr %4, T%5 corr %6")
                     .arg(i + 1)
                     .arg(generalNumberText(p.slope), generalNumberText(p.offset), generalNumberText(p.corr))
                     .arg(p.thermistor + 1)
                     .arg(generalNumberText(p.thermCorr));
    }
    return parts.join(QStringLiteral("   "));
}

QString Workbench::exportTable(const QString &path, int first, int last) {
    const std::optional<CsvLogs> logs = csvLogs();
    const CsvQc qc = csvQc();
    const std::optional<CsvMarks> marks = csvMarks();
    return writeCsv(path, m_dataSet, &qc, first, last, logs ? &*logs : nullptr, marks ? &*marks : nullptr);
}

std::optional<CsvLogs> Workbench::csvLogs() const {
    if (m_join.logs.size() < 2) return std::nullopt;
    CsvLogs logs{nullptr, &m_join, {}};
    for (const JoinedLog &l : m_join.logs) logs.names.push_back(csvField(QFileInfo(l.path).fileName()));
    return logs;
}

QString Workbench::exportStatistics(const QString &path, int first, int last) {
    if (!isOpen()) return QStringLiteral("No log is open.");
    const RangeStats stats = statistics(first, last);
    const QcCounts qc = qcCounts(stats.firstRow, stats.records() ? stats.lastRow : -1);
    return saveBytes(path, statisticsCsv(stats, table(), m_qc.aggregates.empty() ? nullptr : &qc));
}

void Workbench::setQcThresholds(const QcThresholds &thresholds) {
    const bool gapChanged = thresholds.gapMinutes != m_thresholds.gapMinutes;
    m_thresholds = thresholds;
    if (gapChanged) takeGaps(0);
    if (isOpen() && !m_qc.letters.empty()) runQc();
    if (m_plot) m_plot->setComputed(m_computedRows, &m_qc.letters, &m_qc.aggregates);  // the marks change
}

void Workbench::setGapMinutes(double minutes) {
    QcThresholds th = m_thresholds;
    th.gapMinutes = minutes;
    setQcThresholds(th);
}

void Workbench::takeGaps(int from) {
    const std::size_t before = m_gaps.size();
    while (!m_gaps.empty() && m_gaps.back().toRow >= from) m_gaps.pop_back();
    if (isOpen()) {
        const std::vector<Gap> found = findGaps(openTable(), m_thresholds.gapMinutes * 60.0 / dt::kSecondsPerDay, from);
        m_gaps.insert(m_gaps.end(), found.begin(), found.end());
    }
    if (m_plot && (from == 0 || m_gaps.size() != before)) m_plot->setGaps(&m_gaps);
}

void Workbench::runQc(bool run) {
    if (run)
        m_qcTable.compute(table(), m_computedRows, m_thresholds, m_qc);
    else
        m_qc = {};
    std::vector<FlagMask> &letters = m_qc.letters;
    for (const int r : m_join.conflictRows)
        if (std::size_t(r) < letters.size()) letters[std::size_t(r)] |= flagConflict;
    m_flagTotals = countFlags(letters);
    runCorrections();
}

std::array<std::uint8_t, kQcColumns> Workbench::qcRowTests(int row) const {
    if (!isOpen() || m_qc.letters.empty()) return {};
    return ::qcRowTests(openTable(), m_computedRows, m_qcTable.setup(), row);
}

FlagCounts Workbench::flagCounts(int first, int last) const {
    // All rows, as with autoscale while a log grows: the counts kept up, not a count of them all.
    if (first <= 0 && last >= int(m_qc.letters.size()) - 1) return m_flagTotals;
    return countFlags(m_qc.letters, first, last);
}

RangeStats Workbench::statistics(int first, int last) const {
    if (!isOpen() || stats().rows() != m_dataSet.rowcount()) return {};
    if (!m_includeBad && !m_marks.empty()) {
        rowMarks();
        const auto lo = m_badRows.begin() + std::clamp(first, 0, int(m_badRows.size()));
        const auto hi = m_badRows.begin() + std::clamp(last + 1, 0, int(m_badRows.size()));
        if (std::find(lo, hi, 1) != hi) return stats().rangeLeavingOut(openTable(), first, last, m_badRows);
    }
    return stats().range(openTable(), first, last);
}

std::pair<int, int> Workbench::visibleRows(bool zoomed) const {
    const int n = rowCount();
    if (n == 0) return {0, -1};
    const DataTable &t = openTable();
    if (zoomed && m_graph) return stats().rowsBetween(t, m_graph->zoomedXMin(), m_graph->zoomedXMax());
    if (m_plotInputs.autoscale) return {0, n - 1};
    return stats().rowsBetween(t, dt2decimalday(m_plotInputs.start), dt2decimalday(m_plotInputs.end));
}

RangeStats Workbench::visibleStatistics(bool zoomed) const {
    const auto [first, last] = visibleRows(zoomed);
    return statistics(first, last);
}

std::optional<std::pair<int, int>> Workbench::rowsBetweenTexts(const QString &from, const QString &to) const {
    const int n = rowCount();
    if (n == 0) return std::pair<int, int>{0, -1};
    const DataTable &t = openTable();
    const std::optional<double> lo = from.isEmpty() ? std::optional<double>(-1e300) : dt::parse(from);
    const std::optional<double> hi = to.isEmpty() ? std::optional<double>(1e300) : dt::parse(to);
    if (!lo || !hi) return std::nullopt;
    if (!m_statsStale) return m_stats.rowsBetween(t, *lo, *hi);
    // Without the index: the first and the last row inside, which is what its search finds too
    // (the days of a log never go down but where a row has none, and such a row is never inside).
    auto inside = [&](int r) { return t.rowDay(r) >= *lo && t.rowDay(r) <= *hi; };
    int first = 0, last = n - 1;
    while (first < n && !inside(first)) ++first;
    if (first == n) return std::pair<int, int>{0, -1};
    while (!inside(last)) --last;
    return std::pair<int, int>{first, last};
}

bool Workbench::startFollow() {
    if (m_follower) return true;
    if (canFollowFolder()) return startFollowNewest();
    if (!m_readOn.store || !isOpen()) return false;
    const ReaderContext ctx{m_ui, m_hooks.setStatusPanel2, m_hooks.makeMeterView, {}, nullptr, m_maxInputSize};
    m_follower = std::make_unique<LogFollower>(m_path, m_dataSet, ctx, std::move(m_readOn), m_rotationGraceMs);
    m_dataSet.makeRoomToGrow();
    return true;
}

void Workbench::stopFollow() {
    if (!m_follower) return;
    if (m_followLog) {  // started again, the newest log is read anew
        m_follower.reset();
        m_followLog.reset();
        return;
    }
    m_readOn = m_follower->takeState();
    m_follower.reset();
}

FollowStep Workbench::pollFollow() {
    FollowStep out;
    if (!m_follower) return out;
    if (const QStringList joined = newLogsOfFolder(); !joined.isEmpty()) return reopenFolder(joined);
    if (m_followLog) return pollNewest();
    const std::array<double, 4> probe{m_dataSet.pH1_Slope(), m_dataSet.pH2_Slope(), m_dataSet.pH1_Offset(),
                                      m_dataSet.pH2_Offset()};
    const QStringList fields = m_dataSet.fieldlist();
    const LogFollower::Step step = m_follower->poll();
    out.outcome = step.outcome;
    out.firstNewRow = step.firstNewRow;
    using Outcome = LogFollower::Outcome;
    out.readFromStart = step.readFromStart;
    switch (step.outcome) {
    case Outcome::Appended:
    case Outcome::TooLarge: takeAppendedRows(step.firstNewRow); break;
    case Outcome::Stopped:
        if (step.readFromStart) {
            takeReadAgain(false);
            const PassReport &p = step.stoppedRead;
            m_report.completed = false;
            m_report.lines = m_report.stoppedAtLine = p.lines;
            m_report.leftOut = p.droppedRecords;
            m_report.skipped = p.lateRecords;
            m_report.cut = p.cutRecords;
            m_report.bytes = p.bytes;
            m_report.sha256 = p.sha256;
        } else {
            takeAppendedRows(step.firstNewRow);
        }
        break;
    case Outcome::ReadAgain: takeReadAgain(true); break;
    default: break;
    }
    if (m_follower && m_follower->reading()) {
        const PassReport &pass = m_follower->report();
        m_report.lines = pass.lines;
        m_report.leftOut = pass.droppedRecords;
        m_report.skipped = pass.lateRecords;
        m_report.cut = pass.cutRecords;
        m_report.missing = pass.missingRecords;
        m_report.bytes = m_follower->bytesRead();
        m_report.sha256 = m_follower->sha256();
    }
    if (step.outcome == Outcome::Gone || step.outcome == Outcome::Stopped || step.outcome == Outcome::TooLarge) {
        m_follower.reset();  // where it ended no longer stands for the file
        m_readOn = ReadOn{};
    }
    out.slopeChanged = {probe[0] != m_dataSet.pH1_Slope(), probe[1] != m_dataSet.pH2_Slope()};
    out.offsetChanged = {probe[2] != m_dataSet.pH1_Offset(), probe[3] != m_dataSet.pH2_Offset()};
    out.fieldsChanged = fields != m_dataSet.fieldlist();
    out.segments = int(m_segments.size());
    out.rows = rowCount();
    return out;
}

void Workbench::takeAppendedRows(int first) {
    m_dataSet.trimRows();
    DataTable &t = table();
    const int n = t.rowCount();
    // A calibration line appended starts a segment; the first keeps the last Compute's calibration.
    std::size_t from = 1;
    while (from < m_segments.size() && m_segments[from].firstRow < first) ++from;
    takeSegments(from);
    if (n <= first) return;
    takeGaps(first);
    // The rows before must all hold the last Compute's pH; before any Compute none do.
    if (m_computedOnce && m_computedRows == first) {
        const std::optional<ComputeStop> stop = ::computeSpans(t, first, spans());
        m_computedRows = stop ? stop->row : n;
        if (stop) {
            m_computeNeeded = true;
            m_ui.message(computeStopMessage(*stop, t), kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        }
    }
    int firstFlagRow = first;
    if (m_computedOnce) {
        // Only the last old row's results change, unless every row is tested again.
        const int old = int(m_qc.letters.size());
        const FlagCounts last = countFlags(m_qc.letters, old - 1, old - 1);
        const bool conflict = old > 0 && (m_qc.letters[std::size_t(old - 1)] & flagConflict);
        firstFlagRow = m_qcTable.extend(t, m_computedRows, m_qc);
        if (firstFlagRow == 0) {
            runQc();  // the conflicts and totals again
        } else {
            if (conflict) m_qc.letters[std::size_t(old - 1)] |= flagConflict;
            m_flagTotals -= last;
            m_flagTotals += countFlags(m_qc.letters, firstFlagRow, n - 1);
            runCorrections(firstFlagRow);
        }
        if (!m_statsStale) m_stats.extend(t, m_computedRows);
    }
    if (m_plotInputs.autoscale) m_plotInputs.end = t.text(n - 1, colDateTime);
    if (m_plot) {
        m_plot->setComputed(m_computedRows, &m_qc.letters, &m_qc.aggregates);
        m_plot->appendRows(first, firstFlagRow);
    }
}

void Workbench::takeReadAgain(bool completed) {
    m_rowMarksStale = true;
    takeSegments(m_segments.size());  // those it had keep their calibration, as the first does
    const DataTable &t = table();     // trims the table the read filled
    takeGaps(0);
    const int n = t.rowCount();
    m_current = std::clamp(m_current, 0, std::max(0, n - 1));
    if (m_computedOnce && !completed) {
        // The stopped read's rows hold the file's own pH: none computed since, every one
        // flagged so, and Compute needed.
        m_computedRows = 0;
        m_computeNeeded = true;
        runQc();
        m_statsStale = true;
        if (m_plot) m_plot->setComputed(0, &m_qc.letters, &m_qc.aggregates);
    } else if (m_computedOnce) {
        const bool needed = m_computeNeeded;  // fields edited since stay so
        computePH();
        m_computeNeeded = m_computeNeeded || needed;
    } else {
        m_computedRows = 0;
        runQc(false);
        m_stats.clear();
        m_statsStale = false;
        if (m_plot) m_plot->setComputed(0, &m_qc.letters, &m_qc.aggregates);
    }
    if (m_plotInputs.autoscale && n > 0) {
        m_plotInputs.start = t.text(0, colDateTime);
        m_plotInputs.end = t.text(n - 1, colDateTime);
    }
    if (m_plot) m_plot->rebuildPlot();
}
