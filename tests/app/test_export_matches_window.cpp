// The batch command and the window give the same table for the same file.
#include "app/frmmain.h"
#include "app/datagrid.h"
#include "app/startup.h"
#include "export/export_fixtures.h"
#include "export/export_runner.h"
#include "model/clsdataset.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"
#include "workbench/workbench.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace exporttest;

namespace {

// Distinct temperatures per thermistor so the wrong choice shows; a midnight roll-over.
const std::vector<Reading> kWindowReadings = {
    {"23:59:40", {17.77, 18.10, 12.5}, 66.22, 41.14},
    {"23:59:50", {25.0, 18.16, 17.49}, 59.16, 0.0},
    {"00:00:00", {17.70, 30.25, 17.46}, -100, -40.25},
    {"00:00:10", {0.0, 18.01, 40.0}, 12.345, -250.5},
};

}  // namespace

TEST(ExportCommand, SameTableAsTheWindowWithLongCalibrationNumbers) {
    // The window computes from the texts its calibration fields show after opening; the
    // command must end with the same pH column for column.
    TempFiles tmp;
    const QString log = tmp.write("long.asc", makeLog(kWindowReadings, 0.98512345678901234, 1.0123456789012345,
                                                      0.012345678901234567, -0.0085432109876543));
    ScriptedInteraction ui;
    frmMain window(&ui);
    window.openPath(log);
    const DataTable &shown = window.dataSet().DATA();
    ASSERT_EQ(shown.rowCount(), int(kWindowReadings.size()));

    const Outcome r = run({"--csv", "-", log});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const std::vector<QStringList> rows = readCsv(r.out);
    ASSERT_EQ(rows.size(), kWindowReadings.size() + 1);
    for (int i = 0; i < shown.rowCount(); ++i) {
        EXPECT_EQ(rows[std::size_t(i) + 1][6].toDouble(), shown.number(i, 6).value_or(-1)) << i;
        EXPECT_EQ(rows[std::size_t(i) + 1][7].toDouble(), shown.number(i, 7).value_or(-1)) << i;
    }
}

TEST(ExportCommand, JoinGivesTheWindowsTableOfADeployment) {
    TempFiles tmp;
    QByteArray second = makeLog(kWindowReadings, 0.97, 1.03, 0.01, -0.005, "#2004-5-15#");
    second.replace("\"00:00:00\"", "Slope:,0.96,Slope2:,1.02\r\n\"00:00:00\"");
    const QStringList logs = {tmp.write("b.asc", second), tmp.write("a.asc", makeLog(kWindowReadings))};
    ScriptedInteraction ui;
    frmMain window(&ui);
    openFromArguments(window, QStringList{"brinewick"} + logs);  // as `brinewick LOG LOG`
    ASSERT_EQ(window.workbench().segments().size(), 3u);
    // The grid's last column names each record's log.
    const QAbstractItemModel *grid = window.TDBGrid1->model();
    const int logColumn = grid->columnCount() - 1;
    EXPECT_EQ(grid->headerData(logColumn, Qt::Horizontal).toString(), "Log");
    EXPECT_EQ(grid->index(0, logColumn).data().toString(), "a.asc");
    EXPECT_EQ(grid->index(grid->rowCount() - 1, logColumn).data().toString(), "b.asc");
    const QString shown = tmp.path("window.csv");
    ASSERT_EQ(window.workbench().exportTable(shown), QString());

    const Outcome r = run({"--join", "--csv", "-", logs[0], logs[1]});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, slurp(shown));
    EXPECT_TRUE(r.out.left(r.out.indexOf("\r\n")).endsWith(",flags,qc_ph1,qc_ph2,log"));
    EXPECT_TRUE(r.out.endsWith(",b.asc\r\n"));
}
