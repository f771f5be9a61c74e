#pragma once
// The line classifier of probe log files: tells each line's kind by its content and hands
// back the value that kind carries.
#include "model/datatable.h"
#include "model/interaction.h"

#include <QString>
#include <optional>
#include <vector>

// What classifyLine hands back: a list for the kinds that carry one (column header, record,
// both-probe lines), one cell for the others.
struct Values {
    std::vector<Cell> list;
    Cell value;
};

// Result codes; the per-probe kinds are a base plus the probe number minus 1.
namespace linecode {
inline constexpr int InvalidStartDate = -1, Blank = 1, ColumnHeader = 2, StartDate = 3, Record = 4, Other = 5,
                     Slope1 = 10, Slope2 = 11, Offset1 = 20, Offset2 = 21, SerialNumber1 = 30, SerialNumber2 = 31,
                     CalibrationDate1 = 40, CalibrationDate2 = 41, BothSlopes = 50, BothOffsets = 51,
                     BothSerialNumbers = 52;
}

// A record keeps at most this many numbers after its time and a column header this many names
// after "Time": no probe log comes near it, and a hostile line must not make a table of
// millions of columns. The classifier reads one number more, so the reader can tell a
// record was cut.
inline constexpr int kMaxValues = 256;

// Removes the line's double quotes (and for codes 30/31/40/41 the key) and returns its code.
// An invalid start date is reported through ui and gives code -1.
int classifyLine(QString &line, Values &values, IInteraction &ui);

// The day of a start-date text "yyyy-m-d" (blanks around allowed); nothing if no valid date.
std::optional<double> startDateValue(QStringView text);
// A match of the number pattern as a 64-bit float; nothing if it lies beyond a double's range,
// 0 if it is too small for one.
std::optional<double> numberValue(QStringView text);
