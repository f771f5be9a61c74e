#include "plot/ui/qcpgraph.h"

#include "plot/twohalves.h"
#include "plot/ui/cachedlinegraph.h"
#include "fields/ui/widgetutil.h"
#include "model/datatable.h"
#include "model/datetime.h"
#include "model/numbertext.h"

#include <qcustomplot.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numeric>
#include <utility>

namespace {

void lineDataChanged(QCPGraph *g) { static_cast<CachedLineGraph *>(g)->dataChanged(); }

// A new graph as QCustomPlot's addGraph makes it, for graphs of our own kinds.
template <class G> G *addGraphOf(QCustomPlot &plot) {
    auto *g = new G(plot.xAxis, plot.yAxis);
    g->setName(QLatin1String("Graph ") + QString::number(plot.graphCount()));
    return g;
}

// Date-time ticks spaced by the axis' width, so that the two-line labels never overlap.
class SpacedDateTimeTicker : public QCPAxisTickerDateTime {
public:
    explicit SpacedDateTimeTicker(QCPAxis *axis) : m_axis(axis) {}
    void generate(const QCPRange &range, const QLocale &locale, QChar formatChar, int precision, QVector<double> &ticks,
                  QVector<double> *subTicks, QVector<QString> *tickLabels) override {
        const int width = m_axis && m_axis->axisRect() ? m_axis->axisRect()->width() : 600;
        setTickCount(std::clamp(width / 130, 2, 12));
        QCPAxisTickerDateTime::generate(range, locale, formatChar, precision, ticks, subTicks, tickLabels);
    }

private:
    QPointer<QCPAxis> m_axis;
};

// 1 January 1970 in decimal days.
constexpr double kUnixEpochDay = 25569.0;

inline double keyOfDay(double day) { return (day - kUnixEpochDay) * dt::kSecondsPerDay; }

const QColor kSurround(63, 63, 63);
// Wide enough that pH-1 still shows beside pH-2 where they overlap.
constexpr double kLineWidth = 2.0;

void styleAxis(QCPAxis *axis) {
    const QPen white(Qt::white);
    axis->setBasePen(white);
    axis->setTickPen(white);
    axis->setSubTickPen(white);
    axis->setTickLabelColor(Qt::white);
    axis->setLabelColor(Qt::white);
    axis->grid()->setPen(QPen(QColor(90, 90, 90), 0, Qt::DotLine));
    axis->grid()->setZeroLinePen(Qt::NoPen);
}

}  // namespace

double QcpGraph::dayToKey(double day) { return keyOfDay(day); }
double QcpGraph::keyToDay(double key) { return key / dt::kSecondsPerDay + kUnixEpochDay; }

QcpGraph::QcpGraph(QWidget *parent)
    : m_plot(new QCustomPlot(parent)), m_ownsPlot(parent == nullptr), m_context(new QObject) {
    m_plot->setObjectName(QStringLiteral("Pesgo1"));
    setupLook();

    m_plot->addLayer(QStringLiteral("tail"), m_plot->layer(QStringLiteral("main")), QCustomPlot::limAbove);
    m_tailLayer = m_plot->layer(QStringLiteral("tail"));
    m_tailLayer->setMode(QCPLayer::lmBuffered);
    m_plot->addLayer(QStringLiteral("marker"), m_tailLayer, QCustomPlot::limAbove);
    m_markerLayer = m_plot->layer(QStringLiteral("marker"));
    m_markerLayer->setMode(QCPLayer::lmBuffered);
    m_marker = new QCPItemStraightLine(m_plot);
    m_marker->setLayer(m_markerLayer);
    m_marker->setSelectable(false);
    m_markerLabel = new QCPItemText(m_plot);
    m_markerLabel->setLayer(m_markerLayer);
    m_markerLabel->setSelectable(false);
    m_markerLabel->setColor(Qt::white);
    m_markerLabel->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_markerLabel->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    setMarkerColor(m_markerColor);
    setMarkerLineType(m_markerLineType);
    applyMarker();

    m_plot->setInteractions(QCP::iRangeZoom);
    m_plot->setSelectionRectMode(QCP::srmZoom);
    m_plot->selectionRect()->setPen(QPen(Qt::white, 0, Qt::DashLine));
    m_plot->selectionRect()->setBrush(QColor(255, 255, 255, 40));
    m_plot->axisRect()->setRangeZoom(Qt::Horizontal);  // Shift+wheel: Vertical, for that turn
    setupSecondAxes();

    QObject::connect(m_plot->xAxis, QOverload<const QCPRange &>::of(&QCPAxis::rangeChanged), m_context.get(),
                     [this](const QCPRange &) { userRangeChanged(); });
    // Shift+wheel zooms the values alone: that is a zoom too.
    QObject::connect(m_plot->yAxis, QOverload<const QCPRange &>::of(&QCPAxis::rangeChanged), m_context.get(),
                     [this](const QCPRange &) { userRangeChanged(); });
    setupPointer();
}

