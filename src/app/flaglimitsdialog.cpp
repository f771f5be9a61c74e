#include "app/flaglimitsdialog.h"

#include "compute/qualitysettings.h"
#include "model/deployment.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <cmath>

namespace {
QDoubleSpinBox *limitBox(const char *name, double value, double max, int decimals, const QString &suffix) {
    auto *b = new QDoubleSpinBox;
    b->setObjectName(QLatin1String(name));
    b->setDecimals(decimals);
    b->setRange(std::pow(10.0, -decimals), max);  // a limit of 0 would flag every record
    b->setSingleStep(0.05);
    b->setSuffix(suffix);
    b->setValue(value);
    return b;
}
}  // namespace

FlagLimitsDialog::FlagLimitsDialog(const QualityLimits &l, double gapMinutes, QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFlagLimits"));
    setWindowTitle(QStringLiteral("Quality Flag Limits"));
    auto *form = new QFormLayout(this);
    m_disagree = limitBox("txtLimitDisagree", l.disagree, 14, 3, QStringLiteral(" pH"));
    m_spike = limitBox("txtLimitSpike", l.spike, 14, 3, QStringLiteral(" pH"));
    m_thermistors = limitBox("txtLimitThermistors", l.thermistors, 100, 2, QStringLiteral(" \u00B0C"));
    m_flat = new QSpinBox;
    m_flat->setObjectName(QStringLiteral("txtLimitFlat"));
    m_flat->setRange(2, 1000000);
    m_flat->setSuffix(QStringLiteral(" records"));
    m_flat->setValue(l.flatRecords);
    form->addRow(QStringLiteral("D  Probes disagree when |pH-1 - pH-2| is above"), m_disagree);
    form->addRow(QStringLiteral("S  Spike when a pH is further from the median of 5 records than"), m_spike);
    form->addRow(QStringLiteral("F  Flat signal when a raw reading is unchanged for at least"), m_flat);
    form->addRow(QStringLiteral("T  Thermistors disagree when two differ by more than"), m_thermistors);
    m_gap = limitBox("txtGapMinutes", gapMinutes, kMaxGapMinutes, 1, QStringLiteral(" min"));
    m_gap->setSingleStep(1.0);
    form->addRow(QStringLiteral("Gap longer than (no line drawn across it)"), m_gap);
    auto *buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this, [this] {
        const QualityLimits d;
        m_disagree->setValue(d.disagree);
        m_spike->setValue(d.spike);
        m_flat->setValue(d.flatRecords);
        m_thermistors->setValue(d.thermistors);
        m_gap->setValue(kDefaultGapMinutes);
    });
    form->addRow(buttons);
}

QualityLimits FlagLimitsDialog::limits() const {
    return QualityLimits{m_disagree->value(), m_spike->value(), m_flat->value(), m_thermistors->value()};
}

double FlagLimitsDialog::gapMinutes() const { return m_gap->value(); }
