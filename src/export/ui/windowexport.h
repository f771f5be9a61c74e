#pragma once
// What the window's File menu calls for "Export Table..." and "Save Plot...": the write,
// and a message (title "Brinewick", OK, exclamation) when it fails.
#include <QString>

class clsDataSet;
class QcpGraph;
class IInteraction;

bool exportTable(const QString &path, clsDataSet &dataSet, IInteraction &ui);
// The plot at its size on screen (at least kSavedPlotWidth x kSavedPlotHeight units), a PNG
// at twice that many pixels, with the caption under it.
inline constexpr int kSavedPlotWidth = 800, kSavedPlotHeight = 500;
bool savePlot(const QString &path, QcpGraph &graph, IInteraction &ui, const QString &caption = {});