QcpGraph::~QcpGraph() {
    if (m_plot) {
        // Our lambdas capture this; the widget may outlive us inside its parent.
        m_context.reset();
        m_leaveFilter.reset();
        if (m_ownsPlot) delete m_plot.data();
    }
}

QWidget *QcpGraph::widget() const { return m_plot; }
QCustomPlot *QcpGraph::plot() const { return m_plot; }

void QcpGraph::setupLook() {
    m_plot->setBackground(kSurround);
    // 2 px lines drawn as one polyline each: the per-segment path is thirty times slower.
    m_plot->setPlottingHint(QCP::phFastPolylines, true);
    m_plot->axisRect()->setBackground(Qt::black);
    styleAxis(m_plot->xAxis);
    styleAxis(m_plot->yAxis);
    // The dates in the labels follow the fixed M/d/yyyy convention, so English month names.
    m_plot->setLocale(QLocale(QLocale::English, QLocale::UnitedStates));

    QSharedPointer<QCPAxisTickerDateTime> ticker(new SpacedDateTimeTicker(m_plot->xAxis));
    ticker->setDateTimeFormat(QStringLiteral("hh:mm:ss\ndd-MMM-yyyy"));
    ticker->setDateTimeSpec(Qt::UTC);  // record times are wall-clock times, no zone
    m_plot->xAxis->setTicker(ticker);
    m_plot->yAxis->setRange(6.0, 9.0);

    // The legend sits in a row of its own above the plot area, so it never hides a point.
    QCPLegend *legend = m_plot->legend;
    legend->setVisible(true);
    legend->setBrush(Qt::NoBrush);
    legend->setBorderPen(Qt::NoPen);
    legend->setTextColor(Qt::white);
    legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    m_plot->plotLayout()->insertRow(0);
    m_plot->plotLayout()->addElement(0, 0, legend);
    m_plot->plotLayout()->setRowStretchFactor(0, 0.001);
    legend->setMargins(QMargins(0, 4, 0, 0));
}

QcpGraph::Series *QcpGraph::at(int series) {
    return series >= 0 && series < int(m_series.size()) ? &m_series[std::size_t(series)] : nullptr;
}
const QcpGraph::Series *QcpGraph::at(int series) const {
    return series >= 0 && series < int(m_series.size()) ? &m_series[std::size_t(series)] : nullptr;
}

void QcpGraph::setVisible(bool on) {
    m_visible = on;
    m_plot->setVisible(on);
}

void QcpGraph::setSeriesCount(int n) {
    n = std::max(n, 0);
    while (int(m_series.size()) > n) {
        setSeriesOwnAxis(int(m_series.size()) - 1, false);
        m_plot->removeGraph(m_series.back().graph);
        m_plot->removeGraph(m_series.back().tail);
        m_series.pop_back();
    }
    while (int(m_series.size()) < n) {
        Series s;
        auto *line = addGraphOf<CachedLineGraph>(*m_plot);
        line->setBreaks(&m_breakKeys);
        s.graph = line;
        s.tail = m_plot->addGraph();
        for (QCPGraph *g : {s.graph, s.tail}) {
            g->setAntialiased(false);      // 2 px lines antialiased cost twice the redraw budget
            g->setAdaptiveSampling(true);  // a million points drawn as a few per pixel column
        }
        s.tail->setLayer(m_tailLayer);
        s.tail->removeFromLegend();
        s.tail->setSelectable(QCP::stNone);
        m_series.push_back(std::move(s));
    }
    m_fullDirty = true;
}

void QcpGraph::setPointCount(int n) {
    n = std::max(n, 0);
    if (n == m_pointCount) return;
    m_pointCount = n;
    for (Series &s : m_series) {
        if (s.staged) {
            s.x.resize(std::size_t(n), 0.0);
            s.y.resize(std::size_t(n), 0.0f);
        }
        s.dirty = true;
    }
    m_fullDirty = true;
}
void QcpGraph::setSeriesLabel(int series, const QString &label) {
    if (Series *s = at(series)) {
        s->label = label;
        s->graph->setName(label);
        m_fullDirty = true;
    }
}
QString QcpGraph::seriesLabel(int series) const {
    const Series *s = at(series);
    return s ? s->label : QString();
}

