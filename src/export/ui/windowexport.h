#pragma once
// What the window's File menu calls for "Export Table..." and "Save Plot...": the write,
// and a message (title "Brinewick", OK, exclamation) when it fails.
#include <QString>
#include <cstdint>
#include <vector>

class clsDataSet;
class QcpGraph;
class IInteraction;

// With flags, the table ends with their column.
bool exportTable(const QString &path, clsDataSet &dataSet, IInteraction &ui,
                 const std::vector<std::uint8_t> *flags = nullptr);
bool savePlot(const QString &path, QcpGraph &graph, IInteraction &ui);
