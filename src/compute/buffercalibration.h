#pragma once
// A probe's slope factor and offset from buffer readings, and the verdict on them.
#include "compute/phcompute.h"

#include <QString>
#include <vector>

// One buffer reading: the buffer's pH at its temperature, the raw reading and the buffer's
// temperature (a thermistor's reading with its correction already added). This instrument's
// raw reading rises with pH: the opposite sign of a bench meter's mV.
struct BufferPoint {
    double pH = kNeutralPH;
    double mV = 0.0;
    double temperature = 25.0;  // degrees Celsius
    bool unstable = false;      // taken from a span marked "not stable"
};

inline constexpr int kMaxBufferPoints = 5;
// What a reading and a buffer's temperature can be; beyond them a point is a typing slip.
inline constexpr double kMaxPointMV = 2000.0;
inline constexpr double kMinPointTemperature = -5.0, kMaxPointTemperature = 105.0;

// What the person accepts; remembered between sessions (calibrationsettings.h).
struct CalibrationLimits {
    double slopePassLow = 95, slopePassHigh = 105;  // % of Nernst
    double slopeWarnLow = 90, slopeWarnHigh = 110;
    double offsetPass = 30, offsetWarn = 60;  // mV either side of 0
    double driftLimit = 0.5;                  // a span's drift, mV per minute
    int minRecords = 5;                       // a span's records
    double minPHSpan = 1.0;                   // two or more points: highest pH minus lowest

    bool operator==(const CalibrationLimits &) const = default;
};

enum class Verdict { Pass, Warn, Fail };
QString verdictText(Verdict v);  // "pass", "warn", "fail"
Verdict worse(Verdict a, Verdict b);
// The limits are inclusive: 95 % and 105 % pass, 110 % warns.
Verdict judgeSlope(double percent, const CalibrationLimits &limits);
Verdict judgeOffset(double mV, const CalibrationLimits &limits);

// The slope and offset are those the calibration fields take (their 4-place texts read back):
// what is applied is what is judged, printed and gives the residuals.
struct CalibrationResult {
    bool ok = false;                               // a slope and an offset were found
    QString error;                                 // why not, when !ok
    double slope = 0.0;                            // factor; 1 is 100 % of Nernst
    double offset = 0.0;                           // V
    double fittedSlope = 0.0, fittedOffset = 0.0;  // the fit before the fields' rounding
    std::vector<double> residuals;                 // per point: the pH the result gives minus the buffer's pH
    Verdict slopeVerdict = Verdict::Fail, offsetVerdict = Verdict::Fail, verdict = Verdict::Fail;
    // What the limits alone do not say: a negative slope, points from unstable spans.
    QString note;

    double slopePercent() const { return slope * 100.0; }
    double offsetMV() const { return offset * kMillivoltsPerVolt; }
};

// One point moves the offset only (the slope stays currentSlope); two points solve exactly;
// three to five fit the slope and offset by least squares of E against (pH - 7) K 0.000198416.
// A point from an unstable span caps the verdict at warn.
CalibrationResult calibrate(const std::vector<BufferPoint> &points, double currentSlope,
                            const CalibrationLimits &limits = {});
