#pragma once
// The plot's X unit: days since 30 December 1899 plus the time of day, to whole seconds.
#include <QString>

// Decimal day of a date-time text; 0.0 when the text is not a date-time.
double dt2decimalday(const QString &myDT);
// "dd-mmm-yyyy hh:mm:ss" of a decimal day (seconds rounded, halves up); empty when the
// value is no date-time (not finite, or outside the years 100 to 9999).
QString decimalday2dt(double x);
// A date-time at whole-second resolution, the value dt2decimalday gives for its text.
double toDecimalDay(double dateTime);
