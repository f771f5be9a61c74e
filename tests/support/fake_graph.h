#pragma once
// A graph without a window: stores every item, counts the action requests and lets a test
// raise the notifications. Header-only, so any test program can use it without linking.
#include "plot/graph.h"

#include <algorithm>
#include <map>
#include <vector>

class FakeGraph : public IGraph {
public:
    void setVisible(bool on) override { m_visible = on; }
    bool visible() const override { return m_visible; }

    void setSeriesCount(int n) override {
        m_series.resize(std::size_t(std::max(n, 0)));
        resizePoints();
    }
    int seriesCount() const override { return int(m_series.size()); }
    void setPointCount(int n) override {
        m_pointCount = std::max(n, 0);
        resizePoints();
    }
    int pointCount() const override { return m_pointCount; }

    void setSeriesLabel(int s, const QString &label) override {
        if (auto *p = at(s)) p->label = label;
    }
    QString seriesLabel(int s) const override {
        auto *p = at(s);
        return p ? p->label : QString();
    }
    void setSeriesColor(int s, std::uint32_t c) override {
        if (auto *p = at(s)) p->color = c;
    }
    std::uint32_t seriesColor(int s) const override {
        auto *p = at(s);
        return p ? p->color : 0;
    }

    void setXData(int s, int i, double x) override {
        if (ok(s, i)) m_series[std::size_t(s)].x[std::size_t(i)] = x;
    }
    double xData(int s, int i) const override { return ok(s, i) ? m_series[std::size_t(s)].x[std::size_t(i)] : 0.0; }
    void setYData(int s, int i, float y) override {
        if (ok(s, i)) m_series[std::size_t(s)].y[std::size_t(i)] = y;
    }
    float yData(int s, int i) const override { return ok(s, i) ? m_series[std::size_t(s)].y[std::size_t(i)] : 0.0f; }
    void setSeriesData(int s, const double *x, const float *y, int n) override {
        ++bulkCopies;
        for (int i = 0; i < n; ++i) {
            setXData(s, i, x[i]);
            setYData(s, i, y[i]);
        }
    }

    void appendSeriesData(int s, const double *x, const float *y, int n) override {
        auto *p = at(s);
        if (!p || n <= 0) return;
        ++appends;
        p->x.insert(p->x.end(), x, x + n);
        p->y.insert(p->y.end(), y, y + n);
        m_pointCount = std::max(m_pointCount, int(p->x.size()));
    }

    void setLineBreaks(std::vector<double> days) override { m_breaks = std::move(days); }
    const std::vector<double> &lineBreaks() const override { return m_breaks; }

    void setXAxisLabel(const QString &l) override { m_xLabel = l; }
    QString xAxisLabel() const override { return m_xLabel; }
    void setYAxisLabel(const QString &l) override { m_yLabel = l; }
    QString yAxisLabel() const override { return m_yLabel; }

    void setYScaleMode(int m) override { m_yMode = m; }
    int yScaleMode() const override { return m_yMode; }
    void setYMinText(const QString &t) override { m_yMin = t; }
    QString yMinText() const override { return m_yMin; }
    void setYMaxText(const QString &t) override { m_yMax = t; }
    QString yMaxText() const override { return m_yMax; }
    void setXScaleMode(int m) override { m_xMode = m; }
    int xScaleMode() const override { return m_xMode; }
    void setXMin(double d) override { m_xMin = d; }
    double xMin() const override { return m_xMin; }
    void setXMax(double d) override { m_xMax = d; }
    double xMax() const override { return m_xMax; }

    void setMarkerPosition(double d) override { m_marker = d; }
    double markerPosition() const override { return m_marker; }
    void setMarkerText(const QString &t) override { m_markerText = t; }
    QString markerText() const override { return m_markerText; }
    void setMarkerLineType(int t) override { m_markerType = t; }
    int markerLineType() const override { return m_markerType; }
    void setMarkerColor(std::uint32_t c) override { m_markerColor = c; }
    std::uint32_t markerColor() const override { return m_markerColor; }

    void setSeriesOnRightAxis(int s, bool right) override {
        if (auto *p = at(s)) p->right = right;
    }
    bool seriesOnRightAxis(int s) const override {
        auto *p = at(s);
        return p && p->right;
    }
    void setSeriesOwnAxis(int s, bool own) override {
        if (auto *p = at(s)) p->own = own;
    }
    bool seriesOwnAxis(int s) const override {
        auto *p = at(s);
        return p && p->own;
    }
    void setRightAxisLabel(const QString &l) override { m_rightLabel = l; }
    QString rightAxisLabel() const override { return m_rightLabel; }
    void setFlagMarks(std::vector<double> days) override { m_flagMarks = std::move(days); }
    void replaceFlagMarksFrom(std::size_t keep, std::vector<double> days) override {
        m_flagMarks.resize(std::min(keep, m_flagMarks.size()));
        m_flagMarks.insert(m_flagMarks.end(), days.begin(), days.end());
    }
    const std::vector<double> &flagMarks() const override { return m_flagMarks; }

    double zoomedXMin() const override { return m_lo; }
    double zoomedXMax() const override { return m_hi; }

    void request(int action) override {
        ++requests[action];
        requestLog.push_back(action);
        if (action == kActionUndoZoom) {
            setZoomBounds(kUnzoomedLo, kUnzoomedHi);
            raiseZoomOut();
        }
    }

    // What a mouse zoom would leave behind, in decimal days.
    void setZoomBounds(double lo, double hi) {
        m_lo = lo;
        m_hi = hi;
    }
    void zoomTo(double lo, double hi) {
        setZoomBounds(lo, hi);
        raiseZoomIn();
    }

    using IGraph::raisePointChosen;
    using IGraph::raiseViewChanged;
    using IGraph::raiseZoomIn;
    using IGraph::raiseZoomOut;

    std::map<int, int> requests;  // action -> times requested
    std::vector<int> requestLog;
    int bulkCopies = 0;
    int appends = 0;  // appendSeriesData calls

private:
    struct Series {
        QString label;
        std::uint32_t color = 0;
        bool right = false, own = false;
        std::vector<double> x;
        std::vector<float> y;
    };
    Series *at(int s) { return s >= 0 && s < int(m_series.size()) ? &m_series[std::size_t(s)] : nullptr; }
    const Series *at(int s) const { return s >= 0 && s < int(m_series.size()) ? &m_series[std::size_t(s)] : nullptr; }
    bool ok(int s, int i) const { return at(s) && i >= 0 && i < int(at(s)->x.size()); }
    void resizePoints() {
        for (auto &s : m_series) {
            s.x.resize(std::size_t(m_pointCount));
            s.y.resize(std::size_t(m_pointCount));
        }
    }

    bool m_visible = true;
    std::vector<Series> m_series;
    int m_pointCount = 0;
    std::vector<double> m_flagMarks, m_breaks;
    QString m_rightLabel;
    QString m_xLabel, m_yLabel, m_yMin, m_yMax, m_markerText;
    int m_xMode = -1, m_yMode = -1, m_markerType = -1;
    double m_xMin = 0, m_xMax = 0, m_marker = 0, m_lo = kUnzoomedLo, m_hi = kUnzoomedHi;
    std::uint32_t m_markerColor = 0;
};
