#include "plot/ui/qcpgraph.h"

#include "model/clsplotset.h"
#include "model/datetime.h"
#include "model/deployment.h"
#include "plot/plotbuilder.h"
#include "plot/plot_fixtures.h"

#include <QApplication>
#include <QDir>
#include <QWheelEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <cmath>
#include <optional>

namespace {

struct Shown {
    QcpGraph graph;
    clsDataSet dataSet;
    clsPlotSet plotSet;
    PlotInputs inputs;
    PlotBuilder builder{dataSet, plotSet, graph, [this] { return inputs; }, nullptr};
    int zoomIns = 0, zoomOuts = 0, views = 0, fullReplots = 0;
    std::vector<int> chosen;

    Shown() {
        graph.widget()->resize(900, 500);
        graph.widget()->show();
        graph.onZoomIn = [this] { ++zoomIns; };
        graph.onZoomOut = [this] { ++zoomOuts; };
        graph.onViewChanged = [this] { ++views; };
        graph.onPointChosen = [this](int row) { chosen.push_back(row); };
        QObject::connect(graph.plot(), &QCustomPlot::afterReplot, [this] { ++fullReplots; });
    }
    // Two hours of records, ten seconds apart; pH-1 a slow wave around 7.5.
    void load() {
        std::vector<double> times;
        for (int i = 0; i < 720; ++i) times.push_back(at(8, 0, 0) + i * 10.0 / 86400);
        fillRecords(dataSet, times);
        DataTable &t = dataSet.DATA();
        for (int r = 0; r < 720; ++r) t.setCell(r, colPH1, Cell(7.5 + 0.4 * std::sin(r / 60.0)));
        builder.rebuildPlot();
    }
    QCPRange xDays() const {
        const QCPRange k = graph.plot()->xAxis->range();
        return QCPRange(QcpGraph::keyToDay(k.lower), QcpGraph::keyToDay(k.upper));
    }
};

}  // namespace

TEST(QcpGraph, ReadBacksAndUndoZoom) {
    Shown w;
    w.graph.setMarkerPosition(38353.25);
    w.graph.request(kActionRedraw);
    EXPECT_DOUBLE_EQ(w.graph.markerPosition(), 38353.25);
    EXPECT_EQ(w.graph.zoomedXMin(), 0.0);
    EXPECT_EQ(w.graph.zoomedXMax(), 100.0);
    w.graph.request(kActionUndoZoom);
    EXPECT_EQ(w.zoomOuts, 1);
    EXPECT_EQ(w.zoomIns, 0);
    EXPECT_EQ(w.graph.widget()->objectName(), QStringLiteral("Pesgo1"));
}

TEST(QcpGraph, RubberBandZoomAndBack) {
    Shown w;
    w.load();
    const QCPRange all = w.xDays();
    // The records with a hundredth of their span either side, so the marker clears the frame.
    const double pad = 71.9 / 86400;
    EXPECT_NEAR(all.lower, at(8, 0, 0) - pad, 1e-9);
    EXPECT_NEAR(all.upper, at(8, 0, 0) + 7190.0 / 86400 + pad, 1e-9);

    // The rubber band: what QCustomPlot does when the mouse drags out a rectangle.
    const QRect band = w.graph.plot()->axisRect()->rect().adjusted(200, 50, -300, -50);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(band.bottomRight()), QPointF(band.bottomRight()),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    emit w.graph.plot()->selectionRect()->accepted(band, &release);
    EXPECT_EQ(w.zoomIns, 1);
    const double lo = w.graph.zoomedXMin(), hi = w.graph.zoomedXMax();
    EXPECT_GT(lo, all.lower);
    EXPECT_LT(hi, all.upper);

    // A redraw (e.g. a record shown) keeps the zoom; undoing it fits the data again.
    w.builder.rebuildPlot();
    EXPECT_DOUBLE_EQ(w.graph.zoomedXMin(), lo);
    w.graph.request(kActionUndoZoom);
    EXPECT_EQ(w.zoomOuts, 1);
    EXPECT_EQ(w.graph.zoomedXMin(), 0.0);
    EXPECT_EQ(w.graph.zoomedXMax(), 100.0);
    EXPECT_NEAR(w.xDays().lower, all.lower, 1e-9);
    EXPECT_NEAR(w.xDays().upper, all.upper, 1e-9);
}

