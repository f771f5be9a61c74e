#pragma once
#include <functional>
// Generates probe logs of any length in the instrument's format, for the benchmarks.
#include "model/interaction.h"

#include <QByteArray>
#include <QString>

// Answers every question with Yes and shows nothing.
class QuietInteraction : public IInteraction {
public:
    MsgAnswer message(const QString &, const QString &, MsgButtons, MsgIcon) override { return MsgAnswer::Yes; }
    void beep() override {}
    void pushBusyCursor() override {}
    void popBusyCursor() override {}
    void processPendingEvents() override {}
};

QByteArray generateLog(int records, int startHour = 8, int secondsBetween = 10);
// The same log (default start and step) written to a file a piece at a time, for logs too
// long to hold; false when it cannot be written.
bool writeLogFile(const QString &path, int records);
// A day of the same records at one a second, day `day` after the default start date.
bool writeDayLog(const QString &path, int day);
// Writes a generated log to a temporary file and returns its path.
QString writeGeneratedLog(int records);

// Runs the registered benchmarks inside an offscreen QApplication (for the window's code).
int runOffscreenBenchmarks(int argc, char **argv, const std::function<void()> &beforeExit = {});
