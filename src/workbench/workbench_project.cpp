// The project side of the workbench: the person's marks, buffer calibrations kept with their
// points, decisions with their audit trail, and the project file captured and applied.
#include "workbench/workbench.h"

#include "model/interaction.h"
#include "plot/graph.h"

#include <QFileInfo>
#include <QHash>
#include <mutex>

namespace {

QString wbOriginName(CalibrationOrigin o) {
    switch (o) {
    case CalibrationOrigin::LogHeader: return QStringLiteral("header");
    case CalibrationOrigin::LogLine: return QStringLiteral("line");
    case CalibrationOrigin::Edit: return QStringLiteral("edited");
    case CalibrationOrigin::BufferCalibration: return QStringLiteral("buffer calibration");
    }
    return {};
}

CalibrationOrigin wbOriginOf(const QString &name, CalibrationOrigin otherwise) {
    for (CalibrationOrigin o : {CalibrationOrigin::LogHeader, CalibrationOrigin::LogLine, CalibrationOrigin::Edit,
                                CalibrationOrigin::BufferCalibration})
        if (wbOriginName(o) == name) return o;
    return otherwise;
}

ProjectCalibration wbProjectCalibration(const Calibration &c) {
    return {c.slope, c.offset, c.corr, c.thermistor, c.thermistorCorr};
}

Calibration wbCalibration(const ProjectCalibration &p) {
    Calibration c;
    c.slope = p.slope;
    c.offset = p.offset;
    c.corr = p.corr;
    c.thermistor = p.thermistor;
    c.thermistorCorr = p.thermistorCorr;
    return c;
}

// A log's size and SHA-256, read again only when its size or time changed since the last look.
ProjectLog wbLogChecksum(const QString &path) {
    struct Known {
        qint64 size = -1;
        QDateTime modified;
        ProjectLog log;
    };
    static QHash<QString, Known> known;
    static std::mutex guard;
    const std::lock_guard lock(guard);
    const QFileInfo info(path);
    Known &k = known[path];
    if (k.size != info.size() || k.modified != info.lastModified() || k.log.sha256.isEmpty()) {
        k = {info.size(), info.lastModified(), {path, 0, {}}};
        logChecksum(path, k.log);
    }
    return k.log;
}

}  // namespace

QString Workbench::markRows(int first, int last, MarkKind kind, const QString &text) {
    if (!isOpen()) return QStringLiteral("No log is open.");
    const QString error = m_marks.mark(openTable(), first, last, kind, text);
    if (error.isEmpty()) m_rowMarksStale = true;
    return error;
}

bool Workbench::clearMarks(int first, int last, bool notes) {
    if (!isOpen() || !m_marks.clear(openTable(), first, last, notes)) return false;
    m_rowMarksStale = true;
    return true;
}

const RowMarks &Workbench::rowMarks() const {
    // Without marks nothing is held per row: a long log pays for its marks only once it has some.
    const int n = m_marks.empty() ? 0 : rowCount();
    if (m_rowMarksStale || m_rowMarksRows != n) {
        m_rowMarks = n > 0 ? m_marks.rows(openTable()) : RowMarks{};
        m_badRows.assign(m_rowMarks.kind.size(), 0);
        for (std::size_t r = 0; r < m_rowMarks.kind.size(); ++r)
            m_badRows[r] = m_rowMarks.kind[r] == std::uint8_t(MarkKind::Bad);
        m_rowMarksRows = n;
        m_rowMarksStale = false;
    }
    return m_rowMarks;
}

QString Workbench::flagText(int row) const {
    QString text = std::size_t(row) < flags().size() ? flagLetters(flags()[std::size_t(row)]) : QString();
    const RowMarks &m = rowMarks();
    if (std::size_t(row) < m.kind.size() && m.kind[std::size_t(row)])
        text += QLatin1Char(markLetter(MarkKind(m.kind[std::size_t(row)])));
    return text;
}

std::optional<CsvMarks> Workbench::csvMarks() const {
    if (m_marks.empty()) return std::nullopt;
    const RowMarks &m = rowMarks();
    CsvMarks out{&m.kind, &m.note, {}};
    for (const Mark &mark : m_marks.list()) out.notes.push_back(csvField(mark.text));
    return out;
}

void Workbench::applyBufferCalibration(const ProjectBufferCalibration &b) {
    if (b.segment < 0 || b.segment >= int(m_segments.size()) || b.probe < 0 || b.probe > 1) return;
    Calibration c = m_segments[std::size_t(b.segment)].calibration;
    c.slope[std::size_t(b.probe)] = b.slope;
    c.offset[std::size_t(b.probe)] = b.offset;
    setSegmentCalibration(b.segment, c, CalibrationOrigin::BufferCalibration);
    // The latest of a probe's segment stands; those before it are in the trail.
    std::erase_if(m_bufferCalibrations,
                  [&](const ProjectBufferCalibration &o) { return o.segment == b.segment && o.probe == b.probe; });
    m_bufferCalibrations.push_back(b);
}

ProjectState Workbench::decisions() const {
    ProjectState s;
    for (const CalibrationSegment &g : m_segments)
        s.segments.push_back(
            {g.firstRow, wbOriginName(g.origin), g.line, g.logName, wbProjectCalibration(g.calibration)});
    s.bufferCalibrations = m_bufferCalibrations;
    s.limits = m_thresholds;
    s.marks = m_marks.list();
    s.visits = m_visits;
    s.corrections = m_correctionSettings;
    return s;
}

