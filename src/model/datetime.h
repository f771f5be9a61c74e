#pragma once
// Date-times are days counted from 30 December 1899 00:00:00; the fraction is the time of day.
#include <QString>
#include <QStringView>
#include <optional>

namespace dt {

inline constexpr double kSecondsPerDay = 86400.0;

// Calendar parts of a date-time, the time rounded to whole seconds.
struct Parts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

bool isValidDate(int year, int month, int day);
// Serial day number of a calendar date (30 December 1899 is 0).
double fromDate(int year, int month, int day);
double fromParts(const Parts &p);
Parts toParts(double value);
double today();

// The record text "M/d/yyyy hh:mm:ss" (the fixed short date form, 24-hour time).
QString recordText(double value);

// Reads a date-time written as month/day/year or year-month-day, with or without a time
// (24-hour or am/pm, seconds optional), or a time alone (date part 0). Dates written
// "dd-mmm-yyyy" and the time-first form "hh:mm:ss mm-dd-yyyy" are read too.
// Anything that is not a possible date-time gives nothing.
std::optional<double> parse(QStringView text);

// Writes a date-time with pattern letters: d dd m mm mmm yyyy h hh n nn s ss am/pm,
// case-insensitive; m after an hour token means minutes. An empty pattern writes the
// general form (date and time, date alone at midnight, time alone on day 0).
QString format(double value, QStringView pattern);

}  // namespace dt
