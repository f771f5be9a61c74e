#pragma once
// One open log with everything a person works on: the data set, the calibration inputs, the
// plot state, the current record and what the last read found. Its operations are the road
// open -> compute -> plot -> export that the window and the batch command share.
#include "compute/phcompute.h"
#include "qc/qcletters.h"
#include "compute/statistics.h"
#include "compute/readout.h"
#include "corrections/corrections.h"
#include "export/csvexport.h"
#include "fileio/fileio.h"
#include "fileio/logfollower.h"
#include "model/clsdataset.h"
#include "model/clsplotset.h"
#include "model/deployment.h"
#include "plot/plotbuilder.h"
#include "project/projectfile.h"
#include "qc/marks.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <limits>
#include <memory>
#include <optional>

class IGraph;
class IInteraction;
class IMeterView;

// The values Compute uses, one set per probe plus the three thermistor corrections. A new
// workbench starts from the fields' initial texts.
struct Calibration {
    std::array<double, 2> slope{}, offset{}, corr{};
    std::array<int, 2> thermistor{0, 0};  // 0..2: thermistor 1..3
    std::array<double, 3> thermistorCorr{0.0, 0.0, 0.0};

    ProbeInputs probe(int i) const;
};

// Where a segment's calibration came from.
enum class CalibrationOrigin { LogHeader, LogLine, Edit, BufferCalibration };

// The records from firstRow on, up to the next segment's first, and the calibration Compute
// gives them. A log's header and each calibration line after a record start one.
struct CalibrationSegment {
    int firstRow = 0;
    Calibration calibration;
    CalibrationOrigin origin = CalibrationOrigin::LogHeader;
    int line = 0;       // the log's line of a LogLine segment
    QString logName{};  // the file name of the log it belongs to
    // "header", "line 12", "edited", "buffer calibration"
    QString originText() const;
};

// The calibration as the window's fields hold it: texts, checked when Compute reads them.
struct CalibrationTexts {
    std::array<QString, 2> slope, offset, corr;
    std::array<int, 2> thermistor{0, 0};
    std::array<QString, 3> thermistorCorr;
};

// What the last read found.
struct ReadReport {
    bool completed = false;
    int lines = 0;          // lines read (the stop line after a stop)
    int leftOut = 0;        // records beyond the data set's capacity
    int skipped = 0;        // records timed 24:00:00 or later
    int cut = 0;            // records stored with their first values only
    int stoppedAtLine = 0;  // 0: not stopped
    int missing = 0;        // records with a field that held no number
    // Probe values the file did not give: they keep what the previous file (or, before any
    // file, the fields' initial texts) said.
    std::array<bool, 2> slopeKept{}, offsetKept{};
    bool keptFromEarlierFile = false;
    // The bytes read (a followed log's included) and their SHA-256.
    qint64 bytes = 0;
    QByteArray sha256{};
    // Of a deployment: the counts above are the totals of its logs' (bytes too; no SHA-256).
    int duplicatesDropped = 0;  // records another log held with the same date-time and values
    int conflicts = 0;          // records of a date-time another log holds with other values

    // "pH-1 slope", "pH-2 offset" ... of the kept values, probe 1 first.
    QStringList keptNames() const;
};

// What one look at a followed log found.
struct FollowStep {
    LogFollower::Outcome outcome = LogFollower::Outcome::Unchanged;
    int firstNewRow = 0;         // rows from here on are new (Appended, Stopped, TooLarge)
    bool readFromStart = false;  // Stopped in a read from the start: every row is that read's
    // The file's slope or offset of probe 1 and 2 changed (a calibration line was appended).
    std::array<bool, 2> slopeChanged{}, offsetChanged{};
    int segments = 1;            // calibration segments now; an appended calibration line starts one
    bool fieldsChanged = false;  // a new column header
    // Of a followed folder: the file names of the logs that appeared in it and joined the
    // deployment (outcome ReadAgain: the deployment was opened again from the folder).
    QStringList joinedLogs;
    bool newRows() const { return rows > firstNewRow; }
    int rows = 0;  // records now
};

class Workbench {
public:
    // What the road shows on the way; every hook may be empty.
    struct Hooks {
        std::function<void(const QString &)> setStatusPanel2;
        std::function<std::unique_ptr<IMeterView>()> makeMeterView;
        std::function<void(bool force)> showAnnotationStatus;
    };

    // Without a graph there is no plot; everything else works the same.
    Workbench(IInteraction &ui, IGraph *graph, Hooks hooks = {});
    ~Workbench();

