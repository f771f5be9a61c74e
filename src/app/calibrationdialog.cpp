#include "app/calibrationdialog.h"
#include "app/calibrationprobepage.h"
#include "compute/calibrationsettings.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include "app/settingsfile.h"
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <utility>

namespace {
constexpr QLatin1StringView kBufferSetKey("Calibration/BufferSet");
// The remembered names of the sets, in the order cboBufferSet offers them.
constexpr std::array<std::pair<BufferSet, const char *>, 3> kSets = {
    {{BufferSet::Standard, "Standard"}, {BufferSet::Technical, "Technical"}, {BufferSet::Primary, "Primary"}}};

QDoubleSpinBox *limitBox(QWidget *parent, const char *name, double max, int decimals, const QString &suffix,
                         const QString &tip) {
    auto *b = new QDoubleSpinBox(parent);
    b->setObjectName(QLatin1String(name));
    b->setRange(0, max);
    b->setDecimals(decimals);
    b->setSuffix(suffix);
    b->setToolTip(tip);
    return b;
}
}  // namespace

CalibrationDialog::CalibrationDialog(const CalibrationInputs &inputs, QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCalibrate"));
    setWindowTitle(QStringLiteral("Calibrate Probes"));
    setModal(false);

    const std::unique_ptr<QSettings> settings = openSettings();
    const QString stored = settings ? settings->value(kBufferSetKey).toString() : QString();
    std::size_t setIndex = 0;
    for (std::size_t i = 0; i < kSets.size(); ++i)
        if (stored == QLatin1String(kSets[i].second)) setIndex = i;
    const BufferSet set = kSets[setIndex].first;
    cboBufferSet = new QComboBox(this);
    cboBufferSet->setObjectName(QStringLiteral("cboBufferSet"));
    cboBufferSet->addItems({QStringLiteral("Standard (4.01, 6.86, 9.18)"),
                            QStringLiteral("Technical (4.00, 7.00, 10.01)"),
                            QStringLiteral("Primary standards (4.005, 6.865, 9.180, 10.012)")});
    cboBufferSet->setCurrentIndex(int(setIndex));
    cboBufferSet->setToolTip(QStringLiteral("The buffers the points choose from"));
    auto *lblSign = new QLabel(QStringLiteral("Readings are the logger's raw signal, which rises with pH: the "
                                              "opposite sign of a bench meter's mV. Type them as the log holds them."),
                               this);
    lblSign->setObjectName(QStringLiteral("lblSign"));
    lblSign->setWordWrap(true);

    tabProbes = new QTabWidget(this);
    tabProbes->setObjectName(QStringLiteral("tabProbes"));
    for (int p = 0; p < 2; ++p) {
        m_pages[std::size_t(p)] = new CalibrationProbePage(p, set, tabProbes);
        tabProbes->addTab(m_pages[std::size_t(p)], QStringLiteral("pH-%1").arg(p + 1));
    }

    auto *limitsBox = new QGroupBox(QStringLiteral("Limits"), this);
    limitsBox->setObjectName(QStringLiteral("fraLimits"));
    const QString pct = QStringLiteral(" %"), mV = QStringLiteral(" mV");
    spnSlopePassLow = limitBox(limitsBox, "spnSlopePassLow", 200, 2, pct, QStringLiteral("Lowest slope that passes"));
    spnSlopePassHigh =
        limitBox(limitsBox, "spnSlopePassHigh", 200, 2, pct, QStringLiteral("Highest slope that passes"));
    spnSlopeWarnLow = limitBox(limitsBox, "spnSlopeWarnLow", 200, 2, pct, QStringLiteral("Lowest slope that warns"));
    spnSlopeWarnHigh = limitBox(limitsBox, "spnSlopeWarnHigh", 200, 2, pct, QStringLiteral("Highest slope that warns"));
    spnOffsetPass =
        limitBox(limitsBox, "spnOffsetPass", 1000, 1, mV, QStringLiteral("Offset either side of 0 that passes"));
    spnOffsetWarn =
        limitBox(limitsBox, "spnOffsetWarn", 1000, 1, mV, QStringLiteral("Offset either side of 0 that warns"));
    spnDriftLimit = limitBox(limitsBox, "spnDriftLimit", 100, 3, QStringLiteral(" mV/min"),
                             QStringLiteral("A span drifting more than this is not stable"));
    spnMinRecords = new QSpinBox(limitsBox);
    spnMinRecords->setObjectName(QStringLiteral("spnMinRecords"));
    spnMinRecords->setRange(1, 1000000);
    spnMinRecords->setToolTip(QStringLiteral("A span with fewer records is not stable"));
    spnMinPHSpan = limitBox(limitsBox, "spnMinPHSpan", 14, 2, QStringLiteral(" pH"),
                            QStringLiteral("Two or more points must lie at least this far apart in pH"));
    lblLimits = new QLabel(limitsBox);
    lblLimits->setObjectName(QStringLiteral("lblLimits"));
    lblLimits->setStyleSheet(QStringLiteral("color: #b00000"));

    const CalibrationLimits l = settings ? loadCalibrationLimits(*settings) : CalibrationLimits();
    spnSlopePassLow->setValue(l.slopePassLow);
    spnSlopePassHigh->setValue(l.slopePassHigh);
    spnSlopeWarnLow->setValue(l.slopeWarnLow);
    spnSlopeWarnHigh->setValue(l.slopeWarnHigh);
    spnOffsetPass->setValue(l.offsetPass);
    spnOffsetWarn->setValue(l.offsetWarn);
    spnDriftLimit->setValue(l.driftLimit);
    spnMinRecords->setValue(l.minRecords);
    spnMinPHSpan->setValue(l.minPHSpan);

    auto *g = new QGridLayout(limitsBox);
    auto row = [&](int r, const QString &what, QWidget *a, QWidget *b) {
        g->addWidget(new QLabel(what, limitsBox), r, 0);
        g->addWidget(a, r, 1);
        if (b) g->addWidget(b, r, 2);
    };
    row(0, QStringLiteral("Slope passes from/to"), spnSlopePassLow, spnSlopePassHigh);
    row(1, QStringLiteral("Slope warns from/to"), spnSlopeWarnLow, spnSlopeWarnHigh);
    row(2, QStringLiteral("Offset passes/warns within \u00B1"), spnOffsetPass, spnOffsetWarn);
    row(3, QStringLiteral("Stable span: drift at most, records at least"), spnDriftLimit, spnMinRecords);
    row(4, QStringLiteral("Points span at least"), spnMinPHSpan, nullptr);
    g->addWidget(lblLimits, 5, 0, 1, 3);

    auto *buttons = new QDialogButtonBox(this);
    cmdApply = buttons->addButton(QStringLiteral("Apply"), QDialogButtonBox::AcceptRole);
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    cmdApply->setToolTip(QStringLiteral("Write the ticked probes' slope and offset into their fields and close"));
    cmdCancel = buttons->addButton(QDialogButtonBox::Cancel);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setToolTip(QStringLiteral("Close without changing anything"));

    fraApplySegment = new QWidget(this);
    fraApplySegment->setObjectName(QStringLiteral("fraApplySegment"));
    cboApplySegment = new QComboBox(fraApplySegment);
    cboApplySegment->setObjectName(QStringLiteral("cboApplySegment"));
    cboApplySegment->setToolTip(QStringLiteral("The calibration segment whose slope and offset Apply sets"));
    auto *segmentRow = new QHBoxLayout(fraApplySegment);
    segmentRow->setContentsMargins(0, 0, 0, 0);
    segmentRow->addWidget(new QLabel(QStringLiteral("Apply to"), fraApplySegment));
    segmentRow->addWidget(cboApplySegment, 1);
    fraApplySegment->hide();

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Buffer set"), this));
    top->addWidget(cboBufferSet, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lblSign);
    layout->addWidget(tabProbes, 1);
    layout->addWidget(limitsBox);
    layout->addWidget(fraApplySegment);
    layout->addWidget(buttons);

    connect(cboBufferSet, &QComboBox::currentIndexChanged, this, [this](int index) {
        const auto &[s, name] = kSets[std::size_t(std::clamp(index, 0, int(kSets.size()) - 1))];
        if (const auto settings = openSettings()) settings->setValue(kBufferSetKey, QLatin1String(name));
        for (CalibrationProbePage *p : m_pages) p->setBufferSet(s);
    });
    for (QDoubleSpinBox *b : {spnSlopePassLow, spnSlopePassHigh, spnSlopeWarnLow, spnSlopeWarnHigh, spnOffsetPass,
                              spnOffsetWarn, spnDriftLimit, spnMinPHSpan})
        connect(b, &QDoubleSpinBox::valueChanged, this, &CalibrationDialog::limitsChanged);
    connect(spnMinRecords, &QSpinBox::valueChanged, this, &CalibrationDialog::limitsChanged);
    for (CalibrationProbePage *p : m_pages)
        connect(p, &CalibrationProbePage::resultChanged, this, &CalibrationDialog::updateApply);
    connect(cboApplySegment, &QComboBox::activated, this, &CalibrationDialog::segmentChosen);
    connect(cmdApply, &QPushButton::clicked, this, &CalibrationDialog::apply);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    for (CalibrationProbePage *p : m_pages) p->setLimits(l);
    setInputs(inputs);
}

