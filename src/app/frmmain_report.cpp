// File > Print and File > Export Report: the report of the open log, on paper or as a PDF.
#include "app/frmmain.h"
#include "export/outputguard.h"
#include "export/report.h"
#include "export/ui/reportprinter.h"
#include "model/interaction.h"
#include "plot/ui/qcpgraph.h"
#include "workbench/workbench.h"

#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPrinter>

ReportContent frmMain::currentReport() const {
    ReportExtras extras;
    extras.made = QDateTime::currentDateTime();
    extras.plot = true;
    extras.bufferCalibration = m_bufferCalibration;
    extras.zoomed = isZoomed();
    return buildReport(*m_workbench, extras);
}

bool frmMain::printReport(QPrinter &printer) {
    BusyCursor busy(*m_ui);
    return paintReport(printer, currentReport(), *m_graph);
}

void frmMain::mnuPrint_Click() {
    if (!m_workbench->isOpen()) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Brinewick report"));
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(QStringLiteral("Print Report"));
    preview.resize(860, 980);  // a page and its toolbar at a readable size
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter *p) {
        if (!printReport(*p))
            m_ui->message(QStringLiteral("The report could not be printed: the printer did not start."), kAppTitle,
                          MsgButtons::Ok, MsgIcon::Exclamation);
    });
    preview.exec();
}

void frmMain::saveReport(const QString &path) {
    QString error = sameFileConflict({{QStringLiteral("the open log"), m_workbench->path()}},
                                     {{QStringLiteral("the report file"), path}});
    BusyCursor busy(*m_ui);
    if (error.isEmpty()) error = writeReportPdf(path, currentReport(), *m_graph);
    if (!error.isEmpty()) m_ui->message(error, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
}
