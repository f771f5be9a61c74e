#pragma once
// One log's run of brinewick-export: the window's road on a workbench without a window (open,
// calibration, compute), then the statistics and the CSV. A program with widgets draws the plot
// and the report between writeTables and finish; the workbench has its graph from the start.
#include "export/exportcli.h"
#include "export/report.h"
#include "workbench/workbench.h"

#include <QStringList>
#include <optional>
#include <utility>

class IGraph;

class LogRun {
public:
    LogRun(const ExportOptions &options, IGraph *graph);

    // Open, the calibration of the options and of the points file, compute. An exit status when
    // the run ends here, with nothing written.
    std::optional<int> readAndCompute();
    // The statistics and the CSV of the range.
    void writeTables();
    // An output that could not be written (empty: it was); finish tells it.
    void addOutputError(const QString &error);
    // Tells the outputs that could not be written, in the order they were tried; the exit status.
    int finish();

    const ExportOptions &options() const { return m_options; }
    Workbench &workbench() { return m_wb; }
    const ReportExtras &extras() const { return m_extras; }

private:
    // The logs and decisions of --project, computed.
    std::optional<int> readProject();
    // The rows of --from and --to; an exit status when none lies there.
    std::optional<int> takeRange();
    // The visits and correction settings of the options over the workbench's (a project's).
    void applyVisits();
    ExportOptions m_options;
    StderrInteraction m_ui;
    Workbench m_wb;
    ReportExtras m_extras;
    std::pair<int, int> m_rows{0, -1};
    int m_status = kExitOk;
    QStringList m_errors;
};

// A whole run that draws nothing: readAndCompute, writeTables, finish.
int runTablesOnly(const ExportOptions &options);

// --verify: the project's audit trail and its logs' sizes and SHA-256 checked; the exit status.
int runVerify(const QString &projectPath);
