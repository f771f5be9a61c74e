#include "plot/navigation.h"

#include "support/fake_graph.h"
#include "plot_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

// Records at 10:00:00, 10:00:30, 10:01:30 and 10:02:00.
struct FourRecords : ::testing::Test {
    clsDataSet ds;
    void SetUp() override { fillRecords(ds, {at(10, 0, 0), at(10, 0, 30), at(10, 1, 30), at(10, 2, 0)}); }
    QString step(int index, double from) {
        return stepTimeRangeText(index, rangeFieldText(from), ds).value_or("<none>");
    }
    static QString text(double t) { return rangeFieldText(t); }
};

}  // namespace

TEST_F(FourRecords, NextClosestDate) {
    struct Case {
        double target;
        double down, up;
    };
    const Case cases[] = {
        {at(10, 0, 40), at(10, 0, 0), at(10, 1, 30)},  // row 1 nearer than row 2
        {at(10, 0, 30), at(10, 0, 0), at(10, 1, 30)},  // on a record
        {at(10, 0, 15), at(10, 0, 0), at(10, 1, 30)},  // tie keeps the later row
        {at(10, 1, 35), at(10, 1, 30), at(10, 2, 0)},  // first at-or-after is the last: no nearer test
        {at(10, 5, 0), at(10, 2, 0), at(10, 2, 0)},    // after the last record
        {at(9, 0, 0), at(10, 0, 0), at(10, 0, 30)},    // before the first record
    };
    for (const Case &c : cases) {
        EXPECT_EQ(text(getNextClosestDate(c.target, false, ds)), text(c.down)) << text(c.target).toStdString();
        EXPECT_EQ(text(getNextClosestDate(c.target, true, ds)), text(c.up)) << text(c.target).toStdString();
    }
    clsDataSet empty;
    EXPECT_EQ(getNextClosestDate(at(10, 0, 0), true, empty), 0.0);
}

TEST_F(FourRecords, TimeRangeSteps) {
    EXPECT_EQ(step(kStepStart, at(10, 1, 0)), QStringLiteral("05/13/2004 10:00:00"));
    EXPECT_EQ(step(kStepEnd, at(10, 1, 0)), QStringLiteral("05/13/2004 10:02:00"));
    EXPECT_EQ(step(kStepBackMore, at(10, 0, 20)), text(at(10, 0, 0)));     // clamped, not 09:59:20
    EXPECT_EQ(step(kStepBackMore, at(10, 1, 0)), text(at(10, 0, 0)));      // exactly first: no clamp needed
    EXPECT_EQ(step(kStepBackMore, at(10, 1, 45)), text(at(10, 0, 45)));    // whole minutes, no snapping
    EXPECT_EQ(step(kStepForwardMore, at(10, 1, 30)), text(at(10, 2, 0)));  // clamped, not 10:02:30
    EXPECT_EQ(step(kStepForwardMore, at(10, 0, 10)), text(at(10, 1, 10)));
    EXPECT_EQ(step(kStepBack, at(10, 0, 40)), text(at(10, 0, 0)));
    EXPECT_EQ(step(kStepForward, at(10, 0, 40)), text(at(10, 1, 30)));
    EXPECT_EQ(step(6, at(10, 0, 40)), QStringLiteral("<none>"));
    EXPECT_EQ(step(-1, at(10, 0, 40)), QStringLiteral("<none>"));

    // A field that is no date-time: the steps that need it do nothing, Strt/End still work.
    EXPECT_FALSE(stepTimeRange(kStepForward, QStringLiteral("05/13/20"), ds));
    EXPECT_FALSE(stepTimeRange(kStepBackMore, QString(), ds));
    EXPECT_TRUE(stepTimeRange(kStepEnd, QStringLiteral("junk"), ds));

    clsDataSet notLoaded;
    EXPECT_FALSE(stepTimeRange(kStepStart, text(at(10, 0, 0)), notLoaded));
}

