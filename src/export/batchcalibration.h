#pragma once
// --calibrate of the batch command: buffer points from a file, fitted per probe, applied to the
// workbench's calibration as the window's Apply and Compute would.
#include <QString>
#include <QStringList>
#include "compute/buffercalibration.h"

#include <array>
#include <vector>

class DataTable;
struct Calibration;

struct BatchCalibration {
    QString error;                                   // the points file could not be read or parsed
    std::array<QStringList, 2> lines;                // per probe: its points and the result with its verdict
    bool failed = false;                             // a probe had no result or a fail verdict; nothing was applied
    std::array<std::vector<BufferPoint>, 2> points;  // per probe: the points fitted
};

// Applies nothing unless every probe named in the file passes or warns.
BatchCalibration calibrateFromPointsFile(const QString &path, const DataTable &table, Calibration &calibration);