ProjectState Workbench::captureProject() const {
    ProjectState s = decisions();
    for (const JoinedLog &l : m_join.logs) s.logs.push_back(wbLogChecksum(l.path));
    s.allRecords = m_loadAll || (isOpen() && m_dataSet.recordLimit() == kAnyLengthRecords);
    const PlotInputs &p = m_plotInputs;
    ProjectView &v = s.view;
    v.start = p.start;
    v.end = p.end;
    v.yMin = p.yMin;
    v.yMax = p.yMax;
    v.autoscale = p.autoscale;
    v.plotPH1 = p.plotPH1;
    v.plotPH2 = p.plotPH2;
    v.plotDpH = p.plotDpH;
    v.plotPH1Corr = p.plotPH1Corr;
    v.plotPH2Corr = p.plotPH2Corr;
    v.extraFields = p.extraFields;
    v.statisticsIncludeBad = m_includeBad;
    if (m_graph && (m_graph->zoomedXMin() != kUnzoomedLo || m_graph->zoomedXMax() != kUnzoomedHi))
        v.zoom = std::pair{m_graph->zoomedXMin(), m_graph->zoomedXMax()};
    else if (!m_graph)
        v.zoom = m_projectZoom;
    return s;
}

void Workbench::applyDecisions(const ProjectState &s) {
    for (std::size_t i = 0; i < s.segments.size() && i < m_segments.size(); ++i) {
        const ProjectSegment &p = s.segments[i];
        CalibrationSegment &g = m_segments[i];
        const Calibration c = wbCalibration(p.calibration);
        const CalibrationOrigin origin = wbOriginOf(p.origin, g.origin);
        if (wbProjectCalibration(g.calibration) == p.calibration && g.origin == origin) continue;
        setSegmentCalibration(int(i), c, origin);
    }
    m_bufferCalibrations = s.bufferCalibrations;
    if (!(s.limits == m_thresholds)) setQcThresholds(s.limits);
    if (s.marks != m_marks.list()) {
        m_marks.setList(s.marks);
        m_rowMarksStale = true;
    }
    if (s.visits != m_visits || !(s.corrections == m_correctionSettings)) setServiceVisits(s.visits, s.corrections);
}

bool Workbench::applyProject(const ProjectState &s) {
    QStringList paths;
    for (const ProjectLog &l : s.logs) paths << l.path;
    const bool all = m_loadAll;
    m_loadAll = all || s.allRecords;
    const bool whole = !paths.isEmpty() && openLogs(paths);
    m_loadAll = all;
    if (!whole && !isOpen()) return false;
    applyDecisions(s);
    PlotInputs &p = m_plotInputs;
    const ProjectView &v = s.view;
    p.start = v.start;
    p.end = v.end;
    p.yMin = v.yMin;
    p.yMax = v.yMax;
    p.autoscale = v.autoscale;
    p.plotPH1 = v.plotPH1;
    p.plotPH2 = v.plotPH2;
    p.plotDpH = v.plotDpH;
    p.plotPH1Corr = v.plotPH1Corr;
    p.plotPH2Corr = v.plotPH2Corr;
    p.extraFields = v.extraFields;
    m_includeBad = v.statisticsIncludeBad;
    m_projectZoom = v.zoom;
    computePH();
    return true;
}

TrailEntry &Workbench::appendTrail(const QString &what, std::vector<TrailChange> changes, const QString &reason) {
    return appendTrailEntry(m_trail, what, std::move(changes), reason);
}

std::optional<Workbench::DecisionStep> Workbench::decide(const QString &name, const std::function<void()> &change,
                                                         const QString &reason) {
    DecisionStep step{name, decisions(), {}};
    change();
    step.after = decisions();
    std::vector<TrailChange> changes = stateChanges(step.before, step.after);
    if (changes.empty()) return std::nullopt;
    appendTrail(name, std::move(changes), reason);
    return step;
}

void Workbench::undoDecision(const DecisionStep &step) {
    const ProjectState now = decisions();
    applyDecisions(step.before);
    appendTrail(QStringLiteral("Undo ") + step.name, stateChanges(now, decisions()));
}

void Workbench::redoDecision(const DecisionStep &step) {
    const ProjectState now = decisions();
    applyDecisions(step.after);
    appendTrail(QStringLiteral("Redo ") + step.name, stateChanges(now, decisions()));
}

ProjectFile Workbench::projectFile() const { return {captureProject(), m_trail}; }

QString Workbench::saveProject(const QString &path) const { return saveProjectFile(path, projectFile()); }

bool Workbench::openProject(const QString &path) {
    const ProjectRead read = readProjectFile(path);
    if (!read.ok()) {
        m_ui.message(read.error, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    if (!applyProject(read.project.state)) return false;
    m_trail = read.project.trail;
    m_changedLogs = read.changedLogs;
    m_projectLogs = read.project.state.logs;
    if (!read.changedLogs.isEmpty())
        m_ui.message(read.changedLogsMessage(path), kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
    if (!read.chainError.isEmpty())
        m_ui.message(QStringLiteral("The audit trail of \"%1\" does not hold: %2.").arg(path, read.chainError),
                     kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
    return true;
}