TEST(QcpGraph, ClickChoosesThePointsRow) {
    Shown w;
    w.load();
    QCustomPlot *p = w.graph.plot();
    const int row = 300;
    const QPoint pos(int(std::lround(p->xAxis->coordToPixel(QcpGraph::dayToKey(w.graph.xData(0, row))))),
                     int(std::lround(p->yAxis->coordToPixel(w.graph.yData(0, row)))));
    QTest::mouseClick(p, Qt::LeftButton, Qt::NoModifier, pos);
    ASSERT_EQ(w.chosen.size(), 1u);
    EXPECT_NEAR(w.chosen[0], row, 2);  // ten-second points lie about a pixel apart
    // Far from the line, the record nearest in time all the same; outside the plot area, none.
    QTest::mouseClick(p, Qt::LeftButton, Qt::NoModifier, QPoint(pos.x(), p->axisRect()->rect().bottom() - 3));
    ASSERT_EQ(w.chosen.size(), 2u);
    EXPECT_NEAR(w.chosen[1], row, 2);
    QTest::mouseClick(p, Qt::LeftButton, Qt::NoModifier, QPoint(pos.x(), p->axisRect()->rect().top() - 5));
    EXPECT_EQ(w.chosen.size(), 2u);
}

TEST(QcpGraph, PanWheelAndStepsBack) {
    Shown w;
    w.load();
    QCustomPlot *p = w.graph.plot();
    const QCPRange x0 = p->xAxis->range(), y0 = p->yAxis->range();
    const QPoint c = p->axisRect()->center();
    const double perPixel = x0.size() / p->axisRect()->width();
    // Ctrl+drag 100 px to the right shows earlier times; no rubber band, no click.
    QTest::mousePress(p, Qt::LeftButton, Qt::ControlModifier, c);
    QTest::mouseMove(p, c + QPoint(100, 0));
    QTest::mouseRelease(p, Qt::LeftButton, Qt::ControlModifier, c + QPoint(100, 0));
    EXPECT_NEAR(p->xAxis->range().lower, x0.lower - 100 * perPixel, perPixel);
    EXPECT_NEAR(p->xAxis->range().size(), x0.size(), 1e-6);
    EXPECT_EQ(w.zoomIns, 1);
    EXPECT_TRUE(w.chosen.empty());
    const QCPRange x1 = p->xAxis->range();
    // The middle button pans too, here up: the values move, the times stay.
    QTest::mousePress(p, Qt::MiddleButton, Qt::NoModifier, c);
    QTest::mouseMove(p, c + QPoint(0, -50));
    QTest::mouseRelease(p, Qt::MiddleButton, Qt::NoModifier, c + QPoint(0, -50));
    EXPECT_EQ(p->xAxis->range(), x1);
    EXPECT_LT(p->yAxis->range().lower, y0.lower);
    const QCPRange y2 = p->yAxis->range();

    auto wheel = [&](Qt::KeyboardModifiers m) {
        QWheelEvent e(QPointF(c), QPointF(p->mapToGlobal(c)), QPoint(), QPoint(0, 120), Qt::NoButton, m,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(p, &e);
    };
    wheel(Qt::NoModifier);  // the time axis alone
    EXPECT_LT(p->xAxis->range().size(), x1.size());
    EXPECT_EQ(p->yAxis->range(), y2);
    const QCPRange x3 = p->xAxis->range();
    wheel(Qt::ShiftModifier);  // the values alone
    EXPECT_EQ(p->xAxis->range(), x3);
    EXPECT_LT(p->yAxis->range().size(), y2.size());

    // Back through the four steps, the last one out of the zoom.
    w.graph.request(kActionZoomBack);
    EXPECT_EQ(p->yAxis->range(), y2);
    w.graph.request(kActionZoomBack);
    EXPECT_EQ(p->xAxis->range(), x1);
    w.graph.request(kActionZoomBack);
    EXPECT_EQ(p->yAxis->range(), y0);
    EXPECT_EQ(w.zoomOuts, 0);
    w.graph.request(kActionZoomBack);
    EXPECT_EQ(w.zoomOuts, 1);
    EXPECT_EQ(w.graph.zoomedXMax(), kUnzoomedHi);
    EXPECT_EQ(p->xAxis->range(), x0);
}

// The crosshair reads the record under the pointer and redraws its own layer only.
TEST(QcpGraph, CrosshairShowsTheValuesUnderThePointer) {
    Shown w;
    w.load();
    QCustomPlot *p = w.graph.plot();
    const int row = 420;
    const QPoint pos(int(std::lround(p->xAxis->coordToPixel(QcpGraph::dayToKey(w.graph.xData(0, row))))),
                     p->axisRect()->center().y());
    QApplication::processEvents();  // the replot the first show queued
    const int before = w.fullReplots;
    QTest::mouseMove(p, pos);
    EXPECT_EQ(w.fullReplots, before);
    const QString text = w.graph.crosshairText(pos);
    const QStringList lines = text.split(u'\n');
    ASSERT_EQ(lines.size(), 3) << text.toStdString();
    // Row 420 is 8:00 + 4200 s = 09:10:00; pH-1 = 7.5 + 0.4 sin(7) = 7.76279, pH-2 = 3.8 (python3).
    const std::optional<double> shown = dt::parse(lines[0]);
    ASSERT_TRUE(shown);
    EXPECT_NEAR(*shown, at(9, 10, 0), 20.0 / 86400);  // two points a pixel
    const int r = int(std::lround((*shown - at(8, 0, 0)) * 8640));
    EXPECT_EQ(lines[1],
              QStringLiteral("pH-1: %1").arg(QString::number(double(float(7.5 + 0.4 * std::sin(r / 60.0))), 'g', 6)));
    EXPECT_EQ(lines[2], QStringLiteral("pH-2: %1").arg(QString::number(double(float(8.0 - r / 100.0)), 'g', 6)));
    EXPECT_TRUE(p->layer(QStringLiteral("crosshair"))->children().size() >= 3);
    const QString file = QDir::temp().filePath(QStringLiteral("brinewick_crosshair_grab.png"));
    ASSERT_TRUE(w.graph.widget()->grab().save(file));
    EXPECT_TRUE(w.graph.crosshairText(QPoint(pos.x(), p->axisRect()->rect().top() - 5)).isEmpty());
}

TEST(QcpGraph, ManualLimitsAndMarkerOnlyRedraw) {
    Shown w;
    w.load();
    w.inputs.autoscale = false;
    w.inputs.start = dt::recordText(at(8, 30, 0));
    w.inputs.end = dt::recordText(at(9, 0, 0));
    w.inputs.yMin = QStringLiteral("6.5");
    w.inputs.yMax = QStringLiteral("8.5");
    w.builder.rebuildPlot();
    EXPECT_NEAR(w.xDays().lower, at(8, 30, 0), 1e-9);
    EXPECT_NEAR(w.xDays().upper, at(9, 0, 0), 1e-9);
    EXPECT_DOUBLE_EQ(w.graph.plot()->yAxis->range().lower, 6.5);

    w.inputs.yMin = QStringLiteral("-");  // half-typed: that limit stays
    w.inputs.yMax = QStringLiteral("9");
    w.builder.rebuildPlot();
    EXPECT_DOUBLE_EQ(w.graph.plot()->yAxis->range().lower, 6.5);
    EXPECT_DOUBLE_EQ(w.graph.plot()->yAxis->range().upper, 9.0);
    EXPECT_EQ(w.zoomIns + w.views, 0);  // our own range changes are no user zoom

    const int before = w.fullReplots;
    w.builder.markPlotTime(at(8, 45, 0));
    EXPECT_EQ(w.fullReplots, before);  // only the marker layer was redrawn
    EXPECT_DOUBLE_EQ(w.graph.markerPosition(), at(8, 45, 0));
}

TEST(QcpGraph, GrabForALook) {
    Shown w;
    w.load();
    w.builder.markPlotTime(at(8, 40, 0));
    const QString file = QDir::temp().filePath(QStringLiteral("brinewick_plot_grab.png"));
    ASSERT_TRUE(w.graph.widget()->grab().save(file));
    std::printf("graph image: %s\n", qPrintable(file));
}

TEST(QcpGraph, ShiftDragPicksASpanInsteadOfZooming) {
    Shown w;
    w.load();
    std::vector<std::pair<double, double>> spans;
    w.graph.onSpanPicked = [&](double a, double b) { spans.emplace_back(a, b); };
    QCustomPlot *p = w.graph.plot();
    auto pixelOf = [&](int row) {
        return QPoint(int(std::lround(p->xAxis->coordToPixel(QcpGraph::dayToKey(w.graph.xData(0, row))))),
                      p->axisRect()->center().y());
    };
    // Right to left: the span still runs from the earlier time.
    QTest::mousePress(p, Qt::LeftButton, Qt::ShiftModifier, pixelOf(500));
    QTest::mouseMove(p, pixelOf(200));
    QTest::mouseRelease(p, Qt::LeftButton, Qt::ShiftModifier, pixelOf(200));
    ASSERT_EQ(spans.size(), 1u);
    const double perPixel = p->xAxis->range().size() / p->axisRect()->width() / 86400.0;
    EXPECT_NEAR(spans[0].first, w.graph.xData(0, 200), 2 * perPixel);
    EXPECT_NEAR(spans[0].second, w.graph.xData(0, 500), 2 * perPixel);
    EXPECT_EQ(w.zoomIns, 0);

    // Without Shift the same drag zooms as before.
    QTest::mousePress(p, Qt::LeftButton, Qt::NoModifier, pixelOf(500));
    QTest::mouseMove(p, pixelOf(200));
    QTest::mouseRelease(p, Qt::LeftButton, Qt::NoModifier, pixelOf(200));
    EXPECT_EQ(spans.size(), 1u);
    EXPECT_EQ(w.zoomIns, 1);
}

// New values over as many points at the same times (a new Compute) are drawn, not the lines
// the last draw made of the old ones; the picture is that of a graph given them at once.
TEST(QcpGraph, NewValuesAtTheSameTimesAreDrawnAsNew) {
    auto wave = [](DataTable &t, double amplitude) {
        for (int r = 0; r < 720; ++r) t.setCell(r, colPH1, Cell(7.5 + amplitude * std::sin(r / 60.0)));
    };
    Shown w, fresh;
    w.load();
    w.graph.plot()->replot();
    const QImage before = w.graph.widget()->grab().toImage();
    wave(w.dataSet.DATA(), 0.1);
    w.builder.rebuildPlot();
    fresh.load();
    wave(fresh.dataSet.DATA(), 0.1);
    fresh.builder.rebuildPlot();
    const QImage after = w.graph.widget()->grab().toImage();
    EXPECT_NE(after, before);
    EXPECT_EQ(after, fresh.graph.widget()->grab().toImage());
}

// A log that grows: points that fit the view are drawn alone, and look as a full redraw draws
// them; points that would move an autoscaled axis redraw it all.
TEST(QcpGraph, AppendedPointsRedrawAloneOnlyWhileTheViewStays) {
    Shown w;
    w.load();
    w.graph.plot()->replot();  // the ticks settled for the shown size
    IGraph &g = w.graph;
    auto append = [&](double day, std::optional<float> value = std::nullopt) {
        const int last = g.pointCount() - 1;
        for (int s = 0; s < g.seriesCount(); ++s) {
            const float y = value.value_or(g.yData(s, last));
            g.appendSeriesData(s, &day, &y, 1);
        }
        g.request(kActionRedraw);
    };
    const double tenSeconds = 10.0 / 86400;
    double day = g.xData(0, g.pointCount() - 1) + tenSeconds;
    int before = w.fullReplots;
    append(day);
    g.replaceFlagMarksFrom(g.flagMarks().size(), {day});
    g.request(kActionRedraw);
    EXPECT_EQ(w.fullReplots, before);
    EXPECT_EQ(g.pointCount(), 721);
    const QImage alone = w.graph.widget()->grab().toImage();
    w.graph.plot()->layer("tail")->setVisible(false);  // the data layer holds every point too
    w.graph.plot()->replot();
    const QImage full = w.graph.widget()->grab().toImage();
    ASSERT_EQ(alone.size(), full.size());
    int differ = 0;
    for (int y = 0; y < full.height(); ++y)
        for (int x = 0; x < full.width(); ++x) differ += alone.pixel(x, y) != full.pixel(x, y);
    EXPECT_LE(differ, 8);  // at most where two line ends meet instead of one bend
    w.graph.plot()->layer("tail")->setVisible(true);

    before = w.fullReplots;
    append(day += tenSeconds, 12.0f);  // above every value: the Y axis takes it in
    EXPECT_GT(w.fullReplots, before);
    EXPECT_GT(w.graph.plot()->yAxis->range().upper, 12.0);

    before = w.fullReplots;
    append(day += 1.0 / 24);  // an hour later: past the room at the right
    EXPECT_GT(w.fullReplots, before);
    EXPECT_GT(w.xDays().upper, day);

    before = w.fullReplots;
    g.replaceFlagMarksFrom(0, {});  // marks that go need the data layer drawn again
    g.request(kActionRedraw);
    EXPECT_GT(w.fullReplots, before);

    w.graph.plot()->xAxis->scaleRange(0.5);  // zoomed in: the view stays where it was put
    const QCPRange zoomed = w.graph.plot()->xAxis->range();
    before = w.fullReplots;
    append(day += 1.0 / 24, 20.0f);
    EXPECT_EQ(w.fullReplots, before);
    EXPECT_EQ(w.graph.plot()->xAxis->range(), zoomed);
}

// The line breaks off across a gap between records, and goes on either side of it.
TEST(QcpGraph, NoLineAcrossAGap) {
    Shown w;
    std::vector<double> times;
    for (int i = 0; i < 720; ++i) times.push_back(at(i < 360 ? 8 : 9, i < 360 ? 0 : 30, 0) + (i % 360) * 10.0 / 86400);
    fillRecords(w.dataSet, times);
    DataTable &t = w.dataSet.DATA();
    for (int r = 0; r < 720; ++r) t.setCell(r, colPH1, Cell(7.5));
    w.builder.rebuildPlot();
    QCustomPlot *p = w.graph.plot();
    auto lineAt = [&](double day) {
        const QImage image = w.graph.widget()->grab().toImage();
        const int x = int(std::lround(p->xAxis->coordToPixel(QcpGraph::dayToKey(day))));
        const int y = int(std::lround(p->yAxis->coordToPixel(7.5)));
        for (int dy = -1; dy <= 1; ++dy)
            if (image.pixelColor(x, y + dy) != QColor(Qt::black)) return true;
        return false;
    };
    EXPECT_TRUE(lineAt(at(9, 15, 0)));  // drawn across the hour without records

    const std::vector<Gap> gaps = findGaps(t, 10.0 / 1440);
    ASSERT_EQ(gaps.size(), 1u);
    w.builder.setGaps(&gaps);
    w.builder.rebuildPlot();
    EXPECT_FALSE(lineAt(at(9, 15, 0)));
    EXPECT_TRUE(lineAt(at(8, 30, 0)));
    EXPECT_TRUE(lineAt(at(10, 0, 0)));
}

TEST(QcpGraph, ALongSeriesHeldAsAnEnvelopeDrawsAndReadsAsItsRows) {
    Shown w;
    std::vector<double> times;
    for (int i = 0; i < 300000; ++i) times.push_back(at(0, 0, 0) + i / 86400.0);
    w.dataSet.setRecordLimit(300000);
    fillRecords(w.dataSet, times);
    DataTable &t = w.dataSet.DATA();
    for (int r = 0; r < 300000; ++r) t.setCell(r, colPH1, Cell(7.5 + 0.4 * std::sin(r / 4500.0) + 0.01 * (r % 7)));
    t.setCell(241234, colPH1, Cell(8.6));  // one record alone must still show
    w.inputs.plotPH2 = false;
    w.inputs.autoscale = false;
    w.inputs.yMin = QStringLiteral("6.9");
    w.inputs.yMax = QStringLiteral("8.7");
    w.inputs.start = dt::recordText(times.front());
    w.inputs.end = dt::recordText(times.back());
    w.builder.rebuildPlot();
    QCustomPlot *p = w.graph.plot();
    auto shot = [&](std::size_t envelopeFrom, std::optional<QCPRange> keys) {
        QcpGraph::setEnvelopeFrom(envelopeFrom);
        w.builder.fillPlotData();
        if (keys) {
            p->xAxis->setRange(*keys);
            p->replot();
        }
        return w.graph.widget()->grab().toImage();
    };
    const QImage whole = shot(std::size_t(1) << 40, std::nullopt);
    const QImage wholeEnvelope = shot(1000, std::nullopt);
    int differ = 0;
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x) differ += whole.pixel(x, y) != wholeEnvelope.pixel(x, y);
    EXPECT_LT(differ, whole.width() * whole.height() / 500);
    const int spikeY = int(std::lround(p->yAxis->coordToPixel(8.6)));
    const int spikeX = int(std::lround(p->xAxis->coordToPixel(QcpGraph::dayToKey(times[241234]))));
    ASSERT_TRUE(wholeEnvelope.rect().contains(spikeX, spikeY + 1));
    EXPECT_NE(wholeEnvelope.pixelColor(spikeX, spikeY + 1), QColor(Qt::black));

    // Zoomed to a few hundred records, the rows themselves are drawn again.
    const QCPRange keys(QcpGraph::dayToKey(times[150000]), QcpGraph::dayToKey(times[150300]));
    const QImage zoomed = shot(std::size_t(1) << 40, keys);
    EXPECT_EQ(zoomed, shot(1000, keys));

    // Read-backs, the crosshair and a click give the rows, not the envelope's points.
    EXPECT_EQ(w.graph.xData(0, 150123), times[150123]);
    EXPECT_EQ(w.graph.yData(0, 150123), float(t.numbers(colPH1)[150123]));
    const QPoint pos(int(std::lround(p->xAxis->coordToPixel(QcpGraph::dayToKey(times[150123])))), 200);
    QTest::mouseClick(p, Qt::LeftButton, Qt::NoModifier, pos);
    ASSERT_EQ(w.chosen.size(), 1u);
    EXPECT_NEAR(w.chosen[0], 150123, 1);
    QcpGraph::setEnvelopeFrom(std::size_t(1) << 21);
}