void CalibrationDialog::setInputs(const CalibrationInputs &inputs) {
    m_inputs = inputs;
    for (int p = 0; p < 2; ++p) {
        const int t = std::clamp(inputs.thermistor[std::size_t(p)], 0, 2);
        m_pages[std::size_t(p)]->setSource(
            {inputs.table, t, inputs.thermCorr[std::size_t(t)], inputs.slope[std::size_t(p)]});
    }
}

void CalibrationDialog::setSegments(const QStringList &names, int chosen) {
    cboApplySegment->clear();
    if (names.size() > 1) cboApplySegment->addItems(names);
    cboApplySegment->setCurrentIndex(names.size() > 1 ? chosen : -1);
    fraApplySegment->setVisible(names.size() > 1);
}

int CalibrationDialog::segment() const { return std::max(0, cboApplySegment->currentIndex()); }

CalibrationLimits CalibrationDialog::limits() const {
    CalibrationLimits l;
    l.slopePassLow = spnSlopePassLow->value();
    l.slopePassHigh = spnSlopePassHigh->value();
    l.slopeWarnLow = spnSlopeWarnLow->value();
    l.slopeWarnHigh = spnSlopeWarnHigh->value();
    l.offsetPass = spnOffsetPass->value();
    l.offsetWarn = spnOffsetWarn->value();
    l.driftLimit = spnDriftLimit->value();
    l.minRecords = spnMinRecords->value();
    l.minPHSpan = spnMinPHSpan->value();
    return l;
}