TEST(Navigation, YLimitSteps) {
    EXPECT_EQ(stepYLimit(1, QStringLiteral("9.0")), QStringLiteral("9.1"));
    EXPECT_EQ(stepYLimit(2, QStringLiteral("0.5")), QStringLiteral("-0.5"));
    EXPECT_EQ(stepYLimit(0, QStringLiteral("9.0")), QStringLiteral("10.0"));
    EXPECT_EQ(stepYLimit(3, QStringLiteral("0.1")), QStringLiteral("0.0"));
    EXPECT_EQ(stepYLimit(3, QStringLiteral("-0.95")), QStringLiteral("-1.1"));
    EXPECT_EQ(stepYLimit(1, QStringLiteral("7")), QStringLiteral("7.1"));
    // Ten small steps land where one big step does.
    QString v = QStringLiteral("6.0");
    for (int i = 0; i < 10; ++i) v = *stepYLimit(1, v);
    EXPECT_EQ(v, QStringLiteral("7.0"));
    EXPECT_FALSE(stepYLimit(1, QStringLiteral("")));
    EXPECT_FALSE(stepYLimit(1, QStringLiteral("9.x")));
    EXPECT_FALSE(stepYLimit(4, QStringLiteral("9.0")));
}

TEST(Navigation, RecordStepperClamps) {
    EXPECT_EQ(stepRecord(kStepForwardMore, 2, 5), 4);
    EXPECT_EQ(stepRecord(kStepBackMore, 3, 5), 0);
    EXPECT_EQ(stepRecord(kStepBack, 0, 5), 0);
    EXPECT_EQ(stepRecord(kStepForward, 4, 5), 4);
    EXPECT_EQ(stepRecord(kStepForward, 1, 5), 2);
    EXPECT_EQ(stepRecord(kStepBackMore, 15, 20), 5);
    EXPECT_EQ(stepRecord(kStepStart, 3, 5), 0);
    EXPECT_EQ(stepRecord(kStepEnd, 0, 5), 4);
    EXPECT_EQ(stepRecord(kStepForward, -1, 5), 0);  // grid without a current row
    EXPECT_FALSE(stepRecord(kStepEnd, 0, 0));
    EXPECT_FALSE(stepRecord(7, 0, 5));
}

TEST(Navigation, AnnotationInView) {
    EXPECT_TRUE(isAnnotationInView(5.0, 0.0, 100.0));  // unzoomed, wherever the marker is
    EXPECT_TRUE(isAnnotationInView(38000.5, 0.0, 100.0));
    EXPECT_TRUE(isAnnotationInView(38000.5, 38000.0, 38001.0));
    EXPECT_FALSE(isAnnotationInView(38000.0, 38000.0, 38001.0));  // strict on both sides
    EXPECT_FALSE(isAnnotationInView(38001.0, 38000.0, 38001.0));
    EXPECT_FALSE(isAnnotationInView(99.5, 0.0, 99.0));  // only exactly 0 and 100 mean unzoomed
    EXPECT_EQ(annotationStatusText(false, false), QStringLiteral("Annotation is NOT in view - zoom out"));
    EXPECT_EQ(annotationStatusText(false, true), QStringLiteral("Annotation is in view"));
    EXPECT_EQ(annotationStatusText(true, false), QStringLiteral("Annotation is in view"));
}

namespace {

// The window's side of the zoom: records the hooks and shows the status text like the window.
struct ZoomWindow {
    FakeGraph graph;
    bool autoscale = true;
    std::vector<std::string> calls;
    QString status;
    ZoomController zoom{{[this] { calls.push_back("disable"); }, [this] { calls.push_back("enable"); },
                         [this](bool force) { status = annotationStatusText(isAnnotationInView(graph), force); },
                         [this] { calls.push_back("rebuild"); }}};
    ZoomWindow() {
        graph.onZoomIn = [this] { zoom.zoomIn(); };
        graph.onZoomOut = [this] { zoom.zoomOut(autoscale); };
    }
    std::vector<std::string> take() { return std::exchange(calls, {}); }
};

using Calls = std::vector<std::string>;

}  // namespace

