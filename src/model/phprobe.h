#pragma once
#include <QString>

// Calibration of one pH probe, as the log file gives it. Checks and converts nothing.
class pHProbe {
public:
    void setCalibrationDate(const QString &vData) { m_calibrationDate = vData; }
    QString CalibrationDate() const { return m_calibrationDate; }
    void setOffset(double vData) { m_offset = vData; }
    double Offset() const { return m_offset; }
    void setSlope(double vData) { m_slope = vData; }
    double Slope() const { return m_slope; }
    void setSerialNumber(const QString &vData) { m_serialNumber = vData; }
    QString SerialNumber() const { return m_serialNumber; }

private:
    QString m_serialNumber;
    double m_slope = 1.0;  // the ideal response
    double m_offset = 0.0;
    QString m_calibrationDate;
};
