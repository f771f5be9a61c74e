// brinewick-export-draw: the runs of brinewick-export that draw a plot or a report. The command
// hands them over whole, so that a table alone never loads the widget libraries; this program
// takes the same arguments and gives the same messages, outputs and exit statuses.
#include "export/batchrun.h"
#include "export/exportcli.h"
#include "export/logrun.h"
#include "export/report.h"
#include "export/ui/plotexport.h"
#include "export/ui/reportprinter.h"
#include "plot/ui/qcpgraph.h"

#include <QApplication>
#include <QPicture>
#include <QWidget>
#include <functional>
#include <memory>

namespace {

std::unique_ptr<QcpGraph> makeGraph() {
    auto graph = std::make_unique<QcpGraph>();
    graph->widget()->resize(kPlotFileWidth, kPlotFileHeight);
    return graph;
}

// The plot with the marker at record 0, as the window shows it after Compute; then the plot file
// and the report, which shows the plot as the plot file has it. Hands back the writing of the
// report, which needs the graph no more.
std::function<void()> draw(LogRun &run, QcpGraph &graph) {
    Workbench &wb = run.workbench();
    wb.rebuildPlot();
    wb.showRecord(0);
    const ExportOptions &o = run.options();
    if (!o.plotPath.isEmpty())
        run.addOutputError(savePlotFile(o.plotPath, graph, kPlotFileWidth, kPlotFileHeight, wb.plotCaption()));
    if (o.reportPath.isEmpty()) return {};
    ReportExtras extras = run.extras();
    extras.plot = true;
    ReportContent content = buildReport(wb, extras);
    QPicture plot = reportPlot(content, graph);
    return [&run, path = o.reportPath, content = std::move(content), plot = std::move(plot)] {
        run.addOutputError(writeReportPdf(path, content, plot));
    };
}

}  // namespace

int main(int argc, char **argv) {
    const std::variant<ExportOptions, int> start = startOptions(argc, argv);
    if (const int *status = std::get_if<int>(&start)) return *status;
    const ExportOptions &o = std::get<ExportOptions>(start);
    if (!isManyLogs(o)) {
        if (const QString conflict = exportOutputConflict(o); !conflict.isEmpty()) {
            printError(QStringLiteral("brinewick-export: ") + conflict);
            return kExitUsage;
        }
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brinewick-export"));
    QCoreApplication::setApplicationVersion(kAppVersion);

    if (isManyLogs(o)) {
        const std::unique_ptr<QcpGraph> graph = makeGraph();
        const BatchDrawing drawing{graph.get(),
                                   [](LogRun &run, IGraph &graph) { return draw(run, static_cast<QcpGraph &>(graph)); }};
        return runManyLogs(QCoreApplication::applicationFilePath(), o, o.reportDir.isEmpty() ? nullptr : &drawing);
    }
    const std::unique_ptr<QcpGraph> graph = makeGraph();
    LogRun run(o, graph.get());
    if (const std::optional<int> ended = run.readAndCompute()) return *ended;
    run.writeTables();
    if (const std::function<void()> report = draw(run, *graph)) report();
    return run.finish();
}
