// The window's two export commands.
#include "export/ui/plotexport.h"
#include "export/ui/windowexport.h"
#include "model/clsdataset.h"
#include "model/datetime.h"
#include "plot/ui/qcpgraph.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSvgRenderer>
#include <gtest/gtest.h>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sys/resource.h>

namespace {
}  // namespace

TEST(WindowExport, ExportTableReportsFailuresAsTheWindowShowsThem) {
    TempFiles tmp;
    ScriptedInteraction ui;
    clsDataSet ds;
    // Nothing opened yet: no table, and the data set stays as it was.
    EXPECT_FALSE(exportTable(tmp.path("a.csv"), ds, ui));
    EXPECT_FALSE(ds.isInitialized());
    ASSERT_EQ(ui.messages.size(), 1);

    ds.setFieldlist({"Time", "Therm 1", ""});
    ds.add({Cell("5/13/2004 08:00:00"), Cell(20.5)});
    ds.DATA();
    const QString target = tmp.path("nowhere/a.csv");
    EXPECT_FALSE(exportTable(target, ds, ui));
    ASSERT_EQ(ui.messages.size(), 2);
    const RecordedMessage &m = ui.messages[1];
    EXPECT_TRUE(m.text.startsWith("Can't write \"" + target + "\""));
    EXPECT_EQ(m.title, "Brinewick");
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    EXPECT_EQ(m.icon, MsgIcon::Exclamation);
    EXPECT_EQ(ui.busyDepth, 0);

    EXPECT_TRUE(exportTable(tmp.path("a.csv"), ds, ui));
    EXPECT_EQ(slurp(tmp.path("a.csv")), "Time,Therm 1\r\n2004-05-13 08:00:00,20.5\r\n");
    EXPECT_EQ(ui.messages.size(), 2);
}

TEST(WindowExport, SavePlotByExtension) {
    TempFiles tmp;
    ScriptedInteraction ui;
    QcpGraph graph;
    graph.setSeriesCount(1);
    graph.setPointCount(3);
    const double x[] = {38120.0, 38120.1, 38120.2};
    const float y[] = {7.1f, 7.5f, 7.3f};
    graph.setSeriesData(0, x, y, 3);
    graph.request(0);

    EXPECT_FALSE(savePlot(tmp.path("plot.jpg"), graph, ui));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].text.contains(".png, .pdf or .svg"));
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Exclamation);

    ASSERT_TRUE(savePlot(tmp.path("plot.png"), graph, ui));
    EXPECT_FALSE(QImage(tmp.path("plot.png")).isNull());
    ASSERT_TRUE(savePlot(tmp.path("plot.svg"), graph, ui));
    EXPECT_TRUE(QSvgRenderer(tmp.path("plot.svg")).isValid());
    EXPECT_EQ(ui.messages.size(), 1);

    // A disk that fills up half-way: the system's reason, and the saved plot stays whole.
    const QByteArray saved = slurp(tmp.path("plot.svg"));
    struct rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit small = before;
    small.rlim_cur = 4096;
    auto *previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = savePlot(tmp.path("plot.svg"), graph, ui);
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_TRUE(ui.messages[1].text.endsWith(QString::fromLocal8Bit(std::strerror(EFBIG)) + u'.'))
        << ui.messages[1].text.toStdString();
    EXPECT_EQ(slurp(tmp.path("plot.svg")), saved);
}

TEST(WindowExport, TheOpenLogIsNeverAnExportTarget) {
    TempFiles tmp;
    ScriptedInteraction ui;
    const QByteArray logBytes = "Time,Therm 1\r\n08:00:00,20.5\r\n";
    const QString log = tmp.write("run.asc", logBytes);
    ASSERT_TRUE(QFile::link(log, tmp.path("run.png")));
    clsDataSet ds;
    ds.setFieldlist({"Time", "Therm 1", ""});
    ds.add({Cell("5/13/2004 08:00:00"), Cell(20.5)});
    ds.DATA();

    EXPECT_FALSE(exportTable(log, ds, ui, log));
    QcpGraph graph;
    EXPECT_FALSE(savePlot(tmp.path("run.png"), graph, ui, QString(), log));
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.messages[0].text,
              "The table file \"" + log + "\" is the same file as the open log \"" + log + "\"; nothing was written.");
    EXPECT_TRUE(ui.messages[1].text.startsWith("The plot file \"" + tmp.path("run.png") + "\" is the same file"));
    EXPECT_EQ(ui.messages[1].icon, MsgIcon::Exclamation);
    EXPECT_EQ(slurp(log), logBytes);
    EXPECT_TRUE(QFileInfo(tmp.path("run.png")).isSymLink());
}
