#pragma once
// pH of both probes from the raw signals, the calibration and the chosen thermistors.
#include <QString>
#include <cmath>
#include <optional>
#include <vector>

class DataTable;

inline constexpr double kKelvinOffset = 273.15;
inline constexpr double kNernstFactor = 0.000198416;  // R ln10 / F, volts per kelvin
inline constexpr double kMillivoltsPerVolt = 1000.0;
inline constexpr double kNeutralPH = 7.0;

// One probe's inputs, read once before the first record.
struct ProbeInputs {
    double slope = 1.0, offset = 0.0, corr = 0.0;
    int thermistor = 0;      // 0..2: thermistor 1..3
    double thermCorr = 0.0;  // that thermistor's correction, degrees Celsius
};

// Rounds to 4 decimals, half-way cases to the even last digit (on the decimal value).
// Inline, and std::nearbyint only where it must: the library call was most of Compute's time.
// Adding and taking away 1.5 x 2^52 leaves no fraction bits and rounds half to even, as
// nearbyint does in the default mode; copysign keeps a -0. From 2^51 on that trick fails.
inline constexpr double kRoundShift = 6755399441055744.0, kRoundExactBelow = 2251799813685248.0;
inline double roundPH(double value) {
    const double x = value * 10000.0;
    const double whole =
        std::fabs(x) < kRoundExactBelow ? std::copysign((x + kRoundShift) - kRoundShift, x) : std::nearbyint(x);
    return whole / 10000.0;
}

// One probe's pH for given cell values; nothing when the arithmetic cannot be done.
std::optional<double> probePH(double temperature, double raw, const ProbeInputs &in);

// Where and why a computation stopped.
struct ComputeStop {
    int row = -1;
    QString reason;  // e.g. "the pH-1 slope is 0"
};

// Computes pH-1 and pH-2 for every row of the table in order; stops at the first record whose
// arithmetic cannot be done, keeping the rows before it. Never writes a non-finite value. A
// probe whose raw reading or thermistor temperature cell is empty gets an empty pH cell.
std::optional<ComputeStop> computeAll(DataTable &table, const ProbeInputs &probe1, const ProbeInputs &probe2);

// The same for rows first..last only (records appended since the last computation).
std::optional<ComputeStop> computeRows(DataTable &table, int first, const ProbeInputs &probe1,
                                       const ProbeInputs &probe2);

// The inputs of the rows from firstRow on, up to the next span's first (a calibration segment).
struct ComputeSpan {
    int firstRow = 0;
    ProbeInputs probe1, probe2;
};

// computeRows with each row's inputs from its span: rows first.. to the end, the spans in row
// order (rows before the first span's first are not computed).
std::optional<ComputeStop> computeSpans(DataTable &table, int first, const std::vector<ComputeSpan> &spans);

// The message shown for a stop: names the value and the record.
QString computeStopMessage(const ComputeStop &stop, const DataTable &table);
// The same with the record's date-time text given (none: the record is not in a table).
QString computeStopMessage(const ComputeStop &stop, const std::optional<QString> &recordTime);
