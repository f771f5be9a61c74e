// The mouse on the plot: a click makes the nearest record current, a crosshair reads the
// values under the pointer, Ctrl+drag or the middle button pans, the wheel zooms the time
// (Shift+wheel the values), and every zoom or pan step can be gone back through.
#include "plot/ui/qcpgraph.h"
#include "corrections/corrections.h"

#include "model/datetime.h"
#include "plot/ui/cachedlinegraph.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {
// Tells the graph when the pointer leaves the plot, so the crosshair does not linger.
class LeaveFilter : public QObject {
public:
    explicit LeaveFilter(std::function<void()> left) : m_left(std::move(left)) {}
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Leave) m_left();
        return false;
    }

private:
    std::function<void()> m_left;
};

QString valueText(double v) { return std::isnan(v) ? QStringLiteral("no value") : QString::number(v, 'g', 6); }
}  // namespace

void QcpGraph::setupPointer() {
    // Above the marker and below the selection rectangle: the crosshair follows the pointer
    // by redrawing its own buffer only.
    m_plot->addLayer(QStringLiteral("crosshair"), m_markerLayer, QCustomPlot::limAbove);
    m_crossLayer = m_plot->layer(QStringLiteral("crosshair"));
    m_crossLayer->setMode(QCPLayer::lmBuffered);
    const QPen pen(QColor(200, 200, 200), 0, Qt::DashLine);
    for (QCPItemStraightLine **line : {&m_crossV, &m_crossH}) {
        *line = new QCPItemStraightLine(m_plot);
        (*line)->setLayer(m_crossLayer);
        (*line)->setSelectable(false);
        (*line)->setPen(pen);
        (*line)->point1->setType(QCPItemPosition::ptAbsolute);
        (*line)->point2->setType(QCPItemPosition::ptAbsolute);
    }
    m_crossLabel = new QCPItemText(m_plot);
    m_crossLabel->setLayer(m_crossLayer);
    m_crossLabel->setSelectable(false);
    m_crossLabel->setColor(Qt::white);
    m_crossLabel->setBrush(QColor(0, 0, 0, 210));
    m_crossLabel->setPen(QPen(QColor(200, 200, 200)));
    m_crossLabel->setPadding(QMargins(5, 3, 5, 3));
    m_crossLabel->setTextAlignment(Qt::AlignLeft);
    m_crossLabel->position->setType(QCPItemPosition::ptAbsolute);
    m_crossV->setVisible(false);
    m_crossH->setVisible(false);
    m_crossLabel->setVisible(false);

    m_plot->setMouseTracking(true);
    m_leaveFilter = std::make_unique<LeaveFilter>([this] { hideCrosshair(); });
    m_plot->installEventFilter(m_leaveFilter.get());
    QObject::connect(m_plot, &QCustomPlot::mousePress, m_context.get(), [this](QMouseEvent *e) { pressed(e); });
    QObject::connect(m_plot, &QCustomPlot::mouseMove, m_context.get(), [this](QMouseEvent *e) { moved(e); });
    QObject::connect(m_plot, &QCustomPlot::mouseRelease, m_context.get(), [this](QMouseEvent *e) { released(e); });
    QObject::connect(m_plot, &QCustomPlot::mouseWheel, m_context.get(), [this](QWheelEvent *e) { wheeled(e); });
    QObject::connect(m_plot->selectionRect(), &QCPSelectionRect::accepted, m_context.get(),
                     [this](const QRect &rect, QMouseEvent *) {
                         if (m_plot->selectionRectMode() != QCP::srmCustom) return;
                         const double a = keyToDay(m_plot->xAxis->pixelToCoord(rect.left()));
                         const double b = keyToDay(m_plot->xAxis->pixelToCoord(rect.right()));
                         if (m_markDrag) {
                             if (onMarkSpanPicked) onMarkSpanPicked(std::min(a, b), std::max(a, b));
                         } else {
                             raiseSpanPicked(std::min(a, b), std::max(a, b));
                         }
                         // No zoom follows that would redraw: take the rectangle off the plot now.
                         m_plot->replot(QCustomPlot::rpQueuedReplot);
                     });
}

QcpGraph::View QcpGraph::currentView() const {
    const QCPRange x = m_plot->xAxis->range(), y = m_plot->yAxis->range(), y2 = m_plot->yAxis2->range();
    return {x.lower, x.upper, y.lower, y.upper, y2.lower, y2.upper, m_zoomed};
}

void QcpGraph::pressed(QMouseEvent *e) {
    m_pressed = e->button() == Qt::LeftButton;
    m_pressPos = e->pos();
    const bool pan =
        e->button() == Qt::MiddleButton || (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ControlModifier));
    // Shift picks a span of records instead of zooming (Alt one to mark); the rectangle starts
    // after this.
    m_markDrag = !pan && (e->modifiers() & Qt::AltModifier) && onMarkSpanPicked;
    const bool span = m_markDrag || (!pan && (e->modifiers() & Qt::ShiftModifier) && onSpanPicked);
    m_plot->setSelectionRectMode(pan ? QCP::srmNone : span ? QCP::srmCustom : QCP::srmZoom);
    hideCrosshair();
    m_panning = pan && m_plot->axisRect()->rect().contains(e->pos());
    if (!span) m_stepFrom = m_panFrom = currentView();
}

