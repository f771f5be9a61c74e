#pragma once
// A span of records read as one buffer point: the probe's raw reading and the temperature of
// its thermistor averaged, with the spread and the drift that tell whether the probe had settled.
#include "compute/buffercalibration.h"

#include <QString>
#include <QStringView>
#include <optional>
#include <utility>

class DataTable;

struct SpanSource {
    int probe = 0;           // 0: pH-1 (colPH1Raw), 1: pH-2 (colPH2Raw)
    int thermistor = 0;      // 0..2: thermistor 1..3
    double thermCorr = 0.0;  // that thermistor's correction, degrees Celsius
};

struct SpanStats {
    QString error;  // the span could not be read; the rest is then meaningless
    int fromRow = 0, toRow = 0;
    int count = 0;    // records used
    int skipped = 0;  // records whose reading, temperature or date-time is not a number
    double meanMV = 0, sdMV = 0;
    double meanTemperature = 0, sdTemperature = 0;  // with the thermistor's correction
    std::optional<double> drift;                    // mV per minute; nothing without two distinct times
    bool stable = false;

    bool ok() const { return error.isEmpty(); }
    BufferPoint point(double pH) const { return {pH, meanMV, meanTemperature, !stable}; }
};

// Rows fromRow..toRow (either order, both included). Standard deviations are of the sample
// (n - 1). "Not stable": fewer than limits.minRecords records, or |drift| above limits.driftLimit
// (or no drift to judge).
SpanStats spanStats(const DataTable &table, int fromRow, int toRow, const SpanSource &source,
                    const CalibrationLimits &limits = {});

// The first and the last row whose date-time lies within [fromDay, toDay]; nothing when none does.
std::optional<std::pair<int, int>> rowsBetween(const DataTable &table, double fromDay, double toDay);

// "12 records, mean -177.02 mV (sd 0.15), 25.03 °C (sd 0.02), drift +0.012 mV/min", then
// ", not stable" where it applies.
QString spanSummary(const SpanStats &stats);

// The rows of a span typed as two texts, each a record number (row index) or a date-time:
// a From date-time starts at the first record at or after it, a To date-time ends at the last
// record at or before it.
struct SpanRows {
    int from = 0, to = 0;
    QString error;
    bool ok() const { return error.isEmpty(); }
};
SpanRows spanRowsFromTexts(const DataTable &table, QStringView from, QStringView to);
