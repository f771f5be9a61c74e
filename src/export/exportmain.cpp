// brinewick-export: reads a probe log, computes pH as the window does after opening it, and
// writes the table as CSV and/or the plot as an image, without a display.
#include "export/batchcalibration.h"
#include "export/batchrun.h"
#include "export/csvexport.h"
#include "export/exportcli.h"
#include "export/report.h"
#include "export/streamexport.h"
#include "export/ui/plotexport.h"
#include "export/ui/reportprinter.h"
#include "model/clsdataset.h"
#include "plot/ui/qcpgraph.h"
#include "workbench/workbench.h"

#include <QApplication>
#include <QCoreApplication>
#include <QWidget>
#include <cstdio>
#include <memory>

namespace {

void printOut(const QString &text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

// The report shows the plot as the plot file has it.
QString writeReport(const QString &path, const Workbench &wb, const QcpGraph &graph, ReportExtras extras) {
    extras.plot = true;
    return writeReportPdf(path, buildReport(wb, extras), graph);
}

QString noRecordInRange(const ExportOptions &o, const DataTable &t) {
    const int n = t.rowCount();
    return ::noRecordInRange(o, n, n ? t.text(0, colDateTime) : QString(), n ? t.text(n - 1, colDateTime) : QString());
}

}  // namespace

int main(int argc, char **argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    const ParsedOptions parsed = parseExportArgs(args);
    if (!parsed.options) {
        printError(QStringLiteral("brinewick-export: ") + parsed.error + QStringLiteral(" (see --help)"));
        return kExitUsage;
    }
    const ExportOptions &o = *parsed.options;
    if (o.help) {
        printOut(exportUsage());
        return kExitOk;
    }
    if (o.version) {
        printOut(exportVersionText() + u'\n');
        return kExitOk;
    }

    if (const QString reversed = reversedRangeError(o); !reversed.isEmpty()) {
        printError(QStringLiteral("brinewick-export: ") + reversed);
        return kExitFailed;
    }
    if (isManyLogs(o)) {  // checked whole, then each log's own run checks its outputs again
        QCoreApplication app(argc, argv);
        return runManyLogs(QCoreApplication::applicationFilePath(), o);
    }
    if (const QString conflict = exportOutputConflict(o); !conflict.isEmpty()) {
        printError(QStringLiteral("brinewick-export: ") + conflict);
        return kExitUsage;
    }

    // Widgets only for a plot; a table alone needs no GUI start-up.
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<QcpGraph> graph;
    if (!o.plotPath.isEmpty() || !o.reportPath.isEmpty()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
        graph = std::make_unique<QcpGraph>();
        graph->widget()->resize(kPlotFileWidth, kPlotFileHeight);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("brinewick-export"));
    QCoreApplication::setApplicationVersion(kAppVersion);

    StderrInteraction ui(o.stopOnBadDate);
    // A CSV alone is written block by block as the log is read, never holding the table whole.
    if (canStreamExport(o)) return streamExport(o, ui);

    // The window's road: open, calibration, compute, the plot with the marker at record 0.
    Workbench wb(ui, graph.get());
    wb.setMaxInputSize(o.maxSize);
    wb.setLoadAllRecords(o.allRecords);
    if (!wb.open(o.logFile)) return ui.answeredNo() ? kExitStopped : kExitFailed;
    applyCalibrationOptions(o, wb.calibration());
    ReportExtras extras;
    extras.made = QDateTime::currentDateTime();
    if (!o.calibratePath.isEmpty()) {
        const BatchCalibration cal = calibrateFromPointsFile(o.calibratePath, wb.table(), wb.calibration());
        if (!cal.error.isEmpty()) {
            printError(cal.error);
            return kExitFailed;
        }
        // The results are output, unless an output takes standard output: then they are
        // messages, as every other one.
        const bool stdoutTaken = o.csvPath == kStdoutPath || o.statsPath == kStdoutPath;
        for (const QString &line : cal.lines[0] + cal.lines[1]) stdoutTaken ? printError(line) : printOut(line + u'\n');
        if (cal.failed) return kExitCalibrationFailed;
        extras.bufferCalibration = cal.lines;
    }
    const int status = wb.computePH() ? kExitOk : kExitComputeStopped;
    wb.rebuildPlot();
    wb.showRecord(0);

    std::pair<int, int> rows{0, wb.rowCount() - 1};
    if (!o.from.isEmpty() || !o.to.isEmpty()) {
        rows = wb.rowsBetweenTexts(o.from, o.to).value_or(rows);  // the options were checked as date-times
        if (rows.first > rows.second) {
            printError(noRecordInRange(o, wb.table()));
            return kExitFailed;
        }
    }
    bool written = true;
    for (const QString &error :
         {o.statsPath.isEmpty() ? QString() : wb.exportStatistics(o.statsPath, rows.first, rows.second),
          o.csvPath.isEmpty() ? QString() : wb.exportTable(o.csvPath, rows.first, rows.second),
          o.plotPath.isEmpty() ? QString()
                               : savePlotFile(o.plotPath, *graph, kPlotFileWidth, kPlotFileHeight, wb.plotCaption()),
          o.reportPath.isEmpty() ? QString() : writeReport(o.reportPath, wb, *graph, extras)}) {
        if (error.isEmpty()) continue;
        printError(error);
        written = false;
    }
    return written ? status : kExitFailed;
}
