#include "export/logrun.h"

#include "export/batchcalibration.h"
#include "export/csvexport.h"
#include "export/streamexport.h"
#include "model/clsdataset.h"

namespace {

// Nothing is written for a range without records: an empty file would pass for a result.
QString noRecordInRange(const ExportOptions &o, const DataTable &t) {
    const int n = t.rowCount();
    return ::noRecordInRange(o, n, n ? t.text(0, colDateTime) : QString(), n ? t.text(n - 1, colDateTime) : QString());
}

}  // namespace

LogRun::LogRun(const ExportOptions &options, IGraph *graph)
    : m_options(options), m_ui(options.stopOnBadDate), m_wb(m_ui, graph) {
    m_wb.setMaxInputSize(m_options.maxSize);
    m_wb.setLoadAllRecords(m_options.allRecords);
    m_wb.setQcColumns(m_options.qcColumns);
}

std::optional<int> LogRun::readAndCompute() {
    const ExportOptions &o = m_options;
    if (!o.projectPath.isEmpty()) return readProject();
    // A deployment goes on without a log that could not be read; the exit status tells it.
    const bool whole = m_wb.openLogs(o.join ? o.logFiles : QStringList{o.logFile});
    if (!whole && (!o.join || !m_wb.isOpen())) return m_ui.answeredNo() ? kExitStopped : kExitFailed;
    if (const QString error = applyCalibrationOptions(o, m_wb); !error.isEmpty()) {
        printError(error);
        return kExitFailed;
    }
    if (o.segment > 0) m_wb.showSegment(o.segment - 1);  // the report shows the segment changed
    m_extras.made = QDateTime::currentDateTime();
    if (!o.calibratePath.isEmpty()) {
        Calibration fitted = m_wb.calibration();
        const BatchCalibration cal = calibrateFromPointsFile(o.calibratePath, m_wb.table(), fitted);
        if (!cal.error.isEmpty()) {
            printError(cal.error);
            return kExitFailed;
        }
        // The results are output, unless an output takes standard output: then they are
        // messages, as every other one.
        const bool stdoutTaken = o.csvPath == kStdoutPath || o.statsPath == kStdoutPath;
        for (const QString &line : cal.lines[0] + cal.lines[1])
            stdoutTaken ? printError(line) : printOutput(line + u'\n');
        if (cal.failed) return kExitCalibrationFailed;
        // One fit, the probes it names, for the segments the options are for.
        for (int i = 0; i < int(m_wb.segments().size()); ++i) {
            if (o.segment > 0 && i != o.segment - 1) continue;
            for (std::size_t p = 0; p < 2; ++p)
                if (!cal.lines[p].isEmpty())
                    m_wb.applyBufferCalibration({i, int(p), cal.points[p], fitted.slope[p], fitted.offset[p]});
        }
        m_extras.bufferCalibration = cal.lines;
    }
    applyVisits();
    m_status = m_wb.computePH() ? (whole ? kExitOk : kExitFailed) : kExitComputeStopped;
    return takeRange();
}

std::optional<int> LogRun::readProject() {
    m_extras.made = QDateTime::currentDateTime();
    if (!m_wb.openProject(m_options.projectPath)) return kExitFailed;
    applyVisits();
    m_status = m_wb.computeNeeded() ? kExitComputeStopped : kExitOk;
    return takeRange();
}

void LogRun::applyVisits() {
    const ExportOptions &o = m_options;
    if (o.visitsPath.isEmpty() && !o.carryOn && !o.gradeLimits) return;
    // The project's visits and settings, each replaced by what the options give.
    CorrectionSettings settings = m_wb.correctionSettings();
    if (o.carryOn) settings.carryOn = true;
    if (o.gradeLimits) settings.limits = *o.gradeLimits;
    const std::vector<ServiceVisit> visits = o.visitsPath.isEmpty() ? m_wb.serviceVisits() : o.visits;
    m_wb.setServiceVisits(visits, settings);
}

