#pragma once
// Calibration results as text: the lines the batch command prints, and the texts the
// calibration fields take.
#include "compute/calibrationpoints.h"

#include <QString>
#include <QStringList>

// The texts txtPHnSlope and txtPHnOffset hold for a slope factor and an offset in V: the
// fields' canonical form (4 places), as their focus-loss check writes it.
struct CalibrationFieldTexts {
    QString slope, offset;
};
CalibrationFieldTexts calibrationFieldTexts(double slope, double offset);
// The values the fields give back from those texts, what a computation then uses.
std::pair<double, double> calibrationFieldValues(double slope, double offset);

// "pH-1 slope 1.0007 (100.07 % of Nernst) pass, offset 0.0000 V (0.0 mV) pass: pass",
// or "pH-1: no result: <why>".
QString calibrationSummary(int probe, const CalibrationResult &result);

// One probe of a points file: a line per point (pH, reading, temperature, residual, and the
// span's statistics for a span), then the summary.
QStringList calibrationReportLines(int probe, const ProbeCalibration &calibration);
