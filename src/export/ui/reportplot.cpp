#include "export/ui/reportplot.h"

#include <qcustomplot.h>

#include <algorithm>

namespace {

const QColor kInk(40, 40, 40);

void styleReportAxis(QCPAxis *axis) {
    const QPen ink(kInk);
    axis->setBasePen(ink);
    axis->setTickPen(ink);
    axis->setSubTickPen(ink);
    axis->setTickLabelColor(kInk);
    axis->setLabelColor(kInk);
    axis->grid()->setPen(QPen(QColor(200, 200, 200), 0, Qt::DotLine));
    axis->grid()->setZeroLinePen(Qt::NoPen);
}

void copyAxis(const QCPAxis *from, QCPAxis *to) {
    to->setVisible(from->visible());
    to->setRange(from->range());
    to->setLabel(from->label());
    to->setNumberFormat(from->numberFormat());
    to->setNumberPrecision(from->numberPrecision());
    styleReportAxis(to);
}

// The screen's light colours vanish on white paper: the same hue, no lighter than mid-dark.
QColor printColor(QColor c) {
    float h, s, l, a;
    c.getHslF(&h, &s, &l, &a);
    if (l > 0.35f) c.setHslF(h, s, 0.35f, a);
    return c;
}

// One mark per 1/1000 of the shown time is what the page can tell apart; a log flagged in every
// record would otherwise put hundreds of thousands of triangles into the file.
QSharedPointer<QCPGraphDataContainer> thinnedMarks(const QCPGraphDataContainer &marks, const QCPRange &range) {
    auto out = QSharedPointer<QCPGraphDataContainer>::create();
    const double step = range.size() / 1000.0;
    auto it = marks.findBegin(range.lower, false);
    const auto end = marks.findEnd(range.upper, false);
    QVector<QCPGraphData> kept;
    while (it != end) {
        kept.append(*it);
        const double next = it->key + step;
        it = std::lower_bound(it + 1, end, next, [](const QCPGraphData &d, double k) { return d.key < k; });
    }
    out->set(kept, true);
    return out;
}

}  // namespace

QPicture reportPlotPicture(const QCustomPlot &source, int width, int height) {
    QCustomPlot plot;  // never shown
    plot.setBackground(Qt::white);
    plot.axisRect()->setBackground(Qt::white);
    plot.setLocale(source.locale());
    copyAxis(source.xAxis, plot.xAxis);
    copyAxis(source.yAxis, plot.yAxis);
    copyAxis(source.yAxis2, plot.yAxis2);
    plot.yAxis2->grid()->setVisible(false);

    // The date-times in the system's one date form; ticks spaced for this width, so the
    // two-line labels never overlap.
    QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
    ticker->setDateTimeFormat(QStringLiteral("hh:mm:ss\nM/d/yyyy"));
    ticker->setDateTimeSpec(Qt::UTC);  // record times are wall-clock times, no zone
    ticker->setTickCount(std::clamp((width - 80) / 130, 2, 12));
    plot.xAxis->setTicker(ticker);

    QCPLegend *legend = plot.legend;
    legend->setVisible(true);
    legend->setBrush(Qt::NoBrush);
    legend->setBorderPen(Qt::NoPen);
    legend->setTextColor(kInk);
    legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    plot.plotLayout()->insertRow(0);
    plot.plotLayout()->addElement(0, 0, legend);
    plot.plotLayout()->setRowStretchFactor(0, 0.001);
    legend->setMargins(QMargins(0, 4, 0, 0));

    // The graphs of the tail layer draw again the points a growing log appended since the last
    // full redraw, which the series hold too. Items, the record marker among them, stay on screen.
    const QCPLayer *tail = source.layer(QStringLiteral("tail"));
    QList<QCPGraph *> marks;
    for (int i = 0; i < source.graphCount(); ++i) {
        const QCPGraph *g = source.graph(i);
        if (!g->visible() || g->layer() == tail) continue;
        QCPAxis *valueAxis = g->valueAxis() == source.yAxis    ? plot.yAxis
                             : g->valueAxis() == source.yAxis2 ? plot.yAxis2
                                                               : nullptr;
        if (!valueAxis) {  // marks on an axis of their own, at the bottom whatever the values
            valueAxis = plot.axisRect()->addAxis(QCPAxis::atRight);
            valueAxis->setVisible(false);
            valueAxis->setRange(g->valueAxis()->range());
        }
        auto *copy = new QCPGraph(plot.xAxis, valueAxis);
        copy->setName(g->name());
        copy->setLineStyle(g->lineStyle());
        QPen pen = g->pen();
        pen.setColor(printColor(pen.color()));
        copy->setPen(pen);
        QCPScatterStyle scatter = g->scatterStyle();
        if (!scatter.isNone()) {
            scatter.setPen(QPen(printColor(scatter.pen().color())));
            scatter.setBrush(printColor(scatter.brush().color()));
            copy->setScatterStyle(scatter);
        }
        if (g->lineStyle() == QCPGraph::lsNone) {
            copy->setData(thinnedMarks(*g->data(), source.xAxis->range()));
            marks << copy;
        } else {
            copy->setData(g->data());
        }
        copy->removeFromLegend();
        if (valueAxis == plot.yAxis || valueAxis == plot.yAxis2) copy->addToLegend();
    }
    for (QCPGraph *m : marks)
        if (!m->data()->isEmpty()) m->addToLegend();

    QPicture picture;
    QCPPainter painter(&picture);
    plot.toPainter(&painter, width, height);
    painter.end();
    return picture;
}
