#include "export/ui/reportprinter.h"

#include "export/csvexport.h"
#include "export/report.h"
#include "export/ui/reportplot.h"
#include "plot/ui/qcpgraph.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextObjectInterface>

namespace {

constexpr int kPlotObject = QTextFormat::UserObject + 1;
constexpr int kPictureProperty = QTextFormat::UserProperty + 1;
// The plot's own size when drawn; the page scales it to the text width.
constexpr int kPlotWidth = 1000, kPlotHeight = 420;
constexpr int kLayoutDpi = 96;

// Draws the recorded plot inside the text flow, scaled to the width of the page.
class PlotObject : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    QSizeF intrinsicSize(QTextDocument *doc, int, const QTextFormat &) override {
        const qreal w =
            doc->pageSize().width() > 0 ? doc->pageSize().width() - 2 * doc->documentMargin() : doc->textWidth();
        return {w, w * kPlotHeight / kPlotWidth};
    }
    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *, int, const QTextFormat &format) override {
        const QPicture picture = format.property(kPictureProperty).value<QPicture>();
        painter->save();
        painter->translate(rect.topLeft());
        // drawPicture scales by the device's resolution over the picture's; undo that.
        const qreal dpi = qreal(picture.logicalDpiX()) / painter->device()->logicalDpiX();
        painter->scale(rect.width() / kPlotWidth * dpi, rect.height() / kPlotHeight * dpi);
        painter->drawPicture(0, 0, picture);
        painter->restore();
    }
};

QString escaped(const QString &s) { return s.toHtmlEscaped(); }

QString tablesHtml(const QList<ReportTable> &tables) {
    QString html;
    for (const ReportTable &t : tables) {
        if (!t.heading.isEmpty()) html += QStringLiteral("<h3>%1</h3>").arg(escaped(t.heading));
        html += QStringLiteral("<table cellspacing='0' cellpadding='1'>");
        if (!t.columns.isEmpty()) {
            html += QStringLiteral("<tr>");
            for (const QString &c : t.columns) html += QStringLiteral("<th align='left'>%1</th>").arg(escaped(c));
            html += QStringLiteral("</tr>");
        }
        for (const QStringList &row : t.rows) {
            html += QStringLiteral("<tr>");
            for (const QString &cell : row) html += QStringLiteral("<td>%1&nbsp;&nbsp;</td>").arg(escaped(cell));
            html += QStringLiteral("</tr>");
        }
        html += QStringLiteral("</table>");
    }
    return html;
}

}  // namespace

QPicture reportPlot(const ReportContent &content, const QcpGraph &graph) {
    return content.plotCaption.isEmpty() ? QPicture() : reportPlotPicture(*graph.plot(), kPlotWidth, kPlotHeight);
}

namespace {

bool paintWithPlot(QPagedPaintDevice &device, const ReportContent &c, const QPicture &plotPicture) {
    QTextDocument doc;
    QImage measure(1, 1, QImage::Format_RGB32);  // fonts measured at kLayoutDpi on every screen
    measure.setDotsPerMeterX(qRound(kLayoutDpi / 0.0254));
    measure.setDotsPerMeterY(qRound(kLayoutDpi / 0.0254));
    doc.documentLayout()->setPaintDevice(&measure);
    PlotObject plotObject;
    doc.documentLayout()->registerHandler(kPlotObject, &plotObject);
    doc.setDefaultStyleSheet(QStringLiteral("h2 { margin-bottom: 4px; } h3 { margin-top: 8px; margin-bottom: 1px; }"
                                            "th { font-weight: bold; }"));
    // One font whatever the application's, so every program prints the same pages.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.5);
    doc.setDefaultFont(font);

    QTextCursor cursor(&doc);
    cursor.insertHtml(QStringLiteral("<h2>%1</h2>").arg(escaped(c.title)) + tablesHtml(c.before));
    if (!c.plotCaption.isEmpty()) {
        cursor.insertHtml(QStringLiteral("<h3>%1</h3>").arg(escaped(c.plotCaption)));
        cursor.insertBlock();
        QTextCharFormat plot;
        plot.setObjectType(kPlotObject);
        plot.setProperty(kPictureProperty, QVariant::fromValue(plotPicture));
        cursor.insertText(QString(QChar::ObjectReplacementCharacter), plot);
        cursor.insertBlock();
    }
    cursor.insertHtml(tablesHtml(c.after) + QStringLiteral("<p>%1</p>").arg(escaped(c.footer)));

    // Laid out on the page's printable area at the resolution fonts are measured in; print()
    // scales that to the device, so every device gets the same pages.
    QPainter probe;
    if (!probe.begin(&device)) return false;  // a printer that cannot start
    probe.end();
    doc.setPageSize(device.pageLayout().paintRectPixels(kLayoutDpi).size());
    doc.print(&device);
    return true;
}

}  // namespace

bool paintReport(QPagedPaintDevice &device, const ReportContent &c, const QcpGraph &graph) {
    return paintWithPlot(device, c, reportPlot(c, graph));
}

QString writeReportPdf(const QString &path, const ReportContent &content, const QcpGraph &graph) {
    return writeReportPdf(path, content, reportPlot(content, graph));
}

QString writeReportPdf(const QString &path, const ReportContent &content, const QPicture &plot) {
    return saveFileSafely(path, [&](QIODevice &out, QString &reason) {
        QPdfWriter pdf(&out);
        pdf.setTitle(content.title);
        pdf.setCreator(QStringLiteral("Brinewick"));
        pdf.setResolution(300);
        const bool inches = QLocale().measurementSystem() == QLocale::ImperialUSSystem;
        pdf.setPageLayout(QPageLayout(QPageSize(inches ? QPageSize::Letter : QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(15, 12, 15, 12), QPageLayout::Millimeter));
        if (!paintWithPlot(pdf, content, plot)) {
            reason = QStringLiteral("the PDF could not be made");
            return false;
        }
        return true;
    });
}

#include "reportprinter.moc"
