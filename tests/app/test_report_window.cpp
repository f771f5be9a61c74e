// File > Print and File > Export Report: the report on a printer and as a PDF, and the same
// report from the batch command.
#include "export/export_fixtures.h"
#include "export/export_runner.h"
#include "window_fixture.h"

#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QProcess>
#include <qcustomplot.h>

using namespace exporttest;

namespace {

// The text of a PDF as pdftotext reads it (which also proves it is a PDF).
QString pdfText(const QString &path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext failed on " << path.toStdString() << ": " << p.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Everything but the line saying when it was made.
QString withoutMade(QString text) {
    return text.remove(QRegularExpression(QStringLiteral("made \\d+/\\d+/\\d{4} \\d\\d:\\d\\d:\\d\\d")));
}

class ReportWindowTest : public WindowTest {};

}  // namespace

TEST_F(ReportWindowTest, PrintAndExportReportTheOpenLogAndChangeNothing) {
    frmMain w(&ui, &dialog);
    EXPECT_FALSE(w.mnuPrint->isEnabled());
    EXPECT_FALSE(w.mnuExportReport->isEnabled());
    const QString log = files.writeLines(QStringLiteral("print me.asc"), makeLog(LogRecipe()));
    open(w, log);
    ASSERT_TRUE(w.mnuPrint->isEnabled());
    EXPECT_EQ(w.mnuPrint->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    w.txtPH1Corr->setText(QStringLiteral("0.05"));
    w.cmdCompute_Click();

    const double before = w.dataSet().DATA().cell(3, colPH1).number();
    const QString start = w.txtStart->text();
    auto *plot = w.findChild<QCustomPlot *>(QStringLiteral("Pesgo1"));
    ASSERT_NE(plot, nullptr);
    w.show();
    QCoreApplication::processEvents();
    plot->replot();  // ticks are spaced for the layout before: the second is the steady picture
    plot->replot();
    const QVector<double> ticks = plot->xAxis->tickVector();
    const QImage shown = plot->grab().toImage();
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(files.path(QStringLiteral("printed.pdf")));
    ASSERT_TRUE(w.printReport(printer));
    const QString printed = pdfText(printer.outputFileName());
    EXPECT_TRUE(printed.contains(QStringLiteral("print me.asc"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QRegularExpression(QStringLiteral("pH correction\\s+0.05\\s+0"))))
        << printed.toStdString();
    EXPECT_TRUE(printed.contains(QRegularExpression(QStringLiteral("Records loaded\\s+20"))));
    EXPECT_EQ(w.dataSet().DATA().cell(3, colPH1).number(), before);
    EXPECT_EQ(w.txtStart->text(), start);
    EXPECT_EQ(w.cmdCompute->text(), QStringLiteral("Compute"));
    EXPECT_TRUE(ui.messages.isEmpty());
    // Nor does the plot on screen change, its ticks included.
    QCoreApplication::processEvents();
    EXPECT_EQ(plot->xAxis->tickVector(), ticks);
    EXPECT_EQ(plot->grab().toImage(), shown);

    // Export Report adds the extension the dialog's name lacks.
    dialog.answers.push_back({files.path(QStringLiteral("saved")), 1});
    w.mnuExportReport_Click();
    const QString saved = pdfText(files.path(QStringLiteral("saved.pdf")));
    EXPECT_TRUE(saved.contains(QStringLiteral("print me.asc")));
}

TEST_F(ReportWindowTest, TheBatchCommandWritesTheWindowsReport) {
    const QString log = files.writeLines(QStringLiteral("run.asc"), makeLog(LogRecipe()));
    frmMain w(&ui, &dialog);
    open(w, log);
    w.txtPH2Slope->setText(QStringLiteral("1.02"));
    w.optPH2Thermistor[1]->click();
    w.cmdCompute_Click();
    dialog.answers.push_back({files.path(QStringLiteral("window.pdf")), 1});
    w.mnuExportReport_Click();

    const Outcome r =
        run({"--ph2-slope", "1.02", "--ph2-thermistor", "2", "--report", files.path(QStringLiteral("batch.pdf")), log});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString window = pdfText(files.path(QStringLiteral("window.pdf")));
    EXPECT_TRUE(window.contains(QRegularExpression(QStringLiteral("Slope\\s+58.2\\s+1.02")))) << window.toStdString();
    // The window's Compute is a decision in its audit trail; options given to the batch command
    // are none, so all but that section is the same.
    QString decided = withoutMade(window);
    const qsizetype trail = decided.indexOf(QStringLiteral("Audit trail\n"));
    ASSERT_GE(trail, 0);
    decided.remove(trail, decided.indexOf(QStringLiteral("Brinewick 1.1.1"), trail) - trail);
    EXPECT_EQ(withoutMade(pdfText(files.path(QStringLiteral("batch.pdf")))).toStdString(), decided.toStdString());
}
