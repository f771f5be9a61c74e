#pragma once
// The current plot as an image file: PNG, PDF or SVG by the file's extension.
#include <QString>

class QcpGraph;

// Size used when the plot widget has never been laid out.
inline constexpr int kPlotFileWidth = 1200, kPlotFileHeight = 700;

enum class PlotFileFormat { Unknown, Png, Pdf, Svg };
PlotFileFormat plotFileFormat(const QString &path);

// Writes the plot at width x height (0: the widget's size), a PNG with `pngScale` pixels per
// unit, and `caption` (if any) in a line under the plot; returns an error text, empty on
// success. The file is written through a temporary one, so a failure keeps an existing file.
QString savePlotFile(const QString &path, QcpGraph &graph, int width = 0, int height = 0, const QString &caption = {},
                     double pngScale = 1.0);
