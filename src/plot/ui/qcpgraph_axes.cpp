// The second Y axis (dpH) and the flag marks of the QCustomPlot graph.
#include "plot/ui/qcpgraph.h"

#include "fields/ui/widgetutil.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

namespace {
const QColor kFlagColor(255, 128, 0);  // suspect (and under the fail marks)
const QColor kFailColor(220, 0, 0);

// The flag marks all sit on one line: one mark per pixel column shows the same picture, so a
// log with hundreds of thousands of flagged records draws as fast as one with a few. With a
// source, the marks drawn come from its days (in order) and the graph's data holds only a few
// of them, enough for the plot to know where the marks lie.
class FlagMarksGraph : public QCPGraph {
public:
    using QCPGraph::QCPGraph;
    void setSource(const std::vector<double> *days) { m_days = days; }

protected:
    void getOptimizedScatterData(QVector<QCPGraphData> *out, QCPGraphDataContainer::const_iterator begin,
                                 QCPGraphDataContainer::const_iterator end) const override {
        out->clear();
        const QCPAxis *key = keyAxis();
        if (!key) return;
        if (m_days) return fromSource(*out, *key);
        for (auto it = begin; it != end;) {
            out->append(*it);
            const double nextColumn = key->pixelToCoord(key->coordToPixel(it->key) + 1.0);
            it = std::lower_bound(it + 1, end, nextColumn, [](const QCPGraphData &d, double k) { return d.key < k; });
        }
    }

private:
    void fromSource(QVector<QCPGraphData> &out, const QCPAxis &key) const {
        const QCPRange range = key.range();
        const double lastDay = QcpGraph::keyToDay(range.upper);
        auto it = std::lower_bound(m_days->begin(), m_days->end(), QcpGraph::keyToDay(range.lower));
        while (it != m_days->end() && *it <= lastDay) {
            const double k = QcpGraph::dayToKey(*it);
            out.append(QCPGraphData(k, 0.03));
            const double nextColumn = QcpGraph::keyToDay(key.pixelToCoord(key.coordToPixel(k) + 1.0));
            it = std::lower_bound(it + 1, m_days->end(), nextColumn);
        }
    }
    const std::vector<double> *m_days = nullptr;
};

// From this many marks in time order the graph holds a few and draws from the days.
std::size_t thinMarksFrom = 65536;
}  // namespace

namespace {
void styleRightAxis(QCPAxis *axis, const QColor &color) {
    const QPen pen(color);
    axis->setBasePen(pen);
    axis->setTickPen(pen);
    axis->setSubTickPen(pen);
    axis->setTickLabelColor(color);
    axis->setLabelColor(color);
    axis->grid()->setVisible(false);  // the left axis' grid is enough
}
}  // namespace

void QcpGraph::setupSecondAxes() {
    QCPAxis *y2 = m_plot->yAxis2;
    styleRightAxis(y2, Qt::white);
    y2->setVisible(false);
    // A rubber band zooms the dpH axis with the others, so the box shows what was boxed.
    QCPAxisRect *rect = m_plot->axisRect();
    rect->setRangeZoomAxes({m_plot->xAxis}, {m_plot->yAxis, y2});

    m_flagAxis = rect->addAxis(QCPAxis::atRight);
    m_flagAxis->setVisible(false);
    m_flagAxis->setRange(0.0, 1.0);
    // Marks only: no line, no legend entry, nothing to select.
    auto marksGraph = [this](const QString &name, const QColor &color) {
        auto *g = new FlagMarksGraph(m_plot->xAxis, m_flagAxis);
        g->setName(name);
        g->removeFromLegend();
        g->setLineStyle(QCPGraph::lsNone);
        g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssTriangle, color, color, 6));
        g->setSelectable(QCP::stNone);
        return g;
    };
    m_flagGraph = marksGraph(QStringLiteral("Flagged"), kFlagColor);
    // The failed records' marks over the others, in a colour of their own.
    m_failGraph = marksGraph(QStringLiteral("Failed"), kFailColor);
    m_flagTail = marksGraph(QString(), kFlagColor);
    m_flagTail->setLayer(m_tailLayer);
}

void QcpGraph::setSeriesOnRightAxis(int series, bool right) {
    Series *s = at(series);
    if (!s || s->right == right) return;
    s->right = right;
    if (s->own) return;  // its own axis stays
    s->graph->setValueAxis(right ? m_plot->yAxis2 : m_plot->yAxis);
    s->tail->setValueAxis(s->graph->valueAxis());
    m_fullDirty = true;
}

bool QcpGraph::seriesOnRightAxis(int series) const {
    const Series *s = at(series);
    return s && s->right;
}

