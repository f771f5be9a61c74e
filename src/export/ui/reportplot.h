#pragma once
// The plot as the report prints it: a copy of what the window's plot shows, in a light scheme
// for paper, so that printing changes nothing on screen.
#include <QPicture>

class QCustomPlot;

// The series and flag marks of `source` over the ranges it shows, drawn at width x height:
// white ground, dark axes and text, series colours dark enough to print, no record marker,
// and the flag marks in the legend. The points are shared with `source`, never copied.
QPicture reportPlotPicture(const QCustomPlot &source, int width, int height);