    clsDataSet &dataSet() { return m_dataSet; }
    const clsDataSet &dataSet() const { return m_dataSet; }
    clsPlotSet &plotSet() { return m_plotSet; }
    DataTable &table() { return m_dataSet.DATA(); }
    bool isOpen() const { return m_dataSet.isInitialized(); }
    int rowCount() const { return isOpen() ? m_dataSet.rowcount() : 0; }
    const QString &path() const { return m_path; }
    const ReadReport &readReport() const { return m_report; }

    // Reads a log into the data set (messages through the interaction). Afterwards the
    // calibration holds the file's slopes and offsets and, once a file has been read, the
    // time range is that of its records. True when the file was read to its end.
    bool open(const QString &path);
    // Opens logs as one deployment: one path is open(path). Several are read each on its own, at
    // once on the machine's cores, and joined in time order (see joinLogs); a log that cannot be
    // read is left out. The reads' messages are told after, one message each names the logs left
    // out, differing serial numbers and differing columns. True when every log was read whole.
    bool openLogs(const QStringList &paths);
    // Every log of a folder (the Open dialog's file types) as one deployment.
    bool openFolder(const QString &folder);
    // The folder the deployment was opened from; empty when it was not.
    const QString &folder() const { return m_folder; }
    // The files of a folder of the Open dialog's file types, by name.
    static QStringList logsOfFolder(const QString &folder);
    // The logs of the open deployment and which log each row came from (one log: one, and no
    // row list).
    const Join &join() const { return m_join; }
    // The file name of a row's log.
    QString logNameOfRow(int row) const;
    // A log of this many bytes or more is not read (an endless input stops there).
    void setMaxInputSize(qint64 bytes) { m_maxInputSize = bytes; }
    // Whether an open takes every record of a log (the any-length setting) or the first
    // kMaxRecords. Either way the "left out" message offers to read that one log again whole.
    void setLoadAllRecords(bool all) { m_loadAll = all; }
    bool loadAllRecords() const { return m_loadAll; }

    // The calibration the fields show: that of the shown segment.
    Calibration &calibration() { return m_segments[std::size_t(m_shown)].calibration; }
    const Calibration &calibration() const { return m_segments[std::size_t(m_shown)].calibration; }
    // A segment's slopes and offsets from the log into a calibration, as an open takes them: as
    // their fields show them.
    static void takeFileCalibration(const FileCalibration &segment, Calibration &calibration);

    // The calibration segments of the open log (one before any), in row order; while a followed
    // log waits for its next record the last may have none yet. An open takes each segment's
    // slopes and offsets from the log, the rest from the fields as they were.
    const std::vector<CalibrationSegment> &segments() const { return m_segments; }
    int segmentOf(int row) const { return segmentOfRow(m_segments, row); }
    // The segment the fields show (an open shows the first). The window shows the current
    // record's: after a row change it calls showSegment(segmentOf(row)) and fills the fields.
    int shownSegment() const { return m_shown; }
    void showSegment(int index);
    // One segment's calibration, or every segment's; Compute needs doing again.
    void setSegmentCalibration(int index, const Calibration &c, CalibrationOrigin origin = CalibrationOrigin::Edit);
    void applyToAllSegments(const Calibration &c, CalibrationOrigin origin = CalibrationOrigin::Edit);

    // Compute's validation step: takes the fields' texts, in the order Compute always read them,
    // as the shown segment's calibration. Every text the fields let through is accepted; a text
    // that is not a number (which the fields' own check never leaves) is named in a message and
    // nothing changes.
    bool validateInputs(const CalibrationTexts &texts);
    // Both probes' pH for every record with its segment's calibration; a stop is told in a
    // message. False when the computation stopped (or no log is open).
    bool computePH();
    bool computeNeeded() const { return m_computeNeeded; }
    void setComputeNeeded(bool needed) { m_computeNeeded = needed; }
    // Rows that hold pH computed by the last Compute; the rows after them still hold the
    // file's own values, which the plot leaves out and the readout calls not computed.
    int computedRows() const { return m_computedRows; }

    // Quality flags (letters) of every record after the last Compute (empty before one), and
    // the aggregates of the quality-control tests.
    const std::vector<FlagMask> &flags() const { return m_qc.letters; }
    const std::vector<QcAggregates> &qcAggregates() const { return m_qc.aggregates; }
    const QcThresholds &qcThresholds() const { return m_thresholds; }
    // The thresholds with the log's median interval, as the last tests ran.
    const QcSetup &qcSetup() const { return m_qcTable.setup(); }
    // New thresholds test the computed log again; the pH stays as it is. The gap limit is theirs.
    void setQcThresholds(const QcThresholds &thresholds);
    // Each test's result of one row, worked out again (the tooltip's).
    std::array<std::uint8_t, kQcColumns> qcRowTests(int row) const;
    // Counts of each series' aggregates, rows first..last.
    QcCounts qcCounts(int first, int last) const { return countQc(m_qc.aggregates, first, last); }

