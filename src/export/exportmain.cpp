// brinewick-export: reads a probe log, computes pH as the window does after opening it, and
// writes the table as CSV and/or the plot as an image, without a display.
#include "compute/phcompute.h"
#include "export/csvexport.h"
#include "export/exportcli.h"
#include "export/ui/plotexport.h"
#include "fileio/fileio.h"
#include "model/clsdataset.h"
#include "model/clsplotset.h"
#include "plot/plotbuilder.h"
#include "plot/ui/qcpgraph.h"

#include <QApplication>
#include <QCoreApplication>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

void printOut(const QString &text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

// The plot as the window draws it after opening: both series, autoscale, marker at record 0.
QString writePlot(const QString &path, clsDataSet &dataSet) {
    QcpGraph graph;
    graph.widget()->resize(kPlotFileWidth, kPlotFileHeight);
    clsPlotSet plotSet;
    const DataTable &table = dataSet.DATA();
    PlotInputs in;
    in.yMin = QStringLiteral("6.0");
    in.yMax = QStringLiteral("9.0");
    if (table.rowCount() > 0) {
        in.start = table.text(0, colDateTime);
        in.end = table.text(table.lastRow(), colDateTime);
    }
    PlotBuilder builder(dataSet, plotSet, graph, [in] { return in; }, {});
    builder.rebuildPlot();
    if (table.rowCount() > 0 && std::isfinite(table.rowDay(0))) builder.markPlotTime(table.rowDay(0));
    return savePlotFile(path, graph, kPlotFileWidth, kPlotFileHeight);
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

    // Widgets only for a plot; a table alone needs no GUI start-up.
    std::unique_ptr<QCoreApplication> app;
    if (!o.plotPath.isEmpty()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("brinewick-export"));
    QCoreApplication::setApplicationVersion(kAppVersion);

    StderrInteraction ui(o.stopOnBadDate);
    clsDataSet dataSet;
    ReaderContext ctx{ui, {}, {}, {}};
    if (!readFromFile(o.logFile, dataSet, ctx)) return ui.answeredNo() ? kExitStopped : kExitFailed;

    DataTable &table = dataSet.DATA();
    const auto [p1, p2] = probeInputsFor(dataSet, o);
    int status = kExitOk;
    if (auto stop = computeAll(table, p1, p2)) {
        printError(computeStopMessage(*stop, table).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        status = kExitComputeStopped;
    }

    bool written = true;
    for (const QString &error : {o.csvPath.isEmpty() ? QString() : writeCsv(o.csvPath, dataSet),
                                 o.plotPath.isEmpty() ? QString() : writePlot(o.plotPath, dataSet)}) {
        if (error.isEmpty()) continue;
        printError(error);
        written = false;
    }
    return written ? status : kExitFailed;
}
