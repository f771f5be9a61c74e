#include "compute/calibrationspan.h"
#include "model/clsdataset.h"
#include "model/datetime.h"
#include "model/numbertext.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kMinutesPerDay = 1440.0;
constexpr int kSpanThermColumns[3] = {colTherm1, colTherm2, colTherm3};

// An empty cell would read as 0 and pull the mean; only real numbers count here.
std::optional<double> value(const DataTable &t, int row, int col) {
    if (t.cell(row, col).isEmpty()) return std::nullopt;
    return t.number(row, col);
}

struct Sample {
    double mV, temperature, minutes;
};
}  // namespace

SpanStats spanStats(const DataTable &table, int fromRow, int toRow, const SpanSource &source,
                    const CalibrationLimits &limits) {
    SpanStats s;
    if (fromRow > toRow) std::swap(fromRow, toRow);
    s.fromRow = fromRow;
    s.toRow = toRow;
    if (table.rowCount() == 0) {
        s.error = QStringLiteral("There are no records.");
        return s;
    }
    if (fromRow < 0 || toRow > table.lastRow()) {
        s.error = QStringLiteral("Records %1 to %2 are not all in the log (records 0 to %3).")
                      .arg(fromRow)
                      .arg(toRow)
                      .arg(table.lastRow());
        return s;
    }
    const int rawCol = source.probe == 1 ? colPH2Raw : colPH1Raw;
    const int tempCol = kSpanThermColumns[std::clamp(source.thermistor, 0, 2)];
    if (table.lastCol() < std::max(rawCol, tempCol)) {
        s.error = QStringLiteral("The records have no raw reading column.");
        return s;
    }

    // Two passes: means first, then deviations from them (no cancellation in long spans).
    double day0 = 0;  // minutes count from the span's first date-time
    for (int r = fromRow; r <= toRow; ++r)
        if (std::isfinite(table.rowDay(r))) {
            day0 = table.rowDay(r);
            break;
        }
    auto sample = [&](int r) -> std::optional<Sample> {
        const auto mV = value(table, r, rawCol);
        const auto T = value(table, r, tempCol);
        const double day = table.rowDay(r);
        if (!mV || !T || !std::isfinite(day)) return std::nullopt;
        return Sample{*mV, *T + source.thermCorr, (day - day0) * kMinutesPerDay};
    };
    double sumMV = 0, sumT = 0, sumMin = 0;
    for (int r = fromRow; r <= toRow; ++r) {
        if (const auto x = sample(r)) {
            ++s.count;
            sumMV += x->mV;
            sumT += x->temperature;
            sumMin += x->minutes;
        } else {
            ++s.skipped;
        }
    }
    if (s.count == 0) {
        s.error = QStringLiteral("No record from %1 to %2 has a reading, a temperature and a date-time.")
                      .arg(fromRow)
                      .arg(toRow);
        return s;
    }
    const double n = s.count;
    s.meanMV = sumMV / n;
    s.meanTemperature = sumT / n;
    const double meanMin = sumMin / n;
    double ssMV = 0, ssT = 0, ssMin = 0, spMinMV = 0;
    for (int r = fromRow; r <= toRow; ++r) {
        const auto x = sample(r);
        if (!x) continue;
        const double dMV = x->mV - s.meanMV, dT = x->temperature - s.meanTemperature, dMin = x->minutes - meanMin;
        ssMV += dMV * dMV;
        ssT += dT * dT;
        ssMin += dMin * dMin;
        spMinMV += dMin * dMV;
    }
    if (s.count > 1) {
        s.sdMV = std::sqrt(ssMV / (n - 1));
        s.sdTemperature = std::sqrt(ssT / (n - 1));
    }
    if (ssMin > 0) s.drift = spMinMV / ssMin;
    s.stable = s.count >= limits.minRecords && s.drift && std::fabs(*s.drift) <= limits.driftLimit;
    return s;
}

std::optional<std::pair<int, int>> rowsBetween(const DataTable &table, double fromDay, double toDay) {
    if (fromDay > toDay) std::swap(fromDay, toDay);
    int first = -1, last = -1;
    for (int r = 0; r < table.rowCount(); ++r) {
        const double d = table.rowDay(r);
        if (d >= fromDay && d <= toDay) {
            if (first < 0) first = r;
            last = r;
        }
    }
    if (first < 0) return std::nullopt;
    return std::pair{first, last};
}

QString spanSummary(const SpanStats &s) {
    if (!s.ok()) return s.error;
    QString text = QStringLiteral("%1 records, mean %2 mV (sd %3), %4 \u00B0C (sd %5), drift %6")
                       .arg(s.count)
                       .arg(s.meanMV, 0, 'f', 2)
                       .arg(s.sdMV, 0, 'f', 2)
                       .arg(s.meanTemperature, 0, 'f', 2)
                       .arg(s.sdTemperature, 0, 'f', 2)
                       .arg(s.drift ? QStringLiteral("%1%2 mV/min")
                                          .arg(*s.drift >= 0 ? QStringLiteral("+") : QString())
                                          .arg(*s.drift, 0, 'f', 3)
                                    : QStringLiteral("unknown"));
    if (s.skipped > 0) text += QStringLiteral(", %1 records skipped").arg(s.skipped);
    if (!s.stable) text += QStringLiteral(", not stable");
    return text;
}

namespace {
std::optional<int> spanRow(const DataTable &t, QStringView text, bool end, QString &error) {
    const QStringView what = end ? u"To" : u"From";
    if (text.trimmed().isEmpty()) {
        error = QStringLiteral("%1 is empty: give a record number or a date-time.").arg(what);
        return std::nullopt;
    }
    if (const auto n = readNumber(text)) {
        if (*n == std::floor(*n) && *n >= 0 && *n <= t.lastRow()) return int(*n);
        error =
            QStringLiteral("%1: there is no record %2 (records 0 to %3).").arg(what, text.trimmed()).arg(t.lastRow());
        return std::nullopt;
    }
    const auto day = dt::parse(text);
    if (!day) {
        error = QStringLiteral("%1: \"%2\" is neither a record number nor a date-time.").arg(what, text.trimmed());
        return std::nullopt;
    }
    std::optional<int> row;
    for (int r = 0; r < t.rowCount(); ++r) {
        const double d = t.rowDay(r);
        if (end ? d <= *day : d >= *day) {
            row = r;
            if (!end) break;
        }
    }
    if (!row)
        error =
            QStringLiteral("%1: no record %2 %3.").arg(what, end ? u"at or before" : u"at or after", text.trimmed());
    return row;
}
}  // namespace

SpanRows spanRowsFromTexts(const DataTable &table, QStringView from, QStringView to) {
    SpanRows rows;
    const auto a = spanRow(table, from, false, rows.error);
    if (!a) return rows;
    const auto b = spanRow(table, to, true, rows.error);
    if (!b) return rows;
    rows.from = std::min(*a, *b);  // typed the wrong way round: still the span meant
    rows.to = std::max(*a, *b);
    return rows;
}
