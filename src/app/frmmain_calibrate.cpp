// Tools > Calibrate Probes: the dialog reads the open log and the window's thermistor choices,
// and Apply writes the result into the calibration fields.
#include "app/calibrationdialog.h"
#include "app/calibrationprobepage.h"
#include "app/frmmain.h"
#include "app/calibrationprobepage.h"
#include "app/projectcontroller.h"
#include "app/segmentselector.h"
#include "compute/calibrationreport.h"
#include "compute/calibrationspan.h"
#include "model/interaction.h"
#include "model/numbertext.h"
#include "fields/ui/widgetutil.h"
#include "workbench/workbench.h"

#include "app/settingsfile.h"

#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include <algorithm>
#include <QRadioButton>

namespace {
const QLatin1String kCalibrateGeometry("CalibrateGeometry");
}  // namespace

CalibrationInputs frmMain::calibrationInputs() {
    CalibrationInputs in;
    in.table = m_workbench->isOpen() ? &m_workbench->table() : nullptr;
    // Another segment than the fields show: its own thermistors and slopes.
    const int segment = m_calibration ? m_calibration->segment() : m_workbench->shownSegment();
    if (segment != m_workbench->shownSegment() && segment < int(m_workbench->segments().size())) {
        const Calibration &c = m_workbench->segments()[std::size_t(segment)].calibration;
        in.thermistor = c.thermistor;
        in.thermCorr = c.thermistorCorr;
        in.slope = c.slope;
        return in;
    }
    in.thermistor = {Util::checkedIndex(optPH1Thermistor), Util::checkedIndex(optPH2Thermistor)};
    for (std::size_t i = 0; i < 3; ++i) in.thermCorr[i] = readNumber(txtThermistorCorr[i]->text()).value_or(0.0);
    const QLineEdit *slopes[2] = {txtPH1Slope, txtPH2Slope};
    for (std::size_t i = 0; i < 2; ++i) in.slope[i] = readNumber(slopes[i]->text()).value_or(1.0);
    return in;
}

void frmMain::mnuCalibrate_Click() {
    if (!m_workbench->isOpen()) return;
    if (!m_calibration) {
        m_calibration = new CalibrationDialog(calibrationInputs(), this);
        m_calibration->setObjectName(QStringLiteral("frmCalibrate"));
        connect(m_calibration, &CalibrationDialog::applied, this, [this](int probe, double slope, double offset) {
            m_bufferCalibration[std::size_t(probe)] = m_calibration->page(probe)->reportLines();
            applyCalibration(probe, slope, offset);
        });
        connect(m_calibration, &CalibrationDialog::segmentChosen, this,
                [this] { m_calibration->setInputs(calibrationInputs()); });
        connect(m_calibration, &QDialog::finished, this, [this] {
            withSettingsSection(
                [this](QSettings &s) { s.setValue(kCalibrateGeometry, m_calibration->saveGeometry()); });
        });
        placeCalibrationDialog();
    }
    m_calibration->setSegments(m_segments->segmentNames(), m_workbench->segmentOf(m_workbench->currentRecord()));
    m_calibration->setInputs(calibrationInputs());
    m_calibration->show();
    m_calibration->raise();
}

void frmMain::placeCalibrationDialog() {
    QByteArray stored;
    withSettingsSection([&stored](QSettings &s) { stored = s.value(kCalibrateGeometry).toByteArray(); });
    if (!stored.isEmpty() && m_calibration->restoreGeometry(stored)) return;
    // Beside the window, not over the plot the span is dragged on; wide enough for every column.
    m_calibration->adjustSize();
    const QSize size = m_calibration->size().expandedTo(m_calibration->sizeHint());
    const QScreen *screen = this->screen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size);
    const QRect main = frameGeometry();
    const int rightRoom = avail.right() - main.right(), leftRoom = main.left() - avail.left();
    int x = 0;
    if (rightRoom >= size.width())
        x = main.right() + 1;
    else if (leftRoom >= size.width())
        x = main.left() - size.width();
    else
        x = leftRoom > std::max(rightRoom, 0) ? avail.left()
                                              : avail.right() + 1 - size.width();  // over the side controls
    const int y = std::clamp(main.top(), avail.top(), std::max(avail.top(), avail.bottom() + 1 - size.height()));
    m_calibration->resize(size);
    m_calibration->move(std::max(x, avail.left()), y);
}

void frmMain::applyCalibration(int probe, double slope, double offset) {
    // The fields' own form; their change marks the computation as needed.
    const CalibrationFieldTexts t = calibrationFieldTexts(slope, offset);
    const int segment = m_calibration->segment();
    m_project->decide(QStringLiteral("Apply Buffer Calibration"), [&] {
        m_segments->applyBufferCalibration(segment, probe, t.slope, t.offset);
        // Kept with its points for the project, at the values the fields show.
        m_workbench->applyBufferCalibration({segment, probe, m_calibration->page(probe)->points(),
                                             readNumber(t.slope).value_or(slope),
                                             readNumber(t.offset).value_or(offset)});
    });
}

void frmMain::pickCalibrationSpan(double fromDay, double toDay) {
    if (!m_workbench->isOpen()) return;
    const auto rows = rowsBetween(m_workbench->table(), fromDay, toDay);
    if (!rows) {
        m_ui->beep();  // no record inside the drag
        return;
    }
    mnuCalibrate_Click();
    m_calibration->setSpan(-1, rows->first, rows->second);
}
