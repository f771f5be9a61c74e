#pragma once
// The quality-flag limits as remembered in the settings store (group "QualityFlags").
#include "compute/qualityflags.h"

class QSettings;

// Limits a flag can work with: positive pH and temperature limits, a run of 2 records or more.
bool sensibleLimits(const QualityLimits &limits);
// The remembered limits; the defaults for a missing or nonsensical value.
QualityLimits loadQualityLimits(QSettings &settings);
void saveQualityLimits(QSettings &settings, const QualityLimits &limits);

// The gap limit in minutes, remembered beside the limits; a limit of 0 would make every step a gap.
inline constexpr double kMinGapMinutes = 0.1, kMaxGapMinutes = 100000.0;
double loadGapMinutes(QSettings &settings);
void saveGapMinutes(QSettings &settings, double minutes);
