#pragma once
// Generated probe logs with known readings, the pH they must give, and a small CSV reader.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cmath>
#include <vector>

namespace exporttest {

// The test's own constants, so a wrong constant in the product shows.
constexpr double kToKelvin = 273.15, kNernst = 0.000198416;

struct Reading {
    const char *time;
    double therm[3];
    double raw1, raw2;
};

struct Probe {
    double slope, offset, corr = 0.0;
    int thermistor = 0;      // 0..2
    double thermCorr = 0.0;  // of that thermistor
};

// Half-way cases to the even last digit, on four decimals.
inline double roundHalfEven4(double v) {
    const double s = v * 10000.0;
    const double f = std::floor(s);
    const double d = s - f;
    double r = d > 0.5 ? f + 1 : (d < 0.5 ? f : (std::fmod(f, 2.0) == 0.0 ? f : f + 1));
    return r / 10000.0;
}

inline double expectedPH(const Reading &r, double raw, const Probe &p) {
    const double kelvin = r.therm[p.thermistor] + kToKelvin + p.thermCorr;
    return roundHalfEven4((raw / 1000 - p.offset) / (kelvin * kNernst * p.slope) + 7 + p.corr);
}

// A log of the readings that starts on 2004-05-13; slopes and offsets as given.
inline QByteArray makeLog(const std::vector<Reading> &readings, double slope1 = 0.985, double slope2 = 1.012,
                          double offset1 = 0.0125, double offset2 = -0.0085,
                          const QByteArray &startDate = "#2004-5-13#") {
    QByteArray out = "\"pH Probe Logger\"\r\n";
    out += "\"Probe 1 Slope:\"," + QByteArray::number(slope1, 'g', 17) + "\r\n";
    out += "\"Probe 2 Slope:\"," + QByteArray::number(slope2, 'g', 17) + "\r\n";
    out += "\"Probe 1 Offset:\"," + QByteArray::number(offset1, 'g', 17) + "\r\n";
    out += "\"Probe 2 Offset:\"," + QByteArray::number(offset2, 'g', 17) + "\r\n";
    out += "\"Start Date:\"," + startDate + "\r\n";
    out += "\"Time\",\"Therm 1\",\"Therm 2\",\"Therm 3\",\"pH-1 Raw\",\"pH-2 Raw\",\"pH-1\",\"pH-2\",\"Aux\","
           "\"Flow Rate\",\"Total Vol\"\r\n";
    int i = 0;
    for (const Reading &r : readings) {
        out += QStringLiteral("\"%1\",%2,%3,%4,%5,%6,7.8,7.9,%7,1.25,%8\r\n")
                   .arg(QLatin1String(r.time))
                   .arg(r.therm[0])
                   .arg(r.therm[1])
                   .arg(r.therm[2])
                   .arg(r.raw1)
                   .arg(r.raw2)
                   .arg(i)
                   .arg(i * 0.5)
                   .toLatin1();
        ++i;
    }
    return out;
}

// RFC 4180: fields split at commas, quoted fields may hold commas, CR, LF and doubled quotes;
// records end at CRLF. Returns nothing useful for malformed input (the test then fails).
inline std::vector<QStringList> readCsv(const QByteArray &bytes, bool *wellFormed = nullptr) {
    std::vector<QStringList> rows;
    QStringList row;
    QByteArray field;
    bool ok = true, quoted = false, any = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (quoted) {
            if (c == '"' && i + 1 < bytes.size() && bytes[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            if (!field.isEmpty()) ok = false;
            quoted = true;
        } else if (c == ',') {
            row << QString::fromUtf8(field);
            field.clear();
        } else if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            row << QString::fromUtf8(field);
            rows.push_back(row);
            row.clear();
            field.clear();
            ++i;
        } else if (c == '\r' || c == '\n') {
            ok = false;  // a bare line end outside quotes
        } else {
            field += c;
        }
        any = true;
    }
    if (quoted || !field.isEmpty() || !row.isEmpty()) ok = false;  // the last record must end in CRLF
    if (wellFormed) *wellFormed = ok && any;
    return rows;
}

}  // namespace exporttest
