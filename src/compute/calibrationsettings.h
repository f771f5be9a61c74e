#pragma once
// The calibration limits as remembered in the settings store (group "Calibration").
#include "compute/buffercalibration.h"

class QSettings;

// The remembered limits; defaults for what is missing or makes no sense (a pass band wider
// than its warn band, a negative offset limit, a value that is not a number).
CalibrationLimits loadCalibrationLimits(QSettings &settings);
// Warn bands around pass bands, offsets not negative, at least one record, a pH span of 0 to 14.
bool sensibleLimits(const CalibrationLimits &limits);
void saveCalibrationLimits(QSettings &settings, const CalibrationLimits &limits);
