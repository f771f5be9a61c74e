#include "loggen.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

QByteArray logHeader(const char *startDate = "2004-5-13") {
    QByteArray out;
    out += "\"pH Probe Logger\"\r\n";
    out += "\"Probe 1 Serial Number:\",\"A-1734\"\r\n";
    out += "\"Probe 2 Serial Number:\",\"A-1735\"\r\n";
    out += "\"Probe 1 Calibration Date:\",\"5/12/2004\"\r\n";
    out += "\"Probe 2 Calibration Date:\",\"5/12/2004\"\r\n";
    out += "\"Probe 1 Slope:\",58.2\r\n\"Probe 2 Slope:\",57.9\r\n";
    out += "\"Probe 1 Offset:\",0.0125\r\n\"Probe 2 Offset:\",-0.0125\r\n";
    out += QByteArray("\"Start Date:\",#") + startDate + "#\r\n";
    out += "\"Time\",\"Therm 1\",\"Therm 2\",\"Therm 3\",\"pH-1 Raw\",\"pH-2 Raw\",\"pH-1\",\"pH-2\","
           "\"Aux\",\"Flow Rate\",\"Total Vol\"\r\n";
    return out;
}

// Records from..to-1 of a log.
void appendRecords(QByteArray &out, int from, int to, int startHour, int secondsBetween) {
    long t = long(startHour) * 3600 + long(from) * secondsBetween;
    char line[256];
    for (int i = from; i < to; ++i, t += secondsBetween) {
        const long s = t % 86400;
        const double wave = std::sin(i / 500.0);
        const int n = std::snprintf(line, sizeof line,
                                    "\"%02ld:%02ld:%02ld\",%.2f,%.2f,%.2f,%.2f,%.2f,%.3f,%.3f,%d,%.2f,%.1f\r\n",
                                    s / 3600, s / 60 % 60, s % 60, 20.0 + wave, 20.5 + wave, 21.0 - wave,
                                    -50.0 + 30 * wave, -40.0 + 25 * wave, 7.8, 7.9, i % 7, 1.25 + wave / 10, i * 0.2);
        out.append(line, n);
    }
}

}  // namespace

QByteArray generateLog(int records, int startHour, int secondsBetween) {
    QByteArray out = logHeader();
    out.reserve(records * 90 + 1024);
    appendRecords(out, 0, records, startHour, secondsBetween);
    return out;
}

bool writeLogFile(const QString &path, int records) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QByteArray piece = logHeader();
    constexpr int kPiece = 100000;
    for (int i = 0; i < records; i += kPiece) {
        appendRecords(piece, i, std::min(records, i + kPiece), 8, 10);
        if (f.write(piece) != piece.size()) return false;
        piece.resize(0);
    }
    return f.write(piece) == piece.size() && f.flush();
}

bool writeDayLog(const QString &path, int day) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    const QByteArray date = QDate(2004, 5, 13).addDays(day).toString(u"yyyy-M-d").toLatin1();
    QByteArray log = logHeader(date.constData());
    log.reserve(86400 * 90);
    appendRecords(log, 0, 86400, 0, 1);
    return f.write(log) == log.size() && f.flush();
}

QString writeGeneratedLog(int records) {
    // One name per process: benchmarks running side by side must not share a file.
    const QString path = QDir::temp().filePath(
        QStringLiteral("brinewick-bench-%1-%2.asc").arg(QCoreApplication::applicationPid()).arg(records));
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(generateLog(records));
    return path;
}
