// The Compute command and the readout.
#include "app/datagrid.h"
#include "app/frmmain.h"
#include "compute/phcompute.h"
#include "compute/readout.h"
#include "fields/ui/widgetutil.h"
#include "model/interaction.h"

#include <QApplication>
#include <cmath>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace {
int selectedIndex(const std::array<QRadioButton *, 3> &group) {
    for (int k = 0; k < 3; ++k)
        if (group[std::size_t(k)]->isChecked()) return k;
    return 0;
}
}  // namespace

void frmMain::setComputeNeeded(bool needed) {
    QPalette pal = cmdCompute->palette();
    pal.setColor(QPalette::Button,
                 needed ? Util::colorFromBgr(0x000000FF) : QApplication::palette().color(QPalette::Button));
    cmdCompute->setPalette(pal);
    cmdCompute->setText(needed ? QStringLiteral("Compute (needed)") : QStringLiteral("Compute"));
}

void frmMain::cmdCompute_Click() {
    // Before any file there is nothing to compute, and the window stays as it was.
    if (!m_dataSet->isInitialized()) return;
    BusyCursor busy(*m_ui);
    if (!validateInputs()) {
        m_ui->message(QStringLiteral("validation failed"), kAppTitle, MsgButtons::Ok, MsgIcon::None);
        return;
    }
    if (!computePH()) {
        setComputeNeeded(true);
    } else {
        setComputeNeeded(false);
    }
    rebuildPlot();
    showRecord(TDBGrid1->currentRecord());
}

bool frmMain::computePH() {
    DataTable &table = m_dataSet->DATA();
    // Every field is read once, before the first record.
    struct Source {
        QLineEdit *field;
        const char *what;
        double *target;
    };
    ProbeInputs p1, p2;
    p1.thermistor = selectedIndex(optPH1Thermistor);
    p2.thermistor = selectedIndex(optPH2Thermistor);
    const Source sources[] = {
        {txtThermistorCorr[std::size_t(p1.thermistor)], "thermistor correction for pH-1", &p1.thermCorr},
        {txtThermistorCorr[std::size_t(p2.thermistor)], "thermistor correction for pH-2", &p2.thermCorr},
        {txtPH1Slope, "pH-1 slope", &p1.slope},
        {txtPH1Offset, "pH-1 offset", &p1.offset},
        {txtPH1Corr, "pH-1 corr", &p1.corr},
        {txtPH2Slope, "pH-2 slope", &p2.slope},
        {txtPH2Offset, "pH-2 offset", &p2.offset},
        {txtPH2Corr, "pH-2 corr", &p2.corr},
    };
    for (const Source &s : sources) {
        // An empty thermistor 1 correction is allowed and means none.
        const QString text = s.field->text();
        const std::optional<double> v = text.isEmpty() && s.field == txtThermistorCorr[0] ? 0.0 : readNumber(text);
        if (!v) {
            m_ui->message(
                QStringLiteral("The %1 \"%2\" is not a number; nothing was computed.").arg(QLatin1String(s.what), text),
                kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
            return false;
        }
        *s.target = *v;
    }
    if (auto stop = computeAll(table, p1, p2)) {
        m_ui->message(computeStopMessage(*stop, table), kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    return true;
}

void frmMain::showRecord(int row) {
    if (!m_dataSet->isInitialized()) return;
    DataTable &table = m_dataSet->DATA();
    const std::optional<ReadoutTexts> r = readoutFor(table, row);
    if (!r) return;  // a row outside the table leaves the labels as they are
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
    const double day = table.rowDay(row);
    if (std::isfinite(day)) markPlotTime(day);
    TDBGrid1->setCurrentRecord(row);
}

void frmMain::lblTherm_Change(int thermistor) {
    const auto i = std::size_t(thermistor);
    if (auto corrected = correctedTemperature(lblTherm[i]->text(), txtThermistorCorr[i]->text()))
        lblTCorrected[i]->setText(*corrected);
}