std::optional<int> LogRun::takeRange() {
    const ExportOptions &o = m_options;
    m_rows = {0, m_wb.rowCount() - 1};
    if (!o.from.isEmpty() || !o.to.isEmpty()) {
        m_rows = m_wb.rowsBetweenTexts(o.from, o.to).value_or(m_rows);  // the options were checked as date-times
        if (m_rows.first > m_rows.second) {
            printError(noRecordInRange(o, m_wb.table()));
            return kExitFailed;
        }
    }
    return std::nullopt;
}

void LogRun::writeTables() {
    if (!m_options.saveProjectPath.isEmpty()) {
        const QStringList logs = m_options.join ? m_options.logFiles : QStringList{m_options.logFile};
        std::vector<TrailChange> named{{QStringLiteral("logs"), {}, logs.join(u'\n')}};
        if (!m_options.perLogArgs.isEmpty())
            named.push_back({QStringLiteral("options"), {}, m_options.perLogArgs.join(u' ')});
        m_wb.appendTrail(QStringLiteral("Project made by brinewick-export"), std::move(named));
        addOutputError(m_wb.saveProject(m_options.saveProjectPath));
    }
    if (!m_options.statsPath.isEmpty())
        addOutputError(m_wb.exportStatistics(m_options.statsPath, m_rows.first, m_rows.second));
    if (!m_options.csvPath.isEmpty()) addOutputError(m_wb.exportTable(m_options.csvPath, m_rows.first, m_rows.second));
}

void LogRun::addOutputError(const QString &error) {
    if (!error.isEmpty()) m_errors << error;
}

int LogRun::finish() {
    for (const QString &error : std::as_const(m_errors)) printError(error);
    return m_errors.isEmpty() ? m_status : kExitFailed;
}

int runTablesOnly(const ExportOptions &options) {
    const bool project = !options.projectPath.isEmpty() || !options.saveProjectPath.isEmpty();
    // A CSV alone is written block by block as the log is read, never holding the table whole.
    if (!project && canStreamExport(options)) {
        StderrInteraction ui(options.stopOnBadDate);
        return streamExport(options, ui);
    }
    // A deployment's CSV likewise, one log at a time, unless its logs need the whole road.
    if (!project && canStreamJoin(options)) {
        StderrInteraction ui(options.stopOnBadDate);
        if (const std::optional<int> status = streamJoin(options, ui)) return *status;
    }
    LogRun run(options, nullptr);
    if (const std::optional<int> ended = run.readAndCompute()) return *ended;
    run.writeTables();
    return run.finish();
}

int runVerify(const QString &path) {
    const ProjectRead read = readProjectFile(path);
    if (!read.ok() && read.goneLogs.isEmpty()) {
        printError(QStringLiteral("brinewick-export: ") + read.error);
        return kExitFailed;
    }
    if (!read.chainError.isEmpty())
        printError(
            QStringLiteral("brinewick-export: the audit trail of \"%1\" is broken: %2.").arg(path, read.chainError));
    for (const QString &log : read.goneLogs)
        printError(QStringLiteral("brinewick-export: the log \"%1\" of \"%2\" is gone.").arg(log, path));
    if (!read.changedLogs.isEmpty()) printError(QStringLiteral("brinewick-export: ") + read.changedLogsMessage(path));
    if (!read.chainError.isEmpty()) return kExitTrailBroken;
    if (!read.goneLogs.isEmpty() || !read.changedLogs.isEmpty()) return kExitLogDiffers;
    printOutput(QStringLiteral("\"%1\": the audit trail holds (%2, last hash %3) and its %4 as recorded.\n")
                    .arg(path)
                    .arg(read.project.trail.size() == 1 ? QStringLiteral("1 entry")
                                                        : QStringLiteral("%1 entries").arg(read.project.trail.size()))
                    .arg(QString::fromLatin1(read.lastHash),
                         read.project.state.logs.size() == 1
                             ? QStringLiteral("log is")
                             : QStringLiteral("%1 logs are").arg(read.project.state.logs.size())));
    return kExitOk;
}
