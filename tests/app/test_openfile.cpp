#include "window_fixture.h"
#include "app/startup.h"
#include "compute/phcompute.h"
#include "model/numbertext.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include "plot/ui/qcpgraph.h"

#include <QLabel>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeySequence>
#include <QMimeData>
#include <QUrl>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

namespace {
QString text(frmMain &w, const char *name) {
    if (auto *e = w.findChild<QLineEdit *>(QLatin1String(name))) return e->text();
    return w.findChild<QLabel *>(QLatin1String(name))->text();
}

// The pH the test expects, from its own copy of the Nernst formula.
double expectedPH(double T, double raw, double slope, double offset) {
    const double pH = (raw / 1000 - offset) / ((T + 273.15) * 0.000198416 * slope) + 7;
    return std::nearbyint(pH * 10000) / 10000;
}
}  // namespace

TEST_F(WindowTest, OpeningALogFillsTheWholeWindow) {
    LogRecipe rule;  // 08:00:00 to 17:30:00 every half hour
    const QString path = files.writeLines(QStringLiteral("run.asc"), makeLog(rule));
    frmMain w(&ui, &dialog);
    open(w, path);

    ASSERT_EQ(dialog.calls.size(), 1);
    EXPECT_EQ(dialog.calls[0].title, QStringLiteral("Open"));
    EXPECT_EQ(dialog.calls[0].filters,
              QStringList({QStringLiteral("pH Probe Asc files (*.asc)"), QStringLiteral("Log files (*.log)"),
                           QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*.*)")}));
    EXPECT_EQ(dialog.calls[0].initialName, frmMain::defaultDataFolder() + QStringLiteral("*.asc"));
    EXPECT_EQ(dialog.calls[0].selectedFilter, 1);
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(u'|').toStdString();

    EXPECT_EQ(w.TDBGrid1->model()->rowCount(), 20);
    EXPECT_EQ(w.TDBGrid1->captions().size(), 11);
    EXPECT_EQ(w.TDBGrid1->captions()[4], QStringLiteral("pH-1 Raw"));
    EXPECT_EQ(w.statusPanel1->text(), path);
    EXPECT_EQ(w.statusPanel2->text(), QStringLiteral("Annotation is in view"));
    EXPECT_EQ(text(w, "txtPH1Slope"), QStringLiteral("58.2"));
    EXPECT_EQ(text(w, "txtPH2Slope"), QStringLiteral("1"));
    EXPECT_EQ(text(w, "txtPH1Offset"), QStringLiteral("0"));
    EXPECT_EQ(text(w, "txtPH2Offset"), QStringLiteral("-0.0125"));
    EXPECT_EQ(text(w, "txtStart"), QStringLiteral("5/13/2004 08:00:00"));
    EXPECT_EQ(text(w, "txtEnd"), QStringLiteral("5/13/2004 17:30:00"));
    EXPECT_EQ(w.cmdCompute->text(), QStringLiteral("Compute"));

    DataTable &t = w.dataSet().DATA();
    EXPECT_EQ(t.cell(7, colPH1).number(), expectedPH(22, 70, 58.2, 0));
    EXPECT_EQ(t.cell(7, colPH2).number(), expectedPH(22, -100, 1, -0.0125));
    EXPECT_EQ(w.graph().pointCount(), 20);
    EXPECT_EQ(w.graph().seriesCount(), 2);
    EXPECT_EQ(text(w, "lblNow"), QStringLiteral("5/13/2004 08:00:00"));
    EXPECT_EQ(text(w, "lblPH2"), QStringLiteral("  ") + generalNumberText(expectedPH(20, -100, 1, -0.0125)));
    EXPECT_EQ(text(w, "lblTherm1"), QStringLiteral("20"));
    EXPECT_EQ(text(w, "lblT2Corrected"), QStringLiteral("21.50"));
    EXPECT_EQ(w.TDBGrid1->currentRecord(), 0);
}

TEST_F(WindowTest, MidnightRollOverAndASecondFileReplacesTheFirst) {
    LogRecipe night;
    night.firstSecond = 23 * 3600;
    night.records = 5;  // 23:00 .. 01:00
    LogRecipe day;
    day.records = 3;
    day.calibration = {QStringLiteral("Slope: 1.1, Slope2: 0.9")};
    frmMain w(&ui, &dialog);
    open(w, files.writeLines(QStringLiteral("night.asc"), makeLog(night)));
    EXPECT_EQ(text(w, "txtEnd"), QStringLiteral("5/14/2004 01:00:00"));
    EXPECT_EQ(w.dataSet().DATA().text(2, colDateTime), QStringLiteral("5/14/2004 00:00:00"));

    open(w, files.writeLines(QStringLiteral("day.asc"), makeLog(day)));
    EXPECT_EQ(w.TDBGrid1->model()->rowCount(), 3);
    EXPECT_EQ(w.graph().pointCount(), 3);
    EXPECT_EQ(text(w, "txtStart"), QStringLiteral("5/13/2004 08:00:00"));
    EXPECT_EQ(text(w, "txtEnd"), QStringLiteral("5/13/2004 09:00:00"));
    EXPECT_EQ(text(w, "txtPH1Slope"), QStringLiteral("1.1"));
    EXPECT_EQ(text(w, "txtPH2Slope"), QStringLiteral("0.9"));
    EXPECT_EQ(text(w, "lblNow"), QStringLiteral("5/13/2004 08:00:00"));
}

TEST_F(WindowTest, CancelMissingFileAndEmptyFileLeaveAWorkingWindow) {
    frmMain w(&ui, &dialog);
    const QString good = files.writeLines(QStringLiteral("good.asc"), makeLog(LogRecipe()));
    open(w, good);
    const QString folder = w.defaultFilePath;

    w.mnuFileOpen_Click();  // cancelled
    EXPECT_EQ(w.statusPanel1->text(), good);
    EXPECT_EQ(w.defaultFilePath, folder);

    const QString missing = files.path(QStringLiteral("gone.asc"));
    open(w, missing);
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("fileIO.readFromFile File not found:") + missing);
    EXPECT_EQ(ui.messages[1].text, QStringLiteral("fileIO.toFile Can't open file: ") + missing);
    EXPECT_EQ(w.TDBGrid1->model()->rowCount(), 20);  // the previous data, shown again
    EXPECT_EQ(text(w, "txtStart"), QStringLiteral("5/13/2004 08:00:00"));

    open(w, files.write(QStringLiteral("empty.asc"), QByteArray()));
    EXPECT_EQ(w.TDBGrid1->model()->rowCount(), 0);
    EXPECT_EQ(w.graph().pointCount(), 0);
    EXPECT_EQ(text(w, "lblNow"), QString());  // nothing of the earlier file stays
    EXPECT_EQ(text(w, "txtStart"), QStringLiteral("1/1/1988 00:00:00"));
    EXPECT_EQ(w.statusPanel2->text(), QStringLiteral("No records in this file"));

    open(w, good);  // and the next Open works
    EXPECT_EQ(w.TDBGrid1->model()->rowCount(), 20);
}

TEST_F(WindowTest, NoAtABadStartDateKeepsWhatWasRead) {
    QStringList lines = makeLog(LogRecipe());
    lines.insert(9, QStringLiteral("\"Start Date:\",#2004-13-45#"));  // after 2 records
    ui.answers.push_back(MsgAnswer::No);
    frmMain w(&ui, &dialog);
    open(w, files.writeLines(QStringLiteral("bad.asc"), lines));
    EXPECT_TRUE(ui.texts().contains(QStringLiteral("File parser error at line:10 Keep going?")));
    EXPECT_EQ(w.TDBGrid1->model()->rowCount(), 2);
    EXPECT_EQ(text(w, "txtEnd"), QStringLiteral("5/13/2004 08:30:00"));
}

TEST_F(WindowTest, FileWithoutSlopeLinesShowsSlopeOne) {
    LogRecipe rule;
    rule.calibration.clear();
    frmMain w(&ui, &dialog);
    open(w, files.writeLines(QStringLiteral("plain.asc"), makeLog(rule)));
    EXPECT_EQ(text(w, "txtPH1Slope"), QStringLiteral("1"));
    EXPECT_EQ(text(w, "txtPH2Slope"), QStringLiteral("1"));
    EXPECT_EQ(text(w, "txtPH2Offset"), QStringLiteral("0"));
}

TEST_F(WindowTest, RemembersFolderAndTypeOfTheChoice) {
    frmMain w(&ui, &dialog);
    const QString sub = files.path(QStringLiteral("sub dir"));
    QDir().mkpath(sub);
    const QString path = sub + QStringLiteral("/run7.log");
    QFile::copy(files.writeLines(QStringLiteral("x.log"), makeLog(LogRecipe())), path);
    open(w, path, 2);
    EXPECT_EQ(w.defaultFilePath, sub + u'/');
    EXPECT_EQ(w.defaultFileType, 2);
    w.mnuFileOpen_Click();
    EXPECT_EQ(dialog.calls.last().initialName, sub + QStringLiteral("/*.log"));
    EXPECT_EQ(dialog.calls.last().selectedFilter, 2);

    w.defaultFileType = 9;
    w.mnuFileOpen_Click();
    EXPECT_EQ(dialog.calls.last().initialName, sub + QStringLiteral("/*.asc"));
    EXPECT_EQ(dialog.calls.last().selectedFilter, 9);
    EXPECT_EQ(frmMain::folderOf(QStringLiteral("run.asc")), QString());
}

TEST_F(WindowTest, DroppedOrGivenPathOpensAsTheDialogWould) {
    frmMain w(&ui, &dialog);
    const QString path = files.writeLines(QStringLiteral("drop.log"), makeLog(LogRecipe()));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    EXPECT_EQ(w.TDBGrid1->model()->rowCount(), 20);
    EXPECT_EQ(w.defaultFileType, 2);
    EXPECT_EQ(w.defaultFilePath, QFileInfo(path).absolutePath() + u'/');
    EXPECT_EQ(w.statusPanel1->text(), path);

    frmMain plain(&ui, &dialog);
    openFromArguments(plain, {QStringLiteral("brinewick")});
    EXPECT_EQ(plain.TDBGrid1->model()->rowCount(), 0);
    openFromArguments(plain, {QStringLiteral("brinewick"), path});
    EXPECT_EQ(plain.TDBGrid1->model()->rowCount(), 20);
    EXPECT_EQ(plain.defaultFileType, 2);
}

TEST_F(WindowTest, ExportMenusWriteTheTableAndThePlot) {
    frmMain w(&ui, &dialog);
    EXPECT_FALSE(w.mnuExportTable->isEnabled());
    EXPECT_FALSE(w.mnuSavePlot->isEnabled());
    open(w, files.writeLines(QStringLiteral("run.asc"), makeLog(LogRecipe())));
    EXPECT_TRUE(w.mnuExportTable->isEnabled());
    EXPECT_EQ(w.mnuFileOpen->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(w.mnuExit->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));

    dialog.answers.push_back({files.path(QStringLiteral("table")), 1});
    w.mnuExportTable_Click();
    EXPECT_TRUE(dialog.calls.last().initialName.endsWith(QStringLiteral("/run.csv")));
    QFile csv(files.path(QStringLiteral("table.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readLine().startsWith("Time,Therm 1,"));
    EXPECT_TRUE(csv.readLine().startsWith("2004-05-13 08:00:00,"));

    dialog.answers.push_back({files.path(QStringLiteral("plot")), 3});  // the SVG type
    w.mnuSavePlot_Click();
    QFile svg(files.path(QStringLiteral("plot.svg")));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(svg.readAll().contains("<svg"));
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.texts().join(u'|').toStdString();
}
