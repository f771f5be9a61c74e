#pragma once
// Quality flags per record: one bit set each, kept beside DATA (never in it).
#include <QString>
#include <climits>
#include <cstdint>
#include <optional>
#include <vector>

class DataTable;

enum QualityFlag : std::uint8_t {
    flagDisagree = 1,      // |pH-1 - pH-2| above the limit
    flagSpike = 2,         // a pH far from the median of the five records around it
    flagFlat = 4,          // a raw reading unchanged for a long run of records
    flagThermistors = 8,   // two thermistors apart by more than the limit
    flagNoFlow = 16,       // flow rate 0
    flagNotComputed = 32,  // the computation stopped before this record
    flagMissing = 64,      // a raw reading or thermistor temperature missing: a probe has no pH
    flagConflict = 128,    // another log of the deployment holds this date-time with other values
};
inline constexpr int kFlagKinds = 8;

struct QualityLimits {
    double disagree = 0.2;     // pH
    double spike = 0.3;        // pH
    int flatRecords = 30;      // records in a row
    double thermistors = 2.0;  // degrees Celsius
    bool operator==(const QualityLimits &) const = default;
};

// Flags of every row of the table; rows from computedRows on hold no computed pH.
std::vector<std::uint8_t> computeFlags(const DataTable &table, int computedRows, const QualityLimits &limits);

// Brings flags made for the table's first rows up to its rows now (records appended since):
// the new rows are flagged, and so are older rows whose flags the new ones change (a spike
// window, a flat run that goes on). The same as computeFlags of the whole table. Gives the
// first row whose flags may have changed; `totals`, the counts of all the flags, are kept up.
struct FlagCounts;
int extendFlags(const DataTable &table, int computedRows, const QualityLimits &limits, std::vector<std::uint8_t> &flags,
                FlagCounts *totals = nullptr);

// The letter of flag kind i (0..7, bit order): D S F T N X M C.
char flagLetter(int kind);
// One letter per set flag, in bit order ("DS", "N"); empty for none.
QString flagLetters(std::uint8_t flags);
// The set flags spelled out, one per line, with the limits that apply.
QString flagTooltip(std::uint8_t flags, const QualityLimits &limits);

struct FlagCounts {
    int flagged = 0;       // records with any flag
    int of[kFlagKinds]{};  // records with each flag, in bit order
    FlagCounts &operator+=(const FlagCounts &other);
    FlagCounts &operator-=(const FlagCounts &other);
    bool operator==(const FlagCounts &) const = default;
};
// Of rows first..last (clipped to the flags); all rows by default.
FlagCounts countFlags(const std::vector<std::uint8_t> &flags, int first = 0, int last = INT_MAX);
// "12 flagged: D 3, S 2, N 7" (kinds with none left out); "No flags" for none.
QString flagCountsText(const FlagCounts &counts);

// The nearest flagged row after (direction > 0) or before (direction < 0) `row`; nothing when
// there is none.
std::optional<int> nextFlaggedRow(const std::vector<std::uint8_t> &flags, int row, int direction);
