#pragma once
// The statistics of a row range as CSV, for brinewick-export --stats.
#include "compute/statistics.h"

#include <QByteArray>

// Columns quantity,count,min,max,mean,sd,first,last,difference: a Date/Time row (records in
// the range, first and last date-time as min and max), one row per series and one for the
// total volume (first, last, difference). A value a row lacks is left empty.
QByteArray statisticsCsv(const RangeStats &stats, const DataTable &table);
