#pragma once
// Many logs in one batch command: each log runs as the command's own single-log run, as many
// at a time as there are cores, so one bad log cannot stop or disturb the others.
#include <QString>
#include <QStringList>

struct ExportOptions;

// The output file of a log in a folder: its base name with the suffix, " (2)" and so on when two
// logs of this run share a base name.
QString outputNameFor(const QString &dir, const QString &log, const QString &suffix, QStringList &taken);

// Runs program once per log; the highest exit status of the runs (0 when all were done).
int runManyLogs(const QString &program, const ExportOptions &options);