void CalibrationDialog::setSpan(int probe, int fromRow, int toRow) {
    if (probe < 0 || probe > 1) probe = tabProbes->currentIndex();
    tabProbes->setCurrentIndex(probe);
    m_pages[std::size_t(probe)]->takeSpan(fromRow, toRow);
}

void CalibrationDialog::apply() {
    for (int p = 0; p < 2; ++p) {
        const CalibrationProbePage *page = m_pages[std::size_t(p)];
        if (!page->wantsApply()) continue;
        const CalibrationResult &r = page->result();
        if (m_onApply) m_onApply(p, r.slope, r.offset);
        emit applied(p, r.slope, r.offset);
    }
    accept();
}

void CalibrationDialog::limitsChanged() {
    const CalibrationLimits l = limits();
    // Nonsense is shown and used as it stands, but not remembered.
    if (sensibleLimits(l)) {
        if (const auto s = openSettings()) saveCalibrationLimits(*s, l);
        lblLimits->clear();
    } else {
        lblLimits->setText(QStringLiteral("The pass bands must lie inside the warn bands; these limits are not kept."));
    }
    for (CalibrationProbePage *p : m_pages) p->setLimits(l);
}

void CalibrationDialog::updateApply() {
    cmdApply->setEnabled(std::any_of(m_pages.begin(), m_pages.end(),
                                     [](const CalibrationProbePage *p) { return p && p->wantsApply(); }));
}
