#include "loggen.h"

#include <QApplication>
#include <benchmark/benchmark.h>

int runOffscreenBenchmarks(int argc, char **argv, const std::function<void()> &beforeExit) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (beforeExit) beforeExit();
    return 0;
}
