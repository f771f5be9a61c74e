#include "export/ui/windowexport.h"

#include "export/csvexport.h"
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
}  // namespace

bool exportTable(const QString &path, clsDataSet &dataSet, IInteraction &ui) {
    // Reading DATA of a never-loaded data set would mark it initialized behind the window's back.
    if (!dataSet.isInitialized())
        return report(QStringLiteral("There is no table to export: open a log file first."), ui);
    BusyCursor busy(ui);
    return report(writeCsv(path, dataSet), ui);
}

bool savePlot(const QString &path, QcpGraph &graph, IInteraction &ui, const QString &caption) {
    BusyCursor busy(ui);
    const QWidget *shown = graph.widget();
    const int w = std::max(shown ? shown->width() : 0, kSavedPlotWidth);
    const int h = std::max(shown ? shown->height() : 0, kSavedPlotHeight);
    return report(savePlotFile(path, graph, w, h, caption, 2.0), ui);
}
