#pragma once
// Tools > Quality Control...: the thresholds of the quality-control tests, each with the source
// of its default, and the climatology's span per month.
#include "qc/qcthresholds.h"

#include <QDialog>
#include <array>
#include <vector>

class QCheckBox;
class QDoubleSpinBox;

class QualityControlDialog : public QDialog {
    Q_OBJECT
public:
    explicit QualityControlDialog(const QcThresholds &thresholds, QWidget *parent = nullptr);
    QcThresholds thresholds() const;

private:
    void show(const QcThresholds &thresholds);
    std::vector<QDoubleSpinBox *> m_boxes;  // one per qcThresholdFields()
    std::array<QCheckBox *, 12> m_monthSet{};
    std::array<QDoubleSpinBox *, 12> m_monthMin{}, m_monthMax{};
};
