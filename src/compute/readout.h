#pragma once
// What the readout panel shows for one record.
#include <QString>
#include <optional>

class DataTable;

struct ReadoutTexts {
    QString ph1, ph2, now, flowRate, totalVolume, therm1, therm2, therm3;
};

// The labels' texts for row r, or nothing when the row is not in the table.
std::optional<ReadoutTexts> readoutFor(const DataTable &table, int row);

// Raw temperature caption plus correction in "0.00" form; nothing when the caption is not a
// number or the correction is neither empty nor a number (the corrected label keeps its text).
std::optional<QString> correctedTemperature(const QString &rawCaption, const QString &correctionText);
