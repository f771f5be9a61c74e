#pragma once
// The quality-control thresholds as remembered in the settings store (group "QualityFlags",
// where the gap limit has always been kept).
#include "qc/qcthresholds.h"

class QSettings;

// The remembered thresholds; the default for a value missing or not a number, and all the
// defaults when together they make no sense (a suspect span wider than the sensor's is fine).
QcThresholds loadQcThresholds(QSettings &settings);
void saveQcThresholds(QSettings &settings, const QcThresholds &thresholds);

// The gap limit in minutes; a limit of 0 would make every step a gap.
inline constexpr double kMinGapMinutes = 0.1, kMaxGapMinutes = 100000.0;
double loadGapMinutes(QSettings &settings);
void saveGapMinutes(QSettings &settings, double minutes);