    // The steps between records longer than the gap limit, in row order: the plot draws no line
    // across them. Found at an open and kept up as a followed log grows.
    const std::vector<Gap> &gaps() const { return m_gaps; }
    double gapMinutes() const { return m_thresholds.gapMinutes; }
    // A new limit finds the gaps again.
    void setGapMinutes(double minutes);

    // Statistics of rows first..last (as computed by the last Compute).
    RangeStats statistics(int first, int last) const;
    // Flag counts of rows first..last.
    FlagCounts flagCounts(int first, int last) const;
    // The rows of the visible X range: all with autoscale, the typed range without, the
    // graph's zoomed range while `zoomed`.
    std::pair<int, int> visibleRows(bool zoomed) const;
    RangeStats visibleStatistics(bool zoomed) const;
    // The rows between two date-time texts of the range fields' or the log's form; an empty
    // text is the log's first or last record. Nothing when a text is no date-time.
    std::optional<std::pair<int, int>> rowsBetweenTexts(const QString &from, const QString &to) const;

    PlotInputs &plotInputs() { return m_plotInputs; }
    const PlotInputs &plotInputs() const { return m_plotInputs; }
    void rebuildPlot();
    void markPlotTime(double dateTime);

    int currentRecord() const { return m_current; }
    // The readout of a row, which becomes the current record; nothing for a row outside.
    std::optional<ReadoutTexts> showRecord(int row);
    // The row after cmdStep button `index`, which becomes current; nothing when there is none.
    std::optional<int> stepRecord(int index);
    // New texts of the range fields after their step buttons; the plot inputs follow.
    std::optional<QString> stepStart(int index);
    std::optional<QString> stepEnd(int index);
    std::optional<QString> stepYMax(int index);
    std::optional<QString> stepYMin(int index);

    // One line for a saved plot: the log's file name and the shown calibration of the last Compute.
    QString plotCaption() const;

    // The computed table (rows first..last when given) as CSV; an error text, empty on success.
    QString exportTable(const QString &path, int first = 0, int last = std::numeric_limits<int>::max());
    // Whether the CSV has a column per quality-control test and series.
    void setQcColumns(bool on) { m_qcTests = on; }
    // The quality columns of the table's CSV.
    CsvQc csvQc() const {
        return {&m_qc,
                m_qcTests ? &m_qcTable.setup() : nullptr,
                m_computedRows,
                {&m_corrections[0], &m_corrections[1]},
                !m_visits.empty()};
    }
    // The names the CSV's "log" column gives, nothing for one log (its CSV has no such column).
    std::optional<CsvLogs> csvLogs() const;
    // The statistics of rows first..last as CSV; an error text, empty on success.
    QString exportStatistics(const QString &path, int first, int last);

    // Follow: reads on as the open log grows. The open leaves where its read ended; a log that
    // was not read to its end, or is no regular file, cannot be followed. Another open stops.
    // A deployment opened from a folder follows the folder: its newest log (the last in time
    // order) is read on, and a log that appears in the folder joins (see pollFollow).
    bool canFollow() const { return m_follower || m_readOn.store || canFollowFolder(); }
    bool startFollow();
    // The log that is read on: the open log, or a deployment's newest.
    QString followedPath() const { return m_join.logs.empty() ? m_path : m_join.logs.back().path; }
    void stopFollow();
    bool following() const { return m_follower != nullptr; }
    // The followed log is missing from its path and may yet come back (rotation).
    bool followWaiting() const { return m_follower && m_follower->waitingForLog(); }
    void setRotationGraceMs(int ms) { m_rotationGraceMs = ms; }
    // Reads what the log gained since the last look. New records are computed at once with
    // the calibration of the last Compute (none before one), flagged and counted in the
    // statistics, and go to the plot. A log that shrank or was replaced is read again whole
    // (computed as before); a log that is gone, too large, or a read the person stopped, ends
    // following. A read from the start that was stopped leaves no row computed.
    // Of a folder, each poll also lists it: a log that was not there at the open has the
    // deployment opened again from the folder (ReadAgain with joinedLogs), the calibration of
    // its segments kept, and following goes on with the newest log. The newest log's records
    // go on the end of the joined table; a rewrite of it opens the folder again too.
    FollowStep pollFollow();

