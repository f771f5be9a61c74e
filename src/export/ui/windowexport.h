#pragma once
// What the window's File menu calls for "Export Table..." and "Save Plot...": the write,
// and a message (title "Brinewick", OK, exclamation) when it fails.
#include <QString>

class clsDataSet;
class QcpGraph;
class IInteraction;

bool exportTable(const QString &path, clsDataSet &dataSet, IInteraction &ui);
bool savePlot(const QString &path, QcpGraph &graph, IInteraction &ui);