void QcpGraph::setSeriesColor(int series, std::uint32_t color) {
    if (Series *s = at(series)) {
        s->color = color;
        s->graph->setPen(QPen(Util::colorFromBgr(color), kLineWidth));
        s->tail->setPen(s->graph->pen());
        m_fullDirty = true;
    }
}
std::uint32_t QcpGraph::seriesColor(int series) const {
    const Series *s = at(series);
    return s ? s->color : 0;
}

void QcpGraph::stage(Series &s) const {
    if (s.staged) return;
    s.x.assign(std::size_t(m_pointCount), 0.0);
    s.y.assign(std::size_t(m_pointCount), 0.0f);
    CachedLineGraph &held = lines(s);
    if (const std::size_t rows = std::min(held.source().rows, s.x.size())) {
        held.source().points(0, rows, s.x.data(), s.y.data());
        held.setSource({});
        s.staged = true;
        return;
    }
    const QCPGraphDataContainer &data = *s.graph->data();
    for (int i = 0; i < data.size(); ++i) {
        const int row = s.rowOf.empty() ? i : s.rowOf[std::size_t(i)];
        if (row >= m_pointCount) continue;
        s.x[std::size_t(row)] = keyToDay(data.at(i)->key);
        s.y[std::size_t(row)] = float(data.at(i)->value);
    }
    s.staged = true;
}

const QCPGraphData *QcpGraph::pointOf(const Series &s, int row) const {
    const QCPGraphDataContainer &data = *s.graph->data();
    int i = row;
    if (!s.rowOf.empty()) i = int(std::find(s.rowOf.begin(), s.rowOf.end(), row) - s.rowOf.begin());
    return i < data.size() ? &*data.at(i) : nullptr;
}

void QcpGraph::setXData(int series, int point, double x) {
    Series *s = at(series);
    if (!s || point < 0 || point >= m_pointCount) return;
    stage(*s);
    s->x[std::size_t(point)] = x;
    s->dirty = m_fullDirty = true;
}
double QcpGraph::xData(int series, int point) const {
    const Series *s = at(series);
    if (!s || point < 0 || point >= m_pointCount) return 0.0;
    if (s->staged) return s->x[std::size_t(point)];
    if (std::size_t(point) < lines(*s).source().rows) {
        double day = 0.0;
        float value = 0.0f;
        lines(*s).rowAt(std::size_t(point), day, value);
        return day;
    }
    const QCPGraphData *d = pointOf(*s, point);
    return d ? keyToDay(d->key) : 0.0;
}
void QcpGraph::setYData(int series, int point, float y) {
    Series *s = at(series);
    if (!s || point < 0 || point >= m_pointCount) return;
    stage(*s);
    s->y[std::size_t(point)] = y;
    s->dirty = m_fullDirty = true;
}
float QcpGraph::yData(int series, int point) const {
    const Series *s = at(series);
    if (!s || point < 0 || point >= m_pointCount) return 0.0f;
    if (s->staged) return s->y[std::size_t(point)];
    if (std::size_t(point) < lines(*s).source().rows) {
        double day = 0.0;
        float value = 0.0f;
        lines(*s).rowAt(std::size_t(point), day, value);
        return value;
    }
    const QCPGraphData *d = pointOf(*s, point);
    return d ? float(d->value) : 0.0f;
}

void QcpGraph::setSeriesData(int series, const double *x, const float *y, int n) {
    Series *s = at(series);
    if (!s) return;
    n = std::clamp(n, 0, m_pointCount);
    if (n < m_pointCount) {
        // Part of the points: the others keep theirs.
        stage(*s);
        std::copy(x, x + n, s->x.begin());
        std::copy(y, y + n, s->y.begin());
        s->dirty = m_fullDirty = true;
        return;
    }
    // All of them go straight into the graph's own data: a long log's points are held once.
    pushData(*s, x, y, std::size_t(n));
    m_fullDirty = true;
}

