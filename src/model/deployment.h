#pragma once
// A deployment: logs read one by one, joined as one record in time order. Which log each row
// came from (its rows' range), the records two logs both hold, and the steps between records
// too long to draw across are kept beside DATA, never in it.
#include "model/clsdataset.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <span>
#include <vector>

// One log as read on its own.
struct DeploymentLog {
    QString path;
    clsDataSet data;
};

// What the joined record keeps of a log.
struct JoinedLog {
    QString path;
    int records = 0;                   // read from it
    int firstRow = 0;                  // its first row in the joined table (its rows follow one another)
    int rows = 0;                      // its rows there: the records less those another log already held
    double firstDay = 0, lastDay = 0;  // its first and last record's date-time (NaN: none)
    std::size_t source = 0;            // its place among the logs as given
    std::vector<int> dropped;          // its records (its own numbering) not in the joined table
    qint64 bytes = 0;                  // as read, with their SHA-256 (the reader's caller sets them)
    QByteArray sha256{};
    // The joined row of its record r, or of the record after it when r was dropped.
    int rowOf(int r) const;
};

struct Join {
    std::vector<JoinedLog> logs;  // in time order, their rows one after another
    // Rows whose date-time another log holds with other values (both are kept), in order: they
    // are rare, so a month of rows pays nothing for them.
    std::vector<int> conflictRows;
    int duplicatesDropped = 0;  // records another log held with the same date-time and values
    int conflicts = 0;          // rows in `conflictRows`
    int leftOut = 0;            // records past the record limit
    // One line for each log whose column names differ from the deployment's.
    QStringList columnDifferences;
    // The log of a row, an index into logs, found from their rows' ranges rather than held per
    // row; -1 past the last log's rows.
    int logOf(int row) const;
};

// Joins the logs into `into` (emptied first, its record limit kept): in the order of their
// first record's date-time (logs without a record last, as given), each log's records in their
// own order, columns matched by name (a column a log lacks gives empty cells; a log without
// column names keeps its positions). A record whose date-time and values an earlier log holds
// is dropped. Records past the record limit are left out and counted. Each log's table is
// emptied as its records join, so a deployment is not held twice.
Join joinLogs(std::vector<DeploymentLog> &logs, clsDataSet &into);

// Appends records from..end of a joined log's own table (a followed log that grew) to the joined
// data set, its columns placed by name as joinLogs places them, as rows of join.logs[index]
// with no conflict marked; that log must be the last, whose rows end the table. Returns the
// first new row.
int appendToJoin(Join &join, std::size_t index, clsDataSet &log, int from, clsDataSet &into);

// A step between two rows longer than a limit.
struct Gap {
    int fromRow = 0, toRow = 0;  // the rows either side
    double fromDay = 0, toDay = 0;
    bool operator==(const Gap &) const = default;
};
// The steps longer than `limitDays` between rows with date-times (a row without one is passed
// over), those into rows from `from` on only: rows appended to a table need only their own looked at.
std::vector<Gap> findGaps(const DataTable &table, double limitDays, int from = 0);
// The gap limit a person starts with, in minutes.
inline constexpr double kDefaultGapMinutes = 10.0;
// The gaps of `gaps` (in row order) with both rows in first..last.
std::span<const Gap> gapsWithin(const std::vector<Gap> &gaps, int first, int last);
// A duration in its two largest units: "3 h 20 min", "10 min", "2 d 4 h", "45 s".
QString durationText(double days);