void QcpGraph::moved(QMouseEvent *e) {
    if (!m_panning) {
        if (e->buttons() == Qt::NoButton) showCrosshair(e->pos());
        return;
    }
    const QRect rect = m_plot->axisRect()->rect();
    const QPoint d = e->pos() - m_pressPos;
    const double dx = -d.x() * (m_panFrom.xHi - m_panFrom.xLo) / std::max(rect.width(), 1);
    const double dy = d.y() * (m_panFrom.yHi - m_panFrom.yLo) / std::max(rect.height(), 1);
    const double dy2 = d.y() * (m_panFrom.y2Hi - m_panFrom.y2Lo) / std::max(rect.height(), 1);
    m_plot->yAxis2->setRange(m_panFrom.y2Lo + dy2, m_panFrom.y2Hi + dy2);
    m_plot->yAxis->setRange(m_panFrom.yLo + dy, m_panFrom.yHi + dy);
    m_plot->xAxis->setRange(m_panFrom.xLo + dx, m_panFrom.xHi + dx);
    m_plot->replot(QCustomPlot::rpQueuedReplot);
}

void QcpGraph::released(QMouseEvent *e) {
    const bool click = (m_pressed || m_panning) && (e->pos() - m_pressPos).manhattanLength() <= 3;
    if (click && (e->button() == Qt::LeftButton || e->button() == Qt::MiddleButton)) clicked(e->pos());
    m_pressed = m_panning = false;
}

void QcpGraph::wheeled(QWheelEvent *e) {
    hideCrosshair();
    m_plot->axisRect()->setRangeZoom((e->modifiers() & Qt::ShiftModifier) ? Qt::Vertical : Qt::Horizontal);
    m_stepFrom = currentView();
}

void QcpGraph::zoomBack() {
    if (m_history.empty() || !m_history.back().zoomed) {
        if (m_zoomed || !m_history.empty()) request(kActionUndoZoom);
        return;
    }
    const View v = m_history.back();
    m_history.pop_back();
    m_stepFrom.reset();
    m_applying = true;
    m_plot->xAxis->setRange(v.xLo, v.xHi);
    m_plot->yAxis->setRange(v.yLo, v.yHi);
    m_plot->yAxis2->setRange(v.y2Lo, v.y2Hi);
    m_applying = false;
    m_plot->replot();
    raiseViewChanged();
}

int QcpGraph::rowNearest(const QPoint &pos) const {
    if (!m_visible || m_series.empty() || !m_plot->axisRect()->rect().contains(pos)) return -1;
    // Every series holds the same times in the same order, so the first one answers for all.
    const Series &s = m_series.front();
    const QCPGraphDataContainer &data = *s.graph->data();
    if (data.isEmpty()) return -1;
    const double key = m_plot->xAxis->pixelToCoord(pos.x());
    if (const CachedLineGraph &held = lines(s); held.source().rows > 0) {
        // An envelope: the rows themselves from its source.
        const std::size_t after = held.rowFrom(key);
        if (after == 0) return 0;
        if (after == held.source().rows) return int(after - 1);
        double before = 0.0, next = 0.0;
        float value = 0.0f;
        held.rowAt(after - 1, before, value);
        held.rowAt(after, next, value);
        return key - dayToKey(before) < dayToKey(next) - key ? int(after - 1) : int(after);
    }
    auto it = data.findBegin(key, false);
    if (it == data.constEnd() || (it != data.constBegin() && key - (it - 1)->key < it->key - key)) --it;
    const int index = int(it - data.constBegin());
    return s.rowOf.empty() ? index : s.rowOf[std::size_t(index)];
}

void QcpGraph::clicked(const QPoint &pos) {
    const int row = rowNearest(pos);
    if (row >= 0) raisePointChosen(row);
}

QString QcpGraph::crosshairText(const QPoint &pos) const {
    const int row = rowNearest(pos);
    if (row < 0) return {};
    QString text = dt::recordText(xData(0, row));
    for (int i = 0; i < int(m_series.size()); ++i)
        text += QStringLiteral("\n%1: %2").arg(m_series[std::size_t(i)].label, valueText(double(yData(i, row))));
    // The grade strips at that time.
    const double day = xData(0, row);
    for (const GradeStrip &strip : m_gradeStrips) {
        const auto band = std::find_if(strip.bands.begin(), strip.bands.end(),
                                       [day](const GradeBand &b) { return day >= b.fromDay && day < b.toDay; });
        if (band != strip.bands.end())
            text += QStringLiteral("\n%1 grade of the day: %2").arg(strip.label, gradeText(Grade(band->grade)));
    }
    return text;
}

void QcpGraph::showCrosshair(const QPoint &pos) {
    const QString text = crosshairText(pos);
    if (text.isEmpty()) {
        hideCrosshair();
        return;
    }
    const QRect rect = m_plot->axisRect()->rect();
    m_crossV->point1->setCoords(pos.x(), rect.top());
    m_crossV->point2->setCoords(pos.x(), rect.bottom());
    m_crossH->point1->setCoords(rect.left(), pos.y());
    m_crossH->point2->setCoords(rect.right(), pos.y());
    // The label beside the pointer, on the side with room.
    const bool left = pos.x() > rect.center().x(), up = pos.y() > rect.center().y();
    m_crossLabel->setPositionAlignment((left ? Qt::AlignRight : Qt::AlignLeft) | (up ? Qt::AlignBottom : Qt::AlignTop));
    m_crossLabel->position->setCoords(pos.x() + (left ? -12 : 12), pos.y() + (up ? -12 : 12));
    m_crossLabel->setText(text);
    for (QCPAbstractItem *item : {static_cast<QCPAbstractItem *>(m_crossV), static_cast<QCPAbstractItem *>(m_crossH),
                                  static_cast<QCPAbstractItem *>(m_crossLabel)})
        item->setVisible(true);
    m_crossLayer->replot();
}

void QcpGraph::hideCrosshair() {
    if (!m_crossLabel || !m_crossLabel->visible()) return;
    m_crossV->setVisible(false);
    m_crossH->setVisible(false);
    m_crossLabel->setVisible(false);
    m_crossLayer->replot();
}