void QcpGraph::setSeriesPoints(int series, int n, const PointSource &points) {
    Series *s = at(series);
    if (!s || n <= 0 || n != m_pointCount) return IGraph::setSeriesPoints(series, n, points);
    const auto count = std::size_t(n);
    if (count >= envelopeFromPoints() && holdEnvelope(*s, count, points)) return;
    lines(*s).setSource({});
    // Straight into the graph's own data a block at a time, as pushData would make them: a
    // million points need no copy of them all on the way.
    QCPGraphDataContainer &held = *s->graph->data();
    const bool inPlace = held.size() == qsizetype(count);
    QVector<QCPGraphData> fresh;
    if (!inPlace) {
        fresh.reserve(qsizetype(count));
        adviseHugePages(fresh.data(), count * sizeof(QCPGraphData));
        fresh.resize(qsizetype(count));
    }
    QCPGraphData *out = inPlace ? &*held.begin() : fresh.data();
    bool halfSorted[2] = {true, true}, halfChanged[2] = {false, false};
    ValueRange halfRange[2];
    inTwoHalves(count, [&](std::size_t from, std::size_t to) {
        constexpr std::size_t kBlock = 2048;
        double x[kBlock];
        float y[kBlock];
        bool sorted = true, changed = false;
        double prev = 0.0;
        if (from > 0) points(from - 1, from, &prev, y);
        ValueRange range;
        for (std::size_t b = from; b < to; b += kBlock) {
            const std::size_t m = std::min(kBlock, to - b);
            points(b, b + m, x, y);
            for (std::size_t i = 0; i < m; ++i) {
                if ((b + i > 0) && x[i] < prev) sorted = false;
                prev = x[i];
                // The members themselves: QCPGraphData's constructor is not inlined from the library.
                const double key = keyOfDay(x[i]), value = double(y[i]);
                QCPGraphData &o = out[b + i];
                // Bit by bit: a gap (NaN) that stays a gap is no change.
                if (!inPlace || std::bit_cast<std::uint64_t>(o.key) != std::bit_cast<std::uint64_t>(key) ||
                    std::bit_cast<std::uint64_t>(o.value) != std::bit_cast<std::uint64_t>(value)) {
                    o.key = key;
                    o.value = value;
                    changed = true;
                }
            }
            const ValueRange r = valueRangeOf(y, m);
            if (r.any) {
                range.widen(r.lower);
                range.widen(r.upper);
            }
        }
        halfSorted[from != 0] = sorted;
        halfChanged[from != 0] = changed;
        halfRange[from != 0] = range;
    });
    if (!halfSorted[0] || !halfSorted[1]) {
        // Out of order: pushData plots them sorted and remembers the rows.
        if (halfChanged[0] || halfChanged[1]) lineDataChanged(s->graph);
        return IGraph::setSeriesPoints(series, n, points);
    }
    if (!inPlace) held.set(fresh, true);
    if (!inPlace || halfChanged[0] || halfChanged[1]) lineDataChanged(s->graph);
    s->rowOf.clear();
    const ValueRange all = ValueRange::joined(halfRange);
    s->values = all;
    s->x = {};
    s->y = {};
    s->staged = s->dirty = false;
    m_fullDirty = true;
}

void QcpGraph::appendSeriesData(int series, const double *x, const float *y, int n) {
    Series *s = at(series);
    if (!s || n <= 0) return;
    QCPGraphDataContainer &held = *s->graph->data();
    const bool inOrder = !s->staged && !s->dirty && s->rowOf.empty() && std::is_sorted(x, x + n) &&
                         (held.isEmpty() || dayToKey(x[0]) >= (held.constEnd() - 1)->key);
    if (!inOrder) {
        // The next redraw pushes the whole series; its own points first, then the new ones.
        const std::size_t own = s->staged ? s->x.size() : std::size_t(held.size());
        stage(*s);
        s->x.resize(own, 0.0);
        s->y.resize(own, 0.0f);
        s->x.insert(s->x.end(), x, x + n);
        s->y.insert(s->y.end(), y, y + n);
        s->dirty = m_fullDirty = true;
        m_pointCount = std::max(m_pointCount, int(s->x.size()));
        return;
    }
    // Only the new points go to the graph: the ones it holds stay where they are. The tail
    // draws them, from the last point drawn before, so the line goes on unbroken.
    QVector<QCPGraphData> data(n);
    for (int i = 0; i < n; ++i) {
        data[i] = QCPGraphData(dayToKey(x[i]), double(y[i]));
        s->values.widen(double(y[i]));
    }
    QCPGraphDataContainer &tail = *s->tail->data();
    if (tail.isEmpty() && !held.isEmpty()) tail.add(*(held.constEnd() - 1));
    tail.add(data, true);
    held.add(data, true);
    if (lines(*s).source().rows > 0) lines(*s).addSourceRows(std::size_t(n));
    lineDataChanged(s->graph);
    m_pointCount = std::max(m_pointCount, held.size());
    m_tailDirty = true;
}

