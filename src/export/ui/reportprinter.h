#pragma once
// Lays out a report on pages: text and tables flow over as many pages as they need, the plot is
// drawn as vectors (the same picture on a printer, in a PDF and in the preview).
#include <QString>

class QcpGraph;
class QPagedPaintDevice;
class QPicture;
struct ReportContent;

// The plot as the report draws it, recorded (none for a report without a plot); made where the
// graph lives.
QPicture reportPlot(const ReportContent &content, const QcpGraph &graph);

// Paints the report on a printer or PDF writer; false when the device cannot be painted on.
bool paintReport(QPagedPaintDevice &device, const ReportContent &content, const QcpGraph &graph);

// Writes the report as a PDF (A4, or Letter where the locale measures in inches); an error text,
// empty on success. An existing file is kept when the write fails.
QString writeReportPdf(const QString &path, const ReportContent &content, const QcpGraph &graph);
// The same with the plot recorded before: no widget is touched, so any thread may write it.
QString writeReportPdf(const QString &path, const ReportContent &content, const QPicture &plot);
