#include "app/qualitycontroldialog.h"

#include "qc/qcsettings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
QDoubleSpinBox *qcBox(const QString &name, const QString &unit) {
    auto *b = new QDoubleSpinBox;
    b->setObjectName(name);
    b->setDecimals(unit == u"pH" ? 4 : 3);
    b->setRange(-1000, 1000000);
    b->setSingleStep(unit == u"min" ? 1.0 : 0.1);
    b->setSuffix(u' ' + unit);
    return b;
}
}  // namespace

QualityControlDialog::QualityControlDialog(const QcThresholds &th, QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmQualityControl"));
    setWindowTitle(QStringLiteral("Quality Control"));
    auto *layout = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    int row = 0;
    for (const QcThresholdField &f : qcThresholdFields()) {
        QDoubleSpinBox *box = qcBox(QStringLiteral("txtQc") + QLatin1String(f.key), QString::fromUtf8(f.unit));
        m_boxes.push_back(box);
        grid->addWidget(new QLabel(QString::fromUtf8(f.caption)), row, 0);
        grid->addWidget(box, row, 1);
        auto *source = new QLabel(QStringLiteral("default from ") + QString::fromUtf8(f.source));
        source->setEnabled(false);  // greyed: a note, not a field
        grid->addWidget(source, row++, 2);
    }
    layout->addLayout(grid);

    auto *months = new QGroupBox(QStringLiteral("Climatology: suspect outside the month's pH span"));
    auto *mg = new QGridLayout(months);
    const QLocale c(QLocale::English);
    for (int m = 0; m < 12; ++m) {
        m_monthSet[std::size_t(m)] = new QCheckBox(c.monthName(m + 1));
        m_monthSet[std::size_t(m)]->setObjectName(QStringLiteral("chkQcMonth%1").arg(m + 1));
        m_monthMin[std::size_t(m)] = qcBox(QStringLiteral("txtQcMonthMin%1").arg(m + 1), QStringLiteral("pH"));
        m_monthMax[std::size_t(m)] = qcBox(QStringLiteral("txtQcMonthMax%1").arg(m + 1), QStringLiteral("pH"));
        const int r = m % 6, col = (m / 6) * 3;
        mg->addWidget(m_monthSet[std::size_t(m)], r, col);
        mg->addWidget(m_monthMin[std::size_t(m)], r, col + 1);
        mg->addWidget(m_monthMax[std::size_t(m)], r, col + 2);
    }
    layout->addWidget(months);

    auto *buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (sensibleThresholds(thresholds())) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            [this] { show(QcThresholds{}); });
    layout->addWidget(buttons);
    show(th);
}

void QualityControlDialog::show(const QcThresholds &th) {
    const std::vector<QcThresholdField> &fields = qcThresholdFields();
    for (std::size_t i = 0; i < fields.size(); ++i) m_boxes[i]->setValue(th.*fields[i].value);
    for (std::size_t m = 0; m < 12; ++m) {
        m_monthSet[m]->setChecked(th.climatology[m].set);
        m_monthMin[m]->setValue(th.climatology[m].set ? th.climatology[m].min : th.phUserMin);
        m_monthMax[m]->setValue(th.climatology[m].set ? th.climatology[m].max : th.phUserMax);
    }
}

QcThresholds QualityControlDialog::thresholds() const {
    QcThresholds th;
    const std::vector<QcThresholdField> &fields = qcThresholdFields();
    for (std::size_t i = 0; i < fields.size(); ++i) th.*fields[i].value = m_boxes[i]->value();
    for (std::size_t m = 0; m < 12; ++m)
        th.climatology[m] = {m_monthSet[m]->isChecked(), m_monthMin[m]->value(), m_monthMax[m]->value()};
    return th;
}
