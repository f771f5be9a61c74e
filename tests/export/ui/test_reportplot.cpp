// The report's plot: a light copy of the window's plot for paper.
#include "export/ui/reportplot.h"
#include "plot/ui/qcpgraph.h"

#include <QImage>
#include <QPainter>
#include <functional>
#include <gtest/gtest.h>

namespace {
int countPixels(const QImage &image, const QRect &area, const std::function<bool(QColor)> &match) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += match(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}
}  // namespace

TEST(ReportPlot, PrintsLightWithoutTheMarkerAndNamesTheFlagMarks) {
    QcpGraph graph;
    graph.setSeriesCount(1);
    graph.setPointCount(50);
    double x[50];
    float y[50];
    for (int i = 0; i < 50; ++i) {
        x[i] = 38120.0 + i / 1440.0;
        y[i] = 7.0f + float(i % 5) * 0.1f;
    }
    graph.setSeriesData(0, x, y, 50);
    graph.setSeriesLabel(0, QStringLiteral("pH-1"));
    graph.setSeriesColor(0, 0x00FF00);  // the screen's light green
    graph.setMarkerPosition(x[25]);     // yellow on screen
    graph.setFlagMarks({x[10], x[40]});
    graph.request(kActionRedraw);

    const QPicture picture = reportPlotPicture(*graph.plot(), 1000, 420);
    QImage image(1000, 420, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.drawPicture(0, 0, picture);
    painter.end();

    const QRect all = image.rect();
    EXPECT_EQ(image.pixelColor(500, 200), QColor(Qt::white));  // the plot area
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::white));      // the surround
    auto bright = [](int v) { return v > 200; };
    auto dark = [](int v) { return v < 60; };
    EXPECT_EQ(countPixels(image, all, [&](QColor c) { return bright(c.red()) && bright(c.green()) && dark(c.blue()); }),
              0);  // no marker
    EXPECT_EQ(countPixels(image, all, [&](QColor c) { return dark(c.red()) && bright(c.green()) && dark(c.blue()); }),
              0);  // no light green
    EXPECT_GT(countPixels(image, all, [&](QColor c) { return dark(c.red()) && c.green() > 100 && dark(c.blue()); }),
              50);
    // The legend row holds the marks' triangle beside the series' line.
    EXPECT_GT(
        countPixels(image, QRect(0, 0, 1000, 30),
                    [&](QColor c) { return c.red() > 120 && c.green() > 40 && c.green() < 140 && dark(c.blue()); }),
        5);
}
