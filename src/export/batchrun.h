#pragma once
// Many logs in one batch command: each log runs as the command's single-log run would, on a pool
// of threads in this process; a bad log does not stop the others. Each log's messages and output
// are held until the logs before it are told, so they come out whole and in the logs' order.
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class IGraph;
class LogRun;
struct ExportOptions;

// The output file of a log in a folder: its base name with the suffix, " (2)" and so on when two
// logs of this run share a base name.
QString outputNameFor(const QString &dir, const QString &log, const QString &suffix, QStringList &taken);

// The plot and report side of a batch. Drawing runs on the thread that called runManyLogs
// (widgets live there); reading, computing and the tables of other logs go on meanwhile. What
// `draw` hands back needs no widget (writing the report from its recorded plot): it runs on a
// thread of its own while the next log is drawn, and the log is finished after it.
struct BatchDrawing {
    IGraph *graph = nullptr;  // one for every log: made once, drawn on the main thread only
    std::function<std::function<void()>(LogRun &, IGraph &)> draw;  // after the log's tables are written
};

// Runs every log; the highest exit status of the runs (0 when all were done). `program` is this
// command, for a log that runs in a process of its own.
int runManyLogs(const QString &program, const ExportOptions &options, const BatchDrawing *drawing = nullptr);