void QcpGraph::setSeriesOwnAxis(int series, bool own) {
    Series *s = at(series);
    if (!s || bool(s->own) == own) return;
    QCPAxisRect *rect = m_plot->axisRect();
    if (own) {
        s->own = rect->addAxis(QCPAxis::atRight);
        s->graph->setValueAxis(s->own);
    } else {
        s->graph->setValueAxis(s->right ? m_plot->yAxis2 : m_plot->yAxis);
        rect->removeAxis(s->own);
        s->own = nullptr;
    }
    s->tail->setValueAxis(s->graph->valueAxis());
    m_fullDirty = true;
}

bool QcpGraph::seriesOwnAxis(int series) const {
    const Series *s = at(series);
    return s && s->own;
}

void QcpGraph::applyOwnAxes() {
    m_applying = true;
    for (Series &s : m_series) {
        if (!s.own) continue;
        styleRightAxis(s.own, Util::colorFromBgr(s.color));
        s.own->setLabel(s.label);
        const ValueRange r = seriesRange(s);
        if (!r.any) continue;
        const double pad = std::max((r.upper - r.lower) * 0.05, std::max(std::abs(r.upper) * 0.001, 0.01));
        s.own->setRange(r.lower - pad, r.upper + pad);
    }
    m_applying = false;
}

void QcpGraph::setRightAxisLabel(const QString &label) {
    m_plot->yAxis2->setLabel(label);
    m_fullDirty = true;
}
QString QcpGraph::rightAxisLabel() const { return m_plot->yAxis2->label(); }

void QcpGraph::setFlagMarks(std::vector<double> days) {
    if (days == m_flagDays) return;
    m_flagDays = std::move(days);
    m_flagsDirty = m_fullDirty = true;
}

void QcpGraph::setFailMarks(std::vector<double> days) {
    QVector<QCPGraphData> data(qsizetype(days.size()));
    for (std::size_t i = 0; i < days.size(); ++i) data[qsizetype(i)] = QCPGraphData(dayToKey(days[i]), 0.03);
    const bool sorted = std::is_sorted(data.cbegin(), data.cend(), qcpLessThanSortKey<QCPGraphData>);
    m_failGraph->data()->set(data, sorted);
}

void QcpGraph::replaceFlagMarksFrom(std::size_t keep, std::vector<double> days) {
    keep = std::min(keep, m_flagDays.size());
    // The marks that go were most often made again: then the new ones are only added.
    const std::size_t gone = m_flagDays.size() - keep;
    const bool added =
        gone <= days.size() && std::equal(m_flagDays.begin() + qsizetype(keep), m_flagDays.end(), days.begin());
    m_flagDays.resize(keep);
    m_flagDays.insert(m_flagDays.end(), days.begin(), days.end());
    // Drawn from the days, the marks must stay in time order.
    const bool inOrder = std::is_sorted(m_flagDays.begin() + qsizetype(keep > 0 ? keep - 1 : 0), m_flagDays.end());
    if (m_flagsDirty || !added || (m_marksFromDays && !inOrder)) {
        m_flagsDirty = m_fullDirty = true;
        return;
    }
    if (days.size() == gone) return;
    QVector<QCPGraphData> data;
    for (std::size_t i = gone; i < days.size(); ++i) data.append(QCPGraphData(dayToKey(days[i]), 0.03));
    m_flagGraph->data()->add(data, false);  // sorts them in: rows without order are allowed
    m_flagTail->data()->add(data, false);
    m_tailDirty = true;
}

void QcpGraph::setThinMarksFrom(std::size_t marks) { thinMarksFrom = marks; }

void QcpGraph::pushFlagMarks() {
    const std::size_t n = m_flagDays.size();
    const bool sorted = std::is_sorted(m_flagDays.begin(), m_flagDays.end());
    // Many marks in time order: the graph holds every 64th and the last, and draws from the days.
    m_marksFromDays = sorted && n >= thinMarksFrom;
    static_cast<FlagMarksGraph *>(m_flagGraph)->setSource(m_marksFromDays ? &m_flagDays : nullptr);
    const std::size_t step = m_marksFromDays ? 64 : 1;
    QVector<QCPGraphData> data;
    data.reserve(qsizetype(n / step + 2));
    for (std::size_t i = 0; i < n; i += step) data.append(QCPGraphData(dayToKey(m_flagDays[i]), 0.03));
    if (m_marksFromDays && (n - 1) % step) data.append(QCPGraphData(dayToKey(m_flagDays[n - 1]), 0.03));
    // Rows without order are allowed: sorted only then, as sorting millions in order costs.
    m_flagGraph->data()->set(data, sorted);
    m_flagsDirty = false;
}

void QcpGraph::applyRightRange() {
    const bool used = std::any_of(m_series.begin(), m_series.end(), [](const Series &s) { return s.right; });
    m_plot->yAxis2->setVisible(used);
    const ValueRange all = valueRange(true);
    if (!all.any) return;
    const double pad = std::max((all.upper - all.lower) * 0.05, 0.01);
    m_plot->yAxis2->setRange(all.lower - pad, all.upper + pad);
}
