#pragma once
// What the window's File menu calls for "Export Table..." and "Save Plot...": the write,
// and a message (title "Brinewick", OK, exclamation) when it fails. A target that is the open
// log is refused before anything is written.
#include <QString>

class clsDataSet;
class QcpGraph;
class IInteraction;

bool exportTable(const QString &path, clsDataSet &dataSet, IInteraction &ui, const QString &openLog = QString());
bool savePlot(const QString &path, QcpGraph &graph, IInteraction &ui, const QString &openLog = QString());
