#pragma once
// Generates probe logs of any length in the instrument's format, for the benchmarks.
#include <QByteArray>
#include <QString>

QByteArray generateLog(int records, int startHour = 8, int secondsBetween = 10);
// Writes a generated log to a temporary file and returns its path.
QString writeGeneratedLog(int records);
