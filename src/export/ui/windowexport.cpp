#include "export/ui/windowexport.h"

#include "export/csvexport.h"
#include "export/outputguard.h"
#include "export/ui/plotexport.h"
#include "model/clsdataset.h"
#include "model/interaction.h"
#include "plot/ui/qcpgraph.h"

#include <QWidget>
#include <algorithm>

namespace {
bool report(const QString &error, IInteraction &ui) {
    if (error.isEmpty()) return true;
    ui.message(error, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
    return false;
}

// The open log as the only input; no log open, no clash.
QString clashWithLog(const QString &path, const QString &openLog, const QString &what) {
    if (openLog.isEmpty()) return {};
    return sameFileConflict({{QStringLiteral("the open log"), openLog}}, {{what, path}});
}
}  // namespace

bool exportTable(const QString &path, clsDataSet &dataSet, IInteraction &ui, const QString &openLog, const CsvQc *flags,
                 std::pair<int, int> rows, const CsvLogs *logs, const CsvMarks *marks) {
    // Reading DATA of a never-loaded data set would mark it initialized behind the window's back.
    if (!dataSet.isInitialized())
        return report(QStringLiteral("There is no table to export: open a log file first."), ui);
    if (const QString clash = clashWithLog(path, openLog, QStringLiteral("the table file")); !clash.isEmpty())
        return report(clash, ui);
    BusyCursor busy(ui);
    return report(writeCsv(path, dataSet, flags, rows.first, rows.second, logs, marks), ui);
}

bool savePlot(const QString &path, QcpGraph &graph, IInteraction &ui, const QString &caption, const QString &openLog) {
    if (const QString clash = clashWithLog(path, openLog, QStringLiteral("the plot file")); !clash.isEmpty())
        return report(clash, ui);
    BusyCursor busy(ui);
    const QWidget *shown = graph.widget();
    const int w = std::max(shown ? shown->width() : 0, kSavedPlotWidth);
    const int h = std::max(shown ? shown->height() : 0, kSavedPlotHeight);
    return report(savePlotFile(path, graph, w, h, caption, 2.0), ui);
}
