#pragma once
// The statistics of a row range as CSV, for brinewick-export --stats.
#include "compute/statistics.h"

#include "qc/qctests.h"

#include <QByteArray>

// Columns quantity,count,min,max,mean,sd,first,last,difference: a Date/Time row (records in
// the range, first and last date-time as min and max), one row per series and one for the
// total volume (first, last, difference). A value a row lacks is left empty. With quality-control
// counts, then a row per series and result ("qc_ph1 flag 3") with the count of its records.
QByteArray statisticsCsv(const RangeStats &stats, const DataTable &table, const QcCounts *qc = nullptr);
// The same with the first and last row's date-time fields as they stand.
QByteArray statisticsCsv(const RangeStats &stats, const QByteArray &firstTime, const QByteArray &lastTime,
                         const QcCounts *qc = nullptr);
// A date-time cell as the CSVs write it: the date-time of a decimal day, else the cell's text.
QByteArray csvTimeField(double day, const QString &text);
