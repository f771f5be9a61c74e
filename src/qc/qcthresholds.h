#pragma once
// The thresholds of the quality-control tests. The pH defaults are those of the U.S. IOOS QARTOD
// manual for real-time quality control of pH (version 1.0, 2019) as this instrument's users
// apply them; where the manual leaves a number to the operator, the choice is said beside it.
#include <QString>
#include <array>
#include <vector>

// A suspect span of one calendar month (climatology); unset: the month is not evaluated.
struct QcMonthSpan {
    bool set = false;
    double min = 0, max = 0;
    bool operator==(const QcMonthSpan &) const = default;
};

struct QcThresholds {
    double gapMinutes = 10;  // the deployment's gap limit
    // Gross range, pH: the sensor's span (fail) and the span a person expects (suspect).
    double phSensorMin = 0, phSensorMax = 14;
    double phUserMin = 6.5, phUserMax = 9.0;
    // Gross range, temperature (degrees C): the thermistors' rated span, and the water the
    // instrument is used in.
    double tSensorMin = -5, tSensorMax = 50;
    double tUserMin = 0, tUserMax = 35;
    std::array<QcMonthSpan, 12> climatology{};     // pH, January first
    double spikeSuspect = 0.1, spikeFail = 0.3;    // pH from the mean of the two neighbours
    double tSpikeSuspect = 0.5, tSpikeFail = 1.0;  // degrees C
    double rateSuspectPerHour = 1.0;               // pH per hour
    double rateFailPerHour = 0;                    // 0: no fail threshold
    double flatSuspectMinutes = 30, flatFailMinutes = 120;
    double flatTolerance = 0.001;                // pH: a window whose range is below this is flat
    double tFlatTolerance = 0.01;                // degrees C: the thermistors' resolution in the log
    double probeSuspect = 0.2, probeFail = 0.5;  // |pH-1 - pH-2|
    double thermistorSuspect = 2.0;              // degrees C between the thermistors
    bool operator==(const QcThresholds &) const = default;
};

// Thresholds the tests can work with: each span's bounds in order, suspect at or below fail,
// positive tolerances and times.
bool sensibleThresholds(const QcThresholds &th);

// One threshold as a person edits it: where its value lives, its caption, unit and the source
// of its default. The climatology is edited apart.
struct QcThresholdField {
    double QcThresholds::*value;
    const char *key;      // in the settings store
    const char *caption;  // "Spike, suspect"
    const char *unit;     // "pH", "\u00B0C", "min", "pH/h"
    const char *source;   // where the default comes from
};
const std::vector<QcThresholdField> &qcThresholdFields();
