#pragma once
// The time plot as the window sees it: items to set and read back, action requests and
// four notifications. Qt Core only, so plot logic builds and tests without a window.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// Scale modes of both axes.
inline constexpr int kScaleAuto = 0, kScaleManual = 3;
// Action requests.
inline constexpr int kActionRedraw = 0, kActionUndoZoom = 19;
// Back to the view before the last zoom or pan step; the first step back undoes the zoom.
inline constexpr int kActionZoomBack = 20;
// What the zoomed X bounds read back as while the graph is not zoomed.
inline constexpr double kUnzoomedLo = 0.0, kUnzoomedHi = 100.0;

class IGraph {
public:
    virtual ~IGraph() = default;

    virtual void setVisible(bool on) = 0;
    virtual bool visible() const = 0;

    virtual void setSeriesCount(int n) = 0;
    virtual int seriesCount() const = 0;
    // Every series has this many points; new points start at (0, 0).
    virtual void setPointCount(int n) = 0;
    virtual int pointCount() const = 0;

    virtual void setSeriesLabel(int series, const QString &label) = 0;
    virtual QString seriesLabel(int series) const = 0;
    // Colours are 0x00BBGGRR.
    virtual void setSeriesColor(int series, std::uint32_t color) = 0;
    virtual std::uint32_t seriesColor(int series) const = 0;

    // X in decimal days, Y as 32-bit floats. Out-of-range positions are ignored (read as 0).
    virtual void setXData(int series, int point, double x) = 0;
    virtual double xData(int series, int point) const = 0;
    virtual void setYData(int series, int point, float y) = 0;
    virtual float yData(int series, int point) const = 0;
    // Points 0..n-1 of one series in one call; points beyond the point count are dropped.
    virtual void setSeriesData(int series, const double *x, const float *y, int n) = 0;
    // Rows from..to-1 of a series' points written into x[0..to-from) and y[0..to-from); it may be
    // called from two threads at once for rows that do not overlap.
    using PointSource = std::function<void(std::size_t from, std::size_t to, double *x, float *y)>;
    // Points 0..n-1 of one series as setSeriesData takes them, made by `points` a block at a
    // time: a graph that holds its points its own way needs no copy of them all on the way.
    virtual void setSeriesPoints(int series, int n, const PointSource &points) {
        const auto count = std::size_t(n > 0 ? n : 0);
        std::vector<double> x(count);
        std::vector<float> y(count);
        if (count > 0) points(0, count, x.data(), y.data());
        setSeriesData(series, x.data(), y.data(), int(count));
    }
    // n points after the last of one series, the others left as they are (a log that grows);
    // once every series has had the same n, the point count is n more.
    virtual void appendSeriesData(int series, const double *x, const float *y, int n) = 0;

    // No series' line is drawn across these decimal days (the gaps between records); the
    // points either side stay as they are.
    virtual void setLineBreaks(std::vector<double> days) = 0;
    virtual const std::vector<double> &lineBreaks() const = 0;

    virtual void setXAxisLabel(const QString &label) = 0;
    virtual QString xAxisLabel() const = 0;
    virtual void setYAxisLabel(const QString &label) = 0;
    virtual QString yAxisLabel() const = 0;

    // Y limits come as the texts of the limit fields.
    virtual void setYScaleMode(int mode) = 0;
    virtual int yScaleMode() const = 0;
    virtual void setYMinText(const QString &text) = 0;
    virtual QString yMinText() const = 0;
    virtual void setYMaxText(const QString &text) = 0;
    virtual QString yMaxText() const = 0;

    virtual void setXScaleMode(int mode) = 0;
    virtual int xScaleMode() const = 0;
    virtual void setXMin(double day) = 0;
    virtual double xMin() const = 0;
    virtual void setXMax(double day) = 0;
    virtual double xMax() const = 0;

    // Marker 0: one vertical line at a decimal day.
    virtual void setMarkerPosition(double day) = 0;
    virtual double markerPosition() const = 0;
    virtual void setMarkerText(const QString &text) = 0;
    virtual QString markerText() const = 0;
    virtual void setMarkerLineType(int type) = 0;
    virtual int markerLineType() const = 0;
    virtual void setMarkerColor(std::uint32_t color) = 0;
    virtual std::uint32_t markerColor() const = 0;

