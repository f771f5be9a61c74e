#pragma once
// The time plot on QCustomPlot: dark scheme, date-time X axis, rubber-band and wheel zoom,
// pan and a zoom history, and the marker and the crosshair on buffered layers of their own
// so moving them does not redraw the data.
#include "plot/graph.h"

#include <QColor>
#include <QPoint>
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>
#include <vector>

class CachedLineGraph;
class QCustomPlot;
class QCPAxis;
class QCPGraph;
class QCPGraphData;
class QCPItemRect;
class QCPItemStraightLine;
class QCPItemText;
class QCPLayer;
class QMouseEvent;
class QWheelEvent;
class QWidget;

class QcpGraph : public IGraph {
public:
    // The widget gets `parent`; without one it belongs to this object.
    explicit QcpGraph(QWidget *parent = nullptr);
    ~QcpGraph() override;
    QcpGraph(const QcpGraph &) = delete;
    QcpGraph &operator=(const QcpGraph &) = delete;

    QCustomPlot *plot() const;
    QWidget *widget() const;

    void setVisible(bool on) override;
    bool visible() const override { return m_visible; }
    void setSeriesCount(int n) override;
    int seriesCount() const override { return int(m_series.size()); }
    void setPointCount(int n) override;
    int pointCount() const override { return m_pointCount; }
    void setSeriesLabel(int series, const QString &label) override;
    QString seriesLabel(int series) const override;
    void setSeriesColor(int series, std::uint32_t color) override;
    std::uint32_t seriesColor(int series) const override;
    void setXData(int series, int point, double x) override;
    double xData(int series, int point) const override;
    void setYData(int series, int point, float y) override;
    float yData(int series, int point) const override;
    void setSeriesData(int series, const double *x, const float *y, int n) override;
    void setSeriesPoints(int series, int n, const PointSource &points) override;
    void appendSeriesData(int series, const double *x, const float *y, int n) override;
    void setLineBreaks(std::vector<double> days) override;
    const std::vector<double> &lineBreaks() const override { return m_breakDays; }
    void setXAxisLabel(const QString &label) override;
    QString xAxisLabel() const override;
    void setYAxisLabel(const QString &label) override;
    QString yAxisLabel() const override;
    void setYScaleMode(int mode) override {
        m_yMode = mode;
        m_fullDirty = true;
    }
    int yScaleMode() const override { return m_yMode; }
    void setYMinText(const QString &text) override {
        m_yMinText = text;
        m_fullDirty = true;
    }
    QString yMinText() const override { return m_yMinText; }
    void setYMaxText(const QString &text) override {
        m_yMaxText = text;
        m_fullDirty = true;
    }
    QString yMaxText() const override { return m_yMaxText; }
    void setXScaleMode(int mode) override {
        m_xMode = mode;
        m_fullDirty = true;
    }
    int xScaleMode() const override { return m_xMode; }
    void setXMin(double day) override {
        m_xMin = day;
        m_fullDirty = true;
    }
    double xMin() const override { return m_xMin; }
    void setXMax(double day) override {
        m_xMax = day;
        m_fullDirty = true;
    }
    double xMax() const override { return m_xMax; }
    void setMarkerPosition(double day) override;
    double markerPosition() const override { return m_markerDay; }
    void setMarkerText(const QString &text) override;
    QString markerText() const override { return m_markerText; }
    void setMarkerLineType(int type) override;
    int markerLineType() const override { return m_markerLineType; }
    void setMarkerColor(std::uint32_t color) override;
    std::uint32_t markerColor() const override { return m_markerColor; }
    void setSeriesOnRightAxis(int series, bool right) override;
    bool seriesOnRightAxis(int series) const override;
    void setRightAxisLabel(const QString &label) override;
    QString rightAxisLabel() const override;
    void setSeriesOwnAxis(int series, bool own) override;
    bool seriesOwnAxis(int series) const override;
    void setFlagMarks(std::vector<double> days) override;
    void replaceFlagMarksFrom(std::size_t keep, std::vector<double> days) override;
    const std::vector<double> &flagMarks() const override { return m_flagDays; }
    void setMarkSpans(std::vector<MarkSpan> spans) override;
    // Bands along the bottom, a strip a probe, coloured by grade; the crosshair names the grade.
    void setGradeStrips(std::vector<GradeStrip> strips) override;
    // The colour of a grade's band (1 Excellent .. 5 Not reported).
    static QColor gradeColor(int grade);
    // Zooms the time to these decimal days, as a drag would (a project's saved view).
    void zoomTo(double fromDay, double toDay);
    void setFailMarks(std::vector<double> days) override;
    double zoomedXMin() const override;
    double zoomedXMax() const override;
    void request(int action) override;

    // What the crosshair shows at a widget position: the time and each series' value there;
    // empty outside the plot area or without data.
    QString crosshairText(const QPoint &pos) const;
    // The zoom and pan steps that Backspace can go back through.
    int zoomSteps() const { return int(m_history.size()); }

    // Series of this many points and more are held as an envelope of their rows, read again
    // from their source where a view needs them (tests make it small).
    static void setEnvelopeFrom(std::size_t points);
    // From this many flag marks in time order the plot keeps only a few of them itself.
    static void setThinMarksFrom(std::size_t marks);
    static std::size_t envelopeFromPoints();