TEST(QcpGraph, ManyFlagMarksDrawAsTheyWouldAllHeld) {
    Shown w;
    w.load();
    // Every other record flagged, and a lone one later: drawn from the days once they are many.
    std::vector<double> days;
    for (int r = 0; r < 720; r += 2) days.push_back(w.graph.xData(0, r));
    QCustomPlot *p = w.graph.plot();
    auto shot = [&](std::size_t thinFrom, std::optional<QCPRange> keys) {
        QcpGraph::setThinMarksFrom(thinFrom);
        w.graph.setFlagMarks({});
        w.graph.request(kActionRedraw);
        w.graph.setFlagMarks(days);
        w.graph.request(kActionRedraw);
        if (keys) {
            p->xAxis->setRange(*keys);
            p->replot();
        }
        return w.graph.widget()->grab().toImage();
    };
    const QImage whole = shot(std::size_t(1) << 40, std::nullopt);
    EXPECT_EQ(shot(100, std::nullopt), whole);
    const QCPRange keys(QcpGraph::dayToKey(days[40]), QcpGraph::dayToKey(days[60]));
    const QImage zoomed = shot(std::size_t(1) << 40, keys);
    EXPECT_EQ(shot(100, keys), zoomed);
    QcpGraph::setThinMarksFrom(65536);
}
