// The Compute command and the readout.
#include "app/datagrid.h"
#include "app/calibrationdialog.h"
#include "app/frmmain.h"
#include "app/projectcontroller.h"
#include "app/segmentselector.h"
#include "compute/readout.h"
#include "fields/ui/widgetutil.h"
#include "model/interaction.h"
#include "workbench/workbench.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

void frmMain::setComputeNeeded(bool needed) {
    m_workbench->setComputeNeeded(needed);
    QPalette pal = cmdCompute->palette();
    pal.setColor(QPalette::Button,
                 needed ? Util::colorFromBgr(0x000000FF) : QApplication::palette().color(QPalette::Button));
    cmdCompute->setPalette(pal);
    cmdCompute->setText(needed ? QStringLiteral("Compute (needed)") : QStringLiteral("Compute"));
}

void frmMain::cmdCompute_Click() {
    // Before any file there is nothing to compute, and the window stays as it was.
    if (!m_workbench->isOpen()) return;
    // Changed fields are a decision of the person's; Compute with none is not.
    m_project->decide(QStringLiteral("Compute"), [this] { computeNow(); });
}

void frmMain::computeNow() {
    Workbench &wb = *m_workbench;
    if (!wb.isOpen()) return;
    BusyCursor busy(*m_ui);
    // The fields hand their texts over as the formatter left them, to the segment they show.
    setComputeNeeded(!(m_segments->storeFields() && wb.computePH()));
    TDBGrid1->setComputedRows(wb.computedRows());
    TDBGrid1->showCorrections();
    rebuildPlot();
    showRecord(TDBGrid1->currentRecord());
    if (m_calibration) m_calibration->setInputs(calibrationInputs());  // spans read the new pH
}

void frmMain::showRecord(int row) {
    const std::optional<ReadoutTexts> r = m_workbench->showRecord(row);
    if (!r) return;  // a row outside the table leaves the labels as they are
    // The fields show the record's segment before the corrected temperatures read them.
    m_segments->showRowSegment(row);
    lblPH1->setText(r->ph1);
    lblPH2->setText(r->ph2);
    lblNow->setText(r->now);
    lblFlowRate->setText(r->flowRate);
    lblTotalVolume->setText(r->totalVolume);
    const QString therms[3] = {r->therm1, r->therm2, r->therm3};
    for (int i = 0; i < 3; ++i) {
        lblTherm[std::size_t(i)]->setText(therms[i]);
        lblTherm_Change(i);
    }
    TDBGrid1->setCurrentRecord(row);
}

void frmMain::lblTherm_Change(int thermistor) {
    const auto i = std::size_t(thermistor);
    if (auto corrected = correctedTemperature(lblTherm[i]->text(), txtThermistorCorr[i]->text()))
        lblTCorrected[i]->setText(*corrected);
}

void frmMain::clearReadout() {
    for (QLabel *l : {lblPH1, lblPH2, lblNow, lblFlowRate, lblTotalVolume}) l->clear();
    for (std::size_t i = 0; i < 3; ++i) {
        lblTherm[i]->clear();
        lblTCorrected[i]->clear();
    }
}

void frmMain::showDecisions() {
    m_segments->refresh();
    computeNow();
    updateQualityViews();
    m_marks->showMarks();
    showLogs();
}
