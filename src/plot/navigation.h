#pragma once
// Moving through the plot: the range-field steps, the record stepper, the marker's in-view
// status and the zoom/autoscale state of the range controls.
#include <QString>
#include <functional>
#include <optional>

class clsDataSet;
class IGraph;

// Step button indexes of cmdXMin, cmdXMax and cmdStep.
enum StepIndex {
    kStepStart = 0,
    kStepBackMore = 1,
    kStepBack = 2,
    kStepForward = 3,
    kStepForwardMore = 4,
    kStepEnd = 5
};

// Date-time of the record next to `target` in the direction `up`; the zero date-time when
// no records are loaded.
double getNextClosestDate(double target, bool up, clsDataSet &dataSet);

// New value of a time range field after step button `index`, or nothing (no data, unknown
// index, or a field that is not a date-time where the step needs it).
std::optional<double> stepTimeRange(int index, const QString &fieldText, clsDataSet &dataSet);
// The range fields' text form "mm/d/yyyy Hh:Nn:Ss".
QString rangeFieldText(double dateTime);
// The two together, ready to write into txtStart or txtEnd.
std::optional<QString> stepTimeRangeText(int index, const QString &fieldText, clsDataSet &dataSet);

// New text of a Y limit field after cmdYMax/cmdYMin button `index`, in the "#0.0" form;
// nothing for an unknown index or a field that is not a number.
std::optional<QString> stepYLimit(int index, const QString &fieldText);

// New current row after cmdStep button `index`, or nothing (no rows, unknown index).
std::optional<int> stepRecord(int index, int current, int rowcount);

// The marker counts as in view while unzoomed (bounds 0 and 100) or strictly inside lo..hi.
bool isAnnotationInView(double x, double lo, double hi);
bool isAnnotationInView(const IGraph &graph);
// Status bar text of showAnnotationStatus.
QString annotationStatusText(bool inView, bool force);

// Which range controls are usable, following zoom and autoscale. The window hands in its
// own routines; each handler runs them in the order the window expects.
class ZoomController {
public:
    struct Hooks {
        std::function<void()> disableRangeControls;
        std::function<void()> enableRangeControls;
        std::function<void(bool force)> showAnnotationStatus;
        std::function<void()> rebuildPlot;
    };
    explicit ZoomController(Hooks hooks) : m_hooks(std::move(hooks)) {}

    bool isZoomed() const { return m_zoomed; }

    // chkAutoscale_Click: while zoomed the controls stay disabled whatever the new state.
    void autoscaleClicked(bool autoscaleTicked);
    // The graph's zoom-in notification.
    void zoomIn();
    // The graph's zoom-out notification; always ends with "Annotation is in view".
    void zoomOut(bool autoscaleTicked);

private:
    static void run(const std::function<void()> &f) {
        if (f) f();
    }
    Hooks m_hooks;
    bool m_zoomed = false;
};

// The row whose date-time lies nearest to `day` (the earlier of two as near); rows without a
// date-time are passed over. -1 when there is none. A day below 1 is a time alone: it is read
// on the date of row `onDateOf`.
int nearestRecord(clsDataSet &dataSet, double day, int onDateOf = 0);
