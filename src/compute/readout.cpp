#include "compute/readout.h"
#include "model/clsdataset.h"
#include "model/numbertext.h"

#include <cmath>

std::optional<ReadoutTexts> readoutFor(const DataTable &table, int row) {
    if (row < 0 || row > table.lastRow() || table.colCount() == 0) return std::nullopt;
    auto text = [&](int col) { return col <= table.lastCol() ? table.text(row, col) : QString(); };
    ReadoutTexts r;
    r.ph1 = QStringLiteral("  ") + text(colPH1);
    r.ph2 = QStringLiteral("  ") + text(colPH2);
    r.now = text(colDateTime);
    r.flowRate = text(colFlowRate);
    r.totalVolume = text(colTotalVolume);
    r.therm1 = text(colTherm1);
    r.therm2 = text(colTherm2);
    r.therm3 = text(colTherm3);
    return r;
}

std::optional<QString> correctedTemperature(const QString &rawCaption, const QString &correctionText) {
    const std::optional<double> raw = readNumber(rawCaption);
    if (!raw) return std::nullopt;
    // An empty correction (the thermistor 1 field may be left empty) counts as none.
    const std::optional<double> corr = correctionText.isEmpty() ? 0.0 : readNumber(correctionText);
    if (!corr) return std::nullopt;
    const double corrected = *raw + *corr;
    QString s = QString::number(corrected, 'f', 2);
    if (s == QLatin1String("-0.00")) s = QStringLiteral("0.00");
    return s;
}
