#pragma once
// The letters of the Flags column: a view of the quality-control results of a record, plus what
// the tests do not cover (no flow, not computed, missing value, conflict). One bit each.
#include "qc/qctests.h"

#include <QString>
#include <climits>
#include <cstdint>
#include <optional>
#include <vector>

enum QualityFlag : FlagMask {
    flagSpike = 1,          // a spike test suspect or fail (pH or temperature)
    flagFlat = 2,           // a flat-line test suspect or fail
    flagDisagree = 4,       // probe agreement suspect or fail
    flagThermistors = 8,    // thermistor agreement suspect
    flagNoFlow = 16,        // flow rate 0
    flagNotComputed = 32,   // the computation stopped before this record
    flagMissing = 64,       // a raw reading or thermistor temperature missing: a probe has no pH
    flagGap = 128,          // the record follows the one before by more than the gap limit
    flagRange = 256,        // a gross-range test suspect or fail
    flagClimatology = 512,  // outside the month's span
    flagSyntax = 1024,      // a field of the record's line missing or unreadable
    flagConflict = 2048,    // another log of the deployment holds this date-time with other values
};
inline constexpr int kFlagKinds = 12;

// The letter of flag kind i (bit order): S F D T N X M G R C Y O.
char flagLetter(int kind);
// One letter per set flag, in bit order ("SD", "N"); empty for none.
QString flagLetters(FlagMask flags);
// The letters of a record spelled out, one per line.
QString flagLegendLine(int kind);

// A record's tooltip: its letters spelled out, then each series' test results.
QString qcTooltip(FlagMask flags, const std::array<std::uint8_t, kQcColumns> &tests, const QcSetup &setup);

struct FlagCounts {
    int flagged = 0;       // records with any flag
    int of[kFlagKinds]{};  // records with each flag, in bit order
    FlagCounts &operator+=(const FlagCounts &other);
    FlagCounts &operator-=(const FlagCounts &other);
    bool operator==(const FlagCounts &) const = default;
};
// Of rows first..last (clipped to the flags); all rows by default.
FlagCounts countFlags(const std::vector<FlagMask> &flags, int first = 0, int last = INT_MAX);
// "12 flagged: S 3, D 2, N 7" (kinds with none left out); "No flags" for none.
QString flagCountsText(const FlagCounts &counts);

// The nearest flagged row after (direction > 0) or before (direction < 0) `row`; nothing when
// there is none.
std::optional<int> nextFlaggedRow(const std::vector<FlagMask> &flags, int row, int direction);
// The same for a row whose worse pH aggregate is suspect or fail.
std::optional<int> nextSuspectRow(const std::vector<QcAggregates> &aggregates, int row, int direction);