    // Keys of the X axis are seconds since 1970 (what the date-time ticker reads).
    static double dayToKey(double day);
    static double keyToDay(double key);

private:
    // The value range of the points a graph holds, kept up as they come instead of looked for
    // in a million points at every redraw.
    struct ValueRange {
        bool known = false, any = false;
        double lower = 0.0, upper = 0.0;
        void widen(double v);
        // The range of both halves of a series, known.
        static ValueRange joined(const ValueRange (&halves)[2]);
        bool operator==(const ValueRange &) const = default;
    };
    struct Series {
        QCPGraph *graph = nullptr;
        // The points appended since the last full redraw, again on a layer of their own: a log
        // that grows redraws only them, while the rest stays in the data layer's buffer.
        QCPGraph *tail = nullptr;
        ValueRange values;
        // Decimal days and values by row, only while points are set one at a time; otherwise
        // the graph's own data holds them.
        std::vector<double> x;
        std::vector<float> y;
        bool staged = false;
        std::vector<int> rowOf;  // plotted index -> row, only when the X values were out of order
        QString label;
        std::uint32_t color = 0;
        bool right = false;      // on the second Y axis
        QCPAxis *own = nullptr;  // a right axis of its own
        bool dirty = true;
    };
    Series *at(int series);
    const Series *at(int series) const;
    void setupLook();
    // The points by row into x and y, from the graph's data.
    void stage(Series &s) const;
    const QCPGraphData *pointOf(const Series &s, int row) const;
    void pushData(Series &s, const double *x, const float *y, std::size_t n);
    // The envelope of a long series (qcpgraph_envelope.cpp); false, changing nothing, when its
    // rows are out of time order.
    bool holdEnvelope(Series &s, std::size_t n, const PointSource &points);
    static CachedLineGraph &lines(const Series &s);
    void applyRanges();
    // The value range of the series on the left (right = false) or the right axis.
    ValueRange valueRange(bool right);
    ValueRange seriesRange(Series &s);
    static ValueRange valueRangeOf(const float *y, std::size_t n);
    // The appended points (qcpgraph_tail.cpp): whether redrawing only them shows what a full
    // redraw would, and the tails emptied once a full redraw has drawn them.
    bool tailFits();
    void clearTails();
    void fitTime(QCPAxis &x);
    void applyMarker();
    // The second Y axis and the flag marks (qcpgraph_axes.cpp).
    void setupSecondAxes();
    void applyRightRange();
    void pushFlagMarks();
    void redraw();
    void userRangeChanged();
    void applyOwnAxes();
    // The mouse (qcpgraph_pointer.cpp): click, crosshair, pan, wheel and the zoom history.
    struct View {
        double xLo, xHi, yLo, yHi, y2Lo, y2Hi;
        bool zoomed;
    };
    View currentView() const;
    void setupPointer();
    void pressed(QMouseEvent *e);
    void moved(QMouseEvent *e);
    void released(QMouseEvent *e);
    void wheeled(QWheelEvent *e);
    void zoomBack();
    void showCrosshair(const QPoint &pos);
    void hideCrosshair();
    void clicked(const QPoint &pos);
    // The row of the record nearest in time to a widget position; -1 when there is none.
    int rowNearest(const QPoint &pos) const;

    QPointer<QCustomPlot> m_plot;
    bool m_ownsPlot = false;
    std::unique_ptr<QObject> m_context;  // receiver of our connections
    QCPLayer *m_markerLayer = nullptr;
    QCPItemStraightLine *m_marker = nullptr;
    QCPItemText *m_markerLabel = nullptr;
    std::vector<Series> m_series;
    QCPAxis *m_flagAxis = nullptr;  // hidden, 0..1: marks sit at the bottom whatever is zoomed
    QCPGraph *m_flagGraph = nullptr, *m_failGraph = nullptr;
    std::vector<double> m_flagDays;
    bool m_marksFromDays = false;            // the suspect marks are drawn from m_flagDays
    std::vector<QCPItemRect *> m_markRects;  // the person's marks (qcpgraph_marks.cpp)
    std::vector<QCPItemRect *> m_gradeRects;
    bool m_markDrag = false;  // the drag under way picks a span to mark
    std::vector<double> m_breakDays;
    std::vector<double> m_breakKeys;  // of m_breakDays, in order: the series' graphs read them
    bool m_flagsDirty = false;
    QCPLayer *m_tailLayer = nullptr;
    QCPGraph *m_flagTail = nullptr;
    bool m_tailDirty = false;    // points or marks were appended since the last redraw
    ValueRange m_drawnRange[2];  // the left and right axis' value ranges at the last full redraw
    int m_pointCount = 0;
    bool m_visible = true;
    int m_xMode = kScaleAuto, m_yMode = kScaleAuto;
    double m_xMin = 0.0, m_xMax = 0.0;
    QString m_yMinText, m_yMaxText;
    double m_markerDay = 0.0;
    QString m_markerText;
    int m_markerLineType = 0;
    std::uint32_t m_markerColor = 0x00FFFF;
    bool m_zoomed = false;
    bool m_applying = false;  // our own range changes are no user zoom
    bool m_fullDirty = true;  // anything but the marker changed since the last redraw
    bool m_markerDirty = true;
    QPoint m_pressPos;
    bool m_pressed = false;
    bool m_panning = false;
    View m_panFrom{};
    std::vector<View> m_history;
    std::optional<View> m_stepFrom;  // the view before a zoom or pan step under way
    QCPLayer *m_crossLayer = nullptr;
    QCPItemStraightLine *m_crossV = nullptr, *m_crossH = nullptr;
    QCPItemText *m_crossLabel = nullptr;
    std::unique_ptr<QObject> m_leaveFilter;
};