void QcpGraph::setLineBreaks(std::vector<double> days) {
    if (days == m_breakDays) return;
    m_breakDays = std::move(days);
    m_breakKeys.resize(m_breakDays.size());
    std::transform(m_breakDays.begin(), m_breakDays.end(), m_breakKeys.begin(), dayToKey);
    std::sort(m_breakKeys.begin(), m_breakKeys.end());
    for (Series &s : m_series) lineDataChanged(s.graph);
    // A full redraw: the tail layer's points are drawn without breaks.
    m_fullDirty = true;
}

void QcpGraph::setXAxisLabel(const QString &label) {
    m_plot->xAxis->setLabel(label);
    m_fullDirty = true;
}
QString QcpGraph::xAxisLabel() const { return m_plot->xAxis->label(); }
void QcpGraph::setYAxisLabel(const QString &label) {
    m_plot->yAxis->setLabel(label);
    m_fullDirty = true;
}
QString QcpGraph::yAxisLabel() const { return m_plot->yAxis->label(); }

void QcpGraph::setMarkerPosition(double day) {
    m_markerDay = day;
    m_markerDirty = true;
}
void QcpGraph::setMarkerText(const QString &text) {
    m_markerText = text;
    m_markerDirty = true;
}

void QcpGraph::setMarkerLineType(int type) {
    m_markerLineType = type;
    static const Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                          Qt::DashDotDotLine};
    QPen pen = m_marker->pen();
    pen.setStyle(type >= 0 && type < 5 ? styles[type] : Qt::SolidLine);
    pen.setWidthF(type >= 5 ? 1.5 : 1.0);
    m_marker->setPen(pen);
    m_markerDirty = true;
}

void QcpGraph::setMarkerColor(std::uint32_t color) {
    m_markerColor = color;
    QPen pen = m_marker->pen();
    pen.setColor(Util::colorFromBgr(color));
    m_marker->setPen(pen);
    m_markerDirty = true;
}

double QcpGraph::zoomedXMin() const { return m_zoomed ? keyToDay(m_plot->xAxis->range().lower) : kUnzoomedLo; }
double QcpGraph::zoomedXMax() const { return m_zoomed ? keyToDay(m_plot->xAxis->range().upper) : kUnzoomedHi; }

void QcpGraph::pushData(Series &s, const double *x, const float *y, std::size_t n) {
    s.rowOf.clear();
    lines(s).setSource({});
    s.values = valueRangeOf(y, n);
    QCPGraphDataContainer &held = *s.graph->data();
    if (held.size() == qsizetype(n)) {
        // Over the points it holds: a new block of a million points costs its page faults again.
        // Written while the order is checked; out of order, the points are made again below. A
        // point that is already there is left as it is, so a Compute that changes nothing keeps
        // the drawing's sampled points too.
        bool halfSorted[2] = {true, true}, halfChanged[2] = {false, false};
        auto out = held.begin();
        inTwoHalves(n, [&](std::size_t from, std::size_t to) {
            bool sorted = from == 0 || !(x[from] < x[from - 1]);
            bool changed = false;
            for (std::size_t i = from; i < to; ++i) {
                if (i > from && x[i] < x[i - 1]) sorted = false;
                const QCPGraphData d(dayToKey(x[i]), double(y[i]));
                QCPGraphData &o = out[qsizetype(i)];
                // Bit by bit: a gap (NaN) that stays a gap is no change.
                if (std::bit_cast<std::uint64_t>(o.key) != std::bit_cast<std::uint64_t>(d.key) ||
                    std::bit_cast<std::uint64_t>(o.value) != std::bit_cast<std::uint64_t>(d.value)) {
                    o = d;
                    changed = true;
                }
            }
            halfSorted[from != 0] = sorted;
            halfChanged[from != 0] = changed;
        });
        if (halfChanged[0] || halfChanged[1]) lineDataChanged(s.graph);
        if (halfSorted[0] && halfSorted[1]) {
            s.x = {};
            s.y = {};
            s.staged = s.dirty = false;
            return;
        }
    }
    const bool sorted = std::is_sorted(x, x + n);
    QVector<QCPGraphData> data;
    data.resize(qsizetype(n));
    QCPGraphData *out = data.data();
    if (sorted) {
        for (std::size_t i = 0; i < n; ++i) out[i] = QCPGraphData(dayToKey(x[i]), double(y[i]));
    } else {
        // Out of order (a row without a date-time sits at 0.0): plot sorted, remember the rows.
        s.rowOf.resize(n);
        std::iota(s.rowOf.begin(), s.rowOf.end(), 0);
        std::stable_sort(s.rowOf.begin(), s.rowOf.end(), [&](int a, int b) { return x[a] < x[b]; });
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t r = std::size_t(s.rowOf[i]);
            out[i] = QCPGraphData(dayToKey(x[r]), double(y[r]));
        }
    }
    s.graph->data()->set(data, true);
    lineDataChanged(s.graph);
    s.x = {};
    s.y = {};
    s.staged = false;
    s.dirty = false;
}