    // Service visits and the corrections and grades made from them (never a value changed). A
    // probe without visits has no corrections (empty). Rows not computed have no grade; a row
    // whose corrections pass the maximum allowable limit is not reported: its probe's QC
    // aggregate is 4.
    const std::vector<ServiceVisit> &serviceVisits() const { return m_visits; }
    const CorrectionSettings &correctionSettings() const { return m_correctionSettings; }
    void setServiceVisits(const std::vector<ServiceVisit> &visits, const CorrectionSettings &settings);
    bool hasCorrections() const { return !m_corrections[0].empty() || !m_corrections[1].empty(); }
    // Probe 0 or 1.
    const ProbeCorrections &corrections(int probe) const { return m_corrections[std::size_t(probe)]; }
    ProbeCorrector corrector(int probe) const;
    // The corrected pH of a row, NaN when there is none.
    double correctedPH(int probe, int row) const;
    // A probe's (0 or 1) corrections of table rows from..to-1 from their pH (computed in rows
    // before `computed`; a log too narrow for the pH column has none), and the aggregates of the
    // rows not reported failed for that probe. The workbench and the streamed export share it.
    static void correctProbeRows(const ProbeCorrector &corrector, int probe, const DataTable &table, int computed,
                                 std::size_t from, std::size_t to, ProbeCorrections &out,
                                 std::span<QcAggregates> aggregates);

    // The person's marks (never a value changed). Mark, clear and note rows first..last; an
    // error text (a bad or doubtful mark needs a reason), empty when done.
    const Marks &marks() const { return m_marks; }
    QString markRows(int first, int last, MarkKind kind, const QString &text);
    bool clearMarks(int first, int last, bool notes = false);
    // Each row's mark and note, kept up with the marks and the rows.
    const RowMarks &rowMarks() const;
    // The Flags column's letters of a row: its quality flags, then B (bad) or Q (doubtful).
    QString flagText(int row) const;
    // Statistics leave out the records marked bad unless this is set.
    bool statisticsIncludeBad() const { return m_includeBad; }
    void setStatisticsIncludeBad(bool include) { m_includeBad = include; }
    // The CSV's mark and note columns, nothing while there are no marks.
    std::optional<CsvMarks> csvMarks() const;

    // A buffer calibration applied to one probe of a segment, kept with its points.
    void applyBufferCalibration(const ProjectBufferCalibration &calibration);
    const std::vector<ProjectBufferCalibration> &bufferCalibrations() const { return m_bufferCalibrations; }

    // The project: everything decided, the logs with their size and SHA-256, and the view.
    ProjectState captureProject() const;
    // The decisions alone (no logs, no view): what a decision changes.
    ProjectState decisions() const;
    // Takes the decisions of a state over the open deployment: segments (by position), buffer
    // calibrations, limits, marks. Compute is needed when a segment changed.
    void applyDecisions(const ProjectState &state);
    // Opens the state's logs as one deployment, then its decisions and view, and computes.
    // False when the logs could not be read.
    bool applyProject(const ProjectState &state);
    // The zoomed X range of the project last applied; the window zooms there.
    const std::optional<std::pair<double, double>> &projectZoom() const { return m_projectZoom; }

    // The audit trail: every decision appends an entry, an undo too; none is ever removed.
    const std::vector<TrailEntry> &trail() const { return m_trail; }
    void setTrail(std::vector<TrailEntry> trail) { m_trail = std::move(trail); }
    TrailEntry &appendTrail(const QString &what, std::vector<TrailChange> changes, const QString &reason = {});
    // A decision: `change` runs on this workbench and what it changed becomes one trail entry
    // named `name`. Nothing when it changed nothing. The step undoes and redoes it.
    struct DecisionStep {
        QString name;
        ProjectState before, after;
    };
    std::optional<DecisionStep> decide(const QString &name, const std::function<void()> &change,
                                       const QString &reason = {});
    void undoDecision(const DecisionStep &step);
    void redoDecision(const DecisionStep &step);

    // The project file: the project captured and the trail. Save is atomic; an error text (the
    // old file stays), empty when saved.
    ProjectFile projectFile() const;
    QString saveProject(const QString &path) const;
    // Reads a project and opens it: a file it cannot take is told (naming it and why) and
    // nothing changes; logs that differ from what it recorded are told and it opens still.
    // False when it was not opened.
    bool openProject(const QString &path);
    // The logs that differed from the project at its open, and its chain's last hash as read.
    const QStringList &projectChangedLogs() const { return m_changedLogs; }
    // The logs as the project opened last recorded them.
    const std::vector<ProjectLog> &projectLogs() const { return m_projectLogs; }

