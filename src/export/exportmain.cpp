// brinewick-export: reads a probe log, computes pH as the window does after opening it, and
// writes the table as CSV and/or the plot as an image, without a display. This program loads
// Qt Core only; a run that draws a plot or a report is handed over to brinewick-export-draw.
#include "export/batchrun.h"
#include "export/exportcli.h"
#include "export/logrun.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unistd.h>

namespace {

bool drawsPlotOrReport(const ExportOptions &o) {
    return !o.plotPath.isEmpty() || !o.reportPath.isEmpty() || !o.reportDir.isEmpty();
}

// The widget libraries cost more to load than a small log costs to export, so only the program
// that draws loads them; it runs the command whole, in this process, with the same arguments.
// It lies beside this one in a build and in the libexec folder when installed.
int handOverToDrawing(char **argv) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path name = "brinewick-export-draw";
    const std::filesystem::path beside = self.parent_path() / name,
                                installed = self.parent_path() / BRINEWICK_DRAW_FROM_BIN / name;
    for (const std::filesystem::path &program : {beside, installed}) ::execv(program.c_str(), argv);
    printError(QStringLiteral("brinewick-export: cannot start %1: %2")
                   .arg(QString::fromStdString(installed.lexically_normal().string()),
                        QString::fromLocal8Bit(std::strerror(errno))));
    return kExitFailed;
}

}  // namespace

int main(int argc, char **argv) {
    const std::variant<ExportOptions, int> start = startOptions(argc, argv);
    if (const int *status = std::get_if<int>(&start)) return *status;
    const ExportOptions &o = std::get<ExportOptions>(start);
    if (!o.verifyPath.isEmpty()) return runVerify(o.verifyPath);
    if (drawsPlotOrReport(o)) return handOverToDrawing(argv);

    if (isManyLogs(o)) {  // checked whole, then each log's run checks its outputs again
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("brinewick-export"));
        QCoreApplication::setApplicationVersion(kAppVersion);
        return runManyLogs(QCoreApplication::applicationFilePath(), o);
    }
    if (const QString conflict = exportOutputConflict(o); !conflict.isEmpty()) {
        printError(QStringLiteral("brinewick-export: ") + conflict);
        return kExitUsage;
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brinewick-export"));
    QCoreApplication::setApplicationVersion(kAppVersion);
    // The window's road: open, calibration, compute, then the statistics and the table.
    return runTablesOnly(o);
}