void QcpGraph::applyRanges() {
    m_applying = true;
    QCPAxis *x = m_plot->xAxis, *y = m_plot->yAxis;
    if (m_xMode == kScaleManual)
        x->setRange(dayToKey(m_xMin), dayToKey(m_xMax));
    else if (m_pointCount > 0)
        fitTime(*x);
    else
        x->setRange(dayToKey(dt::today()), dayToKey(dt::today() + 1));  // no data yet: today
    if (m_yMode == kScaleManual) {
        // A half-typed limit leaves that limit where it was.
        const QCPRange cur = y->range();
        y->setRange(readNumber(m_yMinText).value_or(cur.lower), readNumber(m_yMaxText).value_or(cur.upper));
    } else {
        // Fit the data with a small margin, so flat lines do not sit on the frame.
        const ValueRange all = valueRange(false);
        if (all.any) {
            const double pad = std::max((all.upper - all.lower) * 0.05, 0.05);
            y->setRange(all.lower - pad, all.upper + pad);
        }
    }
    applyRightRange();
    m_applying = false;
}

void QcpGraph::fitTime(QCPAxis &x) {
    // The data with a little room either side, so the marker at the first or the last record
    // is not drawn on the frame.
    x.rescale(true);
    const QCPRange r = x.range();
    const double pad = r.size() > 0 ? r.size() * 0.01 : 30.0;
    x.setRange(r.lower - pad, r.upper + pad);
}

void QcpGraph::applyMarker() {
    const double key = dayToKey(m_markerDay);
    m_marker->point1->setCoords(key, 0.0);
    m_marker->point2->setCoords(key, 1.0);
    m_markerLabel->setText(m_markerText);
    m_markerLabel->setVisible(!m_markerText.isEmpty());
    m_markerLabel->position->setCoords(key, 0.0);
    m_markerDirty = false;
}

void QcpGraph::redraw() {
    if (!m_fullDirty && m_tailDirty && tailFits()) {
        m_tailDirty = false;
        m_tailLayer->replot();  // the data layer keeps its buffer
    }
    if (!m_fullDirty && !m_tailDirty) {
        if (m_markerDirty) {
            applyMarker();
            m_markerLayer->replot();  // the data layers keep their buffers
        }
        return;
    }
    for (Series &s : m_series)
        if (s.dirty) {
            stage(s);
            pushData(s, s.x.data(), s.y.data(), s.x.size());
        }
    if (m_flagsDirty) pushFlagMarks();
    if (!m_zoomed) applyRanges();  // a zoom survives redraws until it is undone
    applyOwnAxes();
    applyMarker();
    clearTails();  // the data layer draws every point now
    m_drawnRange[0] = valueRange(false);
    m_drawnRange[1] = valueRange(true);
    m_fullDirty = m_tailDirty = false;
    m_plot->replot();
}

void QcpGraph::request(int action) {
    if (action == kActionRedraw) {
        redraw();
    } else if (action == kActionUndoZoom) {
        // Raised even when not zoomed, so the window's range controls always resynchronise.
        m_zoomed = false;
        m_history.clear();
        m_fullDirty = true;
        redraw();
        raiseZoomOut();
    } else if (action == kActionZoomBack) {
        zoomBack();
    }
}

void QcpGraph::userRangeChanged() {
    if (m_applying) return;
    if (m_stepFrom) {
        // The first change of a zoom or pan step: Backspace comes back to where it started.
        m_history.push_back(*m_stepFrom);
        m_stepFrom.reset();
    }
    if (!m_zoomed) {
        m_zoomed = true;
        raiseZoomIn();
    } else {
        raiseViewChanged();
    }
}
