#pragma once
// Tools > Quality Flag Limits: the limits the flags are set with, and the gap limit.
#include "compute/qualityflags.h"

#include <QDialog>

class QDoubleSpinBox;
class QSpinBox;

class FlagLimitsDialog : public QDialog {
    Q_OBJECT
public:
    FlagLimitsDialog(const QualityLimits &limits, double gapMinutes, QWidget *parent = nullptr);
    QualityLimits limits() const;
    double gapMinutes() const;

private:
    QDoubleSpinBox *m_disagree, *m_spike, *m_thermistors, *m_gap;
    QSpinBox *m_flat;
};
