// The person's marks on the plot, each span shaded behind the series in the colour of its kind,
// and a saved view zoomed to again.
#include "plot/ui/qcpgraph.h"

#include <qcustomplot.h>

void QcpGraph::setMarkSpans(std::vector<MarkSpan> spans) {
    if (spans == m_markSpans && m_markRects.size() == spans.size()) return;
    for (QCPItemRect *r : m_markRects) m_plot->removeItem(r);
    m_markRects.clear();
    for (const MarkSpan &s : spans) {
        // Bad red, doubtful amber, a note blue; the span picked for marking grey.
        const QColor color = s.kind == 1   ? QColor(255, 60, 60)
                             : s.kind == 2 ? QColor(255, 200, 0)
                             : s.kind == 3 ? QColor(90, 160, 255)
                                           : QColor(200, 200, 200);
        auto *rect = new QCPItemRect(m_plot);
        rect->setLayer(QStringLiteral("grid"));  // behind the series
        rect->setSelectable(false);
        rect->setClipToAxisRect(true);
        for (QCPItemPosition *p : {rect->topLeft, rect->bottomRight}) {
            p->setTypeX(QCPItemPosition::ptPlotCoords);
            p->setTypeY(QCPItemPosition::ptAxisRectRatio);
        }
        rect->topLeft->setCoords(dayToKey(s.fromDay), 0.0);
        rect->bottomRight->setCoords(dayToKey(s.toDay), 1.0);
        // The pen draws a span of one record, which has no width, as a line.
        rect->setPen(QPen(QColor(color.red(), color.green(), color.blue(), 140)));
        rect->setBrush(QColor(color.red(), color.green(), color.blue(), 60));
        m_markRects.push_back(rect);
    }
    m_markSpans = std::move(spans);
    m_fullDirty = true;
}

void QcpGraph::zoomTo(double fromDay, double toDay) {
    m_stepFrom = currentView();
    m_plot->xAxis->setRange(dayToKey(fromDay), dayToKey(toDay));
    m_plot->replot();
}

QColor QcpGraph::gradeColor(int grade) {
    switch (grade) {
    case 1: return {0, 200, 0};     // Excellent
    case 2: return {60, 120, 255};  // Good
    case 3: return {255, 230, 0};   // Fair
    case 4: return {255, 140, 0};   // Poor
    case 5: return {230, 0, 0};     // Not reported
    default: return {128, 128, 128};
    }
}

void QcpGraph::setGradeStrips(std::vector<GradeStrip> strips) {
    if (strips == m_gradeStrips && !m_gradeRects.empty() == !strips.empty()) return;
    for (QCPItemRect *r : m_gradeRects) m_plot->removeItem(r);
    m_gradeRects.clear();
    // Thin bands at the very bottom, the first probe's lowest; the flag marks move up above them.
    constexpr double height = 0.02;
    if (m_flagAxis) m_flagAxis->setRange(-height * double(strips.size()), 1.0);
    for (std::size_t k = 0; k < strips.size(); ++k)
        for (const GradeBand &b : strips[k].bands) {
            auto *rect = new QCPItemRect(m_plot);
            rect->setSelectable(false);
            rect->setClipToAxisRect(true);
            for (QCPItemPosition *p : {rect->topLeft, rect->bottomRight}) {
                p->setTypeX(QCPItemPosition::ptPlotCoords);
                p->setTypeY(QCPItemPosition::ptAxisRectRatio);
            }
            rect->topLeft->setCoords(dayToKey(b.fromDay), 1.0 - height * double(k + 1));
            rect->bottomRight->setCoords(dayToKey(b.toDay), 1.0 - height * double(k));
            rect->setPen(QPen(Qt::black));  // days of one grade in a row are one band; probes apart
            rect->setBrush(gradeColor(b.grade));
            m_gradeRects.push_back(rect);
        }
    m_gradeStrips = std::move(strips);
    m_fullDirty = true;
}
