#include "export/ui/windowexport.h"

#include "export/csvexport.h"
#include "export/ui/plotexport.h"
#include "model/clsdataset.h"
#include "model/interaction.h"

namespace {
bool report(const QString &error, IInteraction &ui) {
    if (error.isEmpty()) return true;
    ui.message(error, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
    return false;
}
}  // namespace

bool exportTable(const QString &path, clsDataSet &dataSet, IInteraction &ui, const std::vector<std::uint8_t> *flags) {
    // Reading DATA of a never-loaded data set would mark it initialized behind the window's back.
    if (!dataSet.isInitialized())
        return report(QStringLiteral("There is no table to export: open a log file first."), ui);
    BusyCursor busy(ui);
    return report(writeCsv(path, dataSet, flags), ui);
}

bool savePlot(const QString &path, QcpGraph &graph, IInteraction &ui) {
    BusyCursor busy(ui);
    return report(savePlotFile(path, graph), ui);
}