    // DATA of an open log, which reading does not change.
    const DataTable &openTable() const { return const_cast<clsDataSet &>(m_dataSet).DATA(); }

private:
    Marks m_marks;
    mutable RowMarks m_rowMarks;
    mutable std::vector<std::uint8_t> m_badRows;  // 1 per row marked bad: what statistics leave out
    mutable bool m_rowMarksStale = true;
    mutable int m_rowMarksRows = 0;  // the rows m_rowMarks was made for
    bool m_includeBad = false;
    std::vector<ProjectBufferCalibration> m_bufferCalibrations;
    std::vector<TrailEntry> m_trail;
    std::optional<std::pair<double, double>> m_projectZoom;
    QStringList m_changedLogs;
    std::vector<ProjectLog> m_projectLogs;
    // The tests of the table's rows (none before a Compute: `run` false), with the conflicts of the
    // join, which the table cannot show.
    void runQc(bool run = true);
    std::vector<ServiceVisit> m_visits;
    CorrectionSettings m_correctionSettings;
    std::array<ProbeCorrections, 2> m_corrections;
    // The corrections of rows from `from` on worked out again (all when from is 0).
    void runCorrections(int from = 0);
    // What open and openLogs share after the data set is filled.
    void afterRead();
    Join m_join;
    QString m_folder;          // the deployment was opened from it
    QStringList m_folderLogs;  // the logs it held then
    QStringList m_joining;     // while it is opened again: the logs that joined it
    bool canFollowFolder() const { return !m_folder.isEmpty() && m_join.logs.size() > 1 && m_join.leftOut == 0; }
    // The paths of logs in the folder that it did not hold at the open.
    QStringList newLogsOfFolder() const;
    // The folder opened again, as much of the workbench kept as stands for the same logs.
    FollowStep reopenFolder(const QStringList &joined);
    // A deployment's newest log, followed in a data set of its own whose new rows are appended.
    bool startFollowNewest();
    FollowStep pollNewest();
    // Log j's segments in joined rows, in place of those it had (it is the last joined so far).
    void joinSegmentsOf(std::size_t j, const std::vector<FileCalibration> &segments);
    std::unique_ptr<IInteraction> m_followUi;  // the newest log's store tells through it
    std::unique_ptr<clsDataSet> m_followLog;   // the newest log as read on its own
    // A deployment's segments as its logs give them, in joined rows, and the log of each.
    std::vector<FileCalibration> m_joinedSegments;
    std::vector<std::size_t> m_segmentLog;
    IInteraction &m_ui;
    IGraph *m_graph;
    Hooks m_hooks;
    clsDataSet m_dataSet;
    clsPlotSet m_plotSet;
    std::unique_ptr<PlotBuilder> m_plot;
    std::vector<CalibrationSegment> m_segments = std::vector<CalibrationSegment>(1);
    int m_shown = 0;
    std::vector<ComputeSpan> spans() const;
    // The data set's segments as the log gives them: from segment `from` on each takes the
    // log's slopes and offsets unless it was edited; a new one takes the rest from the fields.
    // Those before keep their calibration.
    void takeSegments(std::size_t from);
    PlotInputs m_plotInputs;
    ReadReport m_report;
    QString m_path;
    qint64 m_maxInputSize = kDefaultMaxInputSize;
    bool m_loadAll = false;
    bool m_computeNeeded = false;
    int m_computedRows = 0;
    int m_current = 0;
    void takeAppendedRows(int firstNewRow);
    void takeReadAgain(bool completed);
    int m_rotationGraceMs = LogFollower::kRotationGraceMs;
    bool m_computedOnce = false;  // a Compute ran on this log
    ReadOn m_readOn;              // where the open's read ended
    std::unique_ptr<LogFollower> m_follower;
    QcThresholds m_thresholds;
    std::vector<Gap> m_gaps;
    // The gaps into rows from `from` on found again; those before stay.
    void takeGaps(int from);
    QcResults m_qc;
    QcTable m_qcTable;
    bool m_qcTests = false;
    FlagCounts m_flagTotals;  // of all of the letters
    // Built when statistics or a range are first asked for after a Compute, not by Compute:
    // an export of the table alone never needs it.
    const StatisticsIndex &stats() const;
    mutable StatisticsIndex m_stats;
    mutable bool m_statsStale = false;  // m_stats is to be rebuilt from the table and m_computedRows
};