    // A series drawn against the second Y axis at the right, which always scales itself to
    // its series; the axis shows while any series uses it.
    virtual void setSeriesOnRightAxis(int series, bool right) = 0;
    virtual bool seriesOnRightAxis(int series) const = 0;
    virtual void setRightAxisLabel(const QString &label) = 0;
    virtual QString rightAxisLabel() const = 0;
    // A series on a right axis of its own, named and coloured as the series and always scaled
    // to it alone (a flow rate beside a temperature); it takes precedence over the shared one.
    virtual void setSeriesOwnAxis(int series, bool own) = 0;
    virtual bool seriesOwnAxis(int series) const = 0;

    // Marks along the bottom of the plot at these decimal days (the flagged records).
    virtual void setFlagMarks(std::vector<double> days) = 0;
    // The first `keep` marks stay and `days` follow them (the flags of a log that grows).
    virtual void replaceFlagMarksFrom(std::size_t keep, std::vector<double> days) = 0;
    virtual const std::vector<double> &flagMarks() const = 0;
    // Marks in a colour of their own over those at these days (the failed records); a graph
    // that shows one colour leaves them out.
    virtual void setFailMarks(std::vector<double> days) { (void)days; }

    // Bounds of the zoomed X range in decimal days; kUnzoomedLo/Hi while not zoomed.
    virtual double zoomedXMin() const = 0;
    virtual double zoomedXMax() const = 0;

    // kActionRedraw: show the current items; kActionUndoZoom: undo the zoom and raise zoomOut;
    // kActionZoomBack: one zoom step back.
    virtual void request(int action) = 0;

    // Notifications; unset ones are skipped.
    std::function<void(int point)> onPointChosen;  // point number == row of DATA
    std::function<void()> onViewChanged;
    std::function<void()> onZoomIn;
    std::function<void()> onZoomOut;
    // A Shift-drag across the plot: its X bounds in decimal days, from <= to.
    std::function<void(double fromDay, double toDay)> onSpanPicked;
    // An Alt-drag: the span of records to mark, likewise.
    std::function<void(double fromDay, double toDay)> onMarkSpanPicked;

    // The person's marks as shaded spans behind the series, and the span picked for marking.
    struct MarkSpan {
        double fromDay = 0.0, toDay = 0.0;
        int kind = 0;  // 1 bad, 2 doubtful, 3 note
        QString text{};
        bool operator==(const MarkSpan &) const = default;
    };
    virtual void setMarkSpans(std::vector<MarkSpan> spans) { m_markSpans = std::move(spans); }
    const std::vector<MarkSpan> &markSpans() const { return m_markSpans; }

    // A probe's daily grades as a thin band along the plot's bottom, one strip a probe; a band
    // spans its days and carries the grade's number (1 Excellent .. 5 Not reported).
    struct GradeBand {
        double fromDay = 0.0, toDay = 0.0;
        int grade = 0;
        bool operator==(const GradeBand &) const = default;
    };
    struct GradeStrip {
        QString label{};  // "pH-1"
        std::vector<GradeBand> bands{};
        bool operator==(const GradeStrip &) const = default;
    };
    virtual void setGradeStrips(std::vector<GradeStrip> strips) { m_gradeStrips = std::move(strips); }
    const std::vector<GradeStrip> &gradeStrips() const { return m_gradeStrips; }

protected:
    void raisePointChosen(int point) {
        if (onPointChosen) onPointChosen(point);
    }
    void raiseViewChanged() {
        if (onViewChanged) onViewChanged();
    }
    void raiseZoomIn() {
        if (onZoomIn) onZoomIn();
    }
    void raiseZoomOut() {
        if (onZoomOut) onZoomOut();
    }
    void raiseSpanPicked(double fromDay, double toDay) {
        if (onSpanPicked) onSpanPicked(fromDay, toDay);
    }
    std::vector<MarkSpan> m_markSpans;
    std::vector<GradeStrip> m_gradeStrips;
};