TEST(ZoomController, AutoscaleAndZoomStates) {
    ZoomWindow w;
    w.zoom.autoscaleClicked(true);  // window load
    EXPECT_EQ(w.take(), (Calls{"disable", "rebuild"}));
    w.autoscale = false;
    w.zoom.autoscaleClicked(false);
    EXPECT_EQ(w.take(), (Calls{"enable", "rebuild"}));

    w.graph.setMarkerPosition(10.0);
    w.graph.zoomTo(20.0, 30.0);
    EXPECT_TRUE(w.zoom.isZoomed());
    EXPECT_EQ(w.take(), Calls{"disable"});
    EXPECT_EQ(w.status, QStringLiteral("Annotation is NOT in view - zoom out"));

    // Ticking and unticking autoscale while zoomed never enables the controls.
    w.autoscale = true;
    w.zoom.autoscaleClicked(true);
    w.autoscale = false;
    w.zoom.autoscaleClicked(false);
    EXPECT_EQ(w.take(), (Calls{"disable", "rebuild", "rebuild"}));

    // Zoom-out through action 19 restores by the autoscale state; the status is forced.
    w.graph.request(kActionUndoZoom);
    EXPECT_FALSE(w.zoom.isZoomed());
    EXPECT_EQ(w.take(), Calls{"enable"});
    EXPECT_EQ(w.status, QStringLiteral("Annotation is in view"));

    // With autoscale on, zoom-out leaves them disabled, and the status is in view even if the
    // graph still reported zoomed bounds when it raised the notification.
    w.autoscale = true;
    w.graph.zoomTo(20.0, 30.0);
    w.take();
    w.graph.setZoomBounds(20.0, 30.0);
    w.graph.raiseZoomOut();
    EXPECT_EQ(w.take(), Calls{"disable"});
    EXPECT_EQ(w.status, QStringLiteral("Annotation is in view"));
}

namespace {

// The first-at-or-after scan, row by row, as the step buttons always worked.
double scanNextClosestDate(double target, bool up, const std::vector<double> &days) {
    const int n = int(days.size()) - 1;
    if (n < 0) return 0.0;
    int i = 0;
    double found = 0.0;
    for (; i <= n; ++i) {
        found = days[std::size_t(i)];
        if (found >= target) break;
    }
    auto secs = [](double a, double b) { return std::llabs(std::llround((b - a) * dt::kSecondsPerDay)); };
    if (i != 0 && i != n && secs(target, days[std::size_t(i - 1)]) < secs(target, found)) --i;
    i = std::clamp(i + (up ? 1 : -1), 0, n);
    return days[std::size_t(i)];
}

}  // namespace

TEST(NextClosestDate, HalvingGivesWhatTheScanGives) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 300; ++trial) {
        // Ascending times with ties (two records in one second), of 1 to 60 records; every
        // twentieth log is out of order, which only the scan can search.
        const int count = 1 + int(random() % 60);
        std::vector<double> days;
        double t = at(10, 0, 0);
        for (int r = 0; r < count; ++r) {
            t += int(random() % 3) * 15 / dt::kSecondsPerDay;
            days.push_back(t);
        }
        if (trial % 20 == 0 && count > 2) std::swap(days[0], days[std::size_t(count - 1)]);
        clsDataSet ds;
        fillRecords(ds, days);
        for (int r = 0; r < count; ++r) days[std::size_t(r)] = ds.DATA().rowDay(r);  // as read back
        std::vector<double> targets = {days.front() - 1, days.back() + 1};
        for (double d : days) {
            targets.push_back(d);
            targets.push_back(d + 7 / dt::kSecondsPerDay);    // between two, nearer the earlier
            targets.push_back(d - 7.5 / dt::kSecondsPerDay);  // halfway: a tie
        }
        for (double target : targets)
            for (bool up : {false, true})
                ASSERT_EQ(getNextClosestDate(target, up, ds), scanNextClosestDate(target, up, days))
                    << "trial " << trial << " target " << rangeFieldText(target).toStdString() << " up " << up;
    }
}
