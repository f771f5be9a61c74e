#pragma once
// Tools > Quality Flag Limits: the limits the flags are set with.
#include "compute/qualityflags.h"

#include <QDialog>

class QDoubleSpinBox;
class QSpinBox;

class FlagLimitsDialog : public QDialog {
    Q_OBJECT
public:
    explicit FlagLimitsDialog(const QualityLimits &limits, QWidget *parent = nullptr);
    QualityLimits limits() const;

private:
    QDoubleSpinBox *m_disagree, *m_spike, *m_thermistors;
    QSpinBox *m_flat;
};
