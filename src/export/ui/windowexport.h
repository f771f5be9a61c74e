#pragma once
// What the window's File menu calls for "Export Table..." and "Save Plot...": the write,
// and a message (title "Brinewick", OK, exclamation) when it fails. A target that is the open
// log is refused before anything is written.
#include <QString>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

class clsDataSet;
struct CsvLogs;
struct CsvMarks;
struct CsvQc;
class QcpGraph;
class IInteraction;

// openLog: the log the window has open; an output that is that file is refused. With flags,
// the table ends with their column. With rows, only those (first, last) go out.
bool exportTable(const QString &path, clsDataSet &dataSet, IInteraction &ui, const QString &openLog = QString(),
                 const CsvQc *flags = nullptr, std::pair<int, int> rows = {0, std::numeric_limits<int>::max()},
                 const CsvLogs *logs = nullptr, const CsvMarks *marks = nullptr);
// The plot at its size on screen (at least kSavedPlotWidth x kSavedPlotHeight units), a PNG
// at twice that many pixels, with the caption under it.
inline constexpr int kSavedPlotWidth = 800, kSavedPlotHeight = 500;
bool savePlot(const QString &path, QcpGraph &graph, IInteraction &ui, const QString &caption = {},
              const QString &openLog = QString());
