#include "export/ui/plotexport.h"

#include "export/csvexport.h"
#include "plot/ui/qcpgraph.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <qcustomplot.h>

PlotFileFormat plotFileFormat(const QString &path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"png") return PlotFileFormat::Png;
    if (suffix == u"pdf") return PlotFileFormat::Pdf;
    if (suffix == u"svg") return PlotFileFormat::Svg;
    return PlotFileFormat::Unknown;
}

namespace {

bool writePng(QCustomPlot &plot, int w, int h, double scale, QIODevice &device) {
    QImage image = plot.toPixmap(w, h, scale).toImage();
    const int dotsPerMeter = qRound(96 / 0.0254);  // 96 dpi, as the plot's own PNG export
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    return image.save(&device, "PNG");
}

bool writeSvg(QCustomPlot &plot, int w, int h, QIODevice &device) {
    QSvgGenerator svg;
    svg.setOutputDevice(&device);
    svg.setSize(QSize(w, h));
    svg.setViewBox(QRect(0, 0, w, h));
    svg.setTitle(QStringLiteral("Brinewick plot"));
    QCPPainter painter;
    if (!painter.begin(&svg)) return false;
    plot.toPainter(&painter, w, h);
    return painter.end();
}

// The PDF printer wants a file name: it writes into a private folder first, and the bytes
// then go through the same safe write as every other export.
bool writePdf(QCustomPlot &plot, int w, int h, QIODevice &device, QString &reason) {
    QTemporaryDir dir;
    if (!dir.isValid()) {
        reason = QStringLiteral("no temporary folder for the PDF (%1)").arg(dir.errorString());
        return false;
    }
    const QString tmp = dir.filePath(QStringLiteral("plot.pdf"));
    if (!plot.savePdf(tmp, w, h, QCP::epAllowCosmetic, QStringLiteral("Brinewick"), QStringLiteral("Brinewick plot"))) {
        reason = QStringLiteral("the PDF could not be made");
        return false;
    }
    QFile f(tmp);
    if (!f.open(QIODevice::ReadOnly)) {
        reason = f.errorString();
        return false;
    }
    const QByteArray bytes = f.readAll();
    return !bytes.isEmpty() && writeFully(device, bytes);
}

}  // namespace

namespace {
// A caption row under the plot for as long as the file is written.
class CaptionRow {
public:
    CaptionRow(QCustomPlot &plot, const QString &text) : m_plot(plot) {
        if (text.isEmpty()) return;
        QCPLayoutGrid *layout = plot.plotLayout();
        m_element = new QCPTextElement(&plot, text, QFont(plot.font().family(), 9));
        m_element->setTextColor(Qt::white);
        layout->addElement(layout->rowCount(), 0, m_element);
        layout->setRowStretchFactor(layout->rowCount() - 1, 0.001);
    }
    ~CaptionRow() {
        if (!m_element) return;
        m_plot.plotLayout()->remove(m_element);
        m_plot.plotLayout()->simplify();
    }

private:
    QCustomPlot &m_plot;
    QCPTextElement *m_element = nullptr;
};
}  // namespace

QString savePlotFile(const QString &path, QcpGraph &graph, int width, int height, const QString &caption,
                     double pngScale) {
    const PlotFileFormat format = plotFileFormat(path);
    if (format == PlotFileFormat::Unknown)
        return QStringLiteral("Can't save the plot as \"%1\": the file name must end in .png, .pdf or .svg.").arg(path);
    QCustomPlot *plot = graph.plot();
    if (!plot) return QStringLiteral("Can't save the plot: there is no plot.");
    int w = width, h = height;
    if (w <= 0 || h <= 0) {
        w = plot->width();
        h = plot->height();
        if (w < 50 || h < 50) {  // never laid out
            w = kPlotFileWidth;
            h = kPlotFileHeight;
        }
    }
    const CaptionRow row(*plot, caption);
    return saveFileSafely(path, [&](QIODevice &device, QString &reason) {
        switch (format) {
        case PlotFileFormat::Png: return writePng(*plot, w, h, pngScale, device);
        case PlotFileFormat::Svg: return writeSvg(*plot, w, h, device);
        case PlotFileFormat::Pdf: return writePdf(*plot, w, h, device, reason);
        default: return false;
        }
    });
}
