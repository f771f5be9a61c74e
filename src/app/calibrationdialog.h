#pragma once
// "Calibrate Probes": slope and offset of each probe from buffer readings, typed or taken from
// spans of records. Non-modal: it can stay open beside the window, which feeds it spans picked
// on the plot through setSpan. Nothing is written anywhere until Apply.
#include "compute/buffercalibration.h"

#include <QDialog>
#include <array>
#include <functional>

class CalibrationProbePage;
class DataTable;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTabWidget;

// What the dialog reads from the window.
struct CalibrationInputs {
    const DataTable *table = nullptr;          // the open log's records; nullptr: typed points only
    std::array<int, 2> thermistor{0, 0};       // per probe, 0..2 for T1..T3
    std::array<double, 3> thermCorr{0, 0, 0};  // the three thermistor corrections, degrees Celsius
    std::array<double, 2> slope{1.0, 1.0};     // the probes' current slope factors (kept by one point)
};

class CalibrationDialog : public QDialog {
    Q_OBJECT
public:
    // probe 0 or 1, slope factor, offset in V; called on Apply for every probe that is applied.
    using ApplyHandler = std::function<void(int probe, double slope, double offset)>;

    explicit CalibrationDialog(const CalibrationInputs &inputs, QWidget *parent = nullptr);

    // After a new log, a computation or another thermistor choice; the results follow.
    void setInputs(const CalibrationInputs &inputs);
    void setApplyHandler(ApplyHandler handler) { m_onApply = std::move(handler); }
    CalibrationProbePage *page(int probe) const { return m_pages[std::size_t(probe)]; }
    CalibrationLimits limits() const;
    // With more than one calibration segment, a choice of the one Apply sets; `chosen` is
    // chosen (the current record's). With one, nothing shows and segment() is 0.
    void setSegments(const QStringList &names, int chosen);
    int segment() const;

public slots:
    // A span picked on the plot: rows fromRow..toRow go to the point being worked on of that
    // probe's page (probe -1: the page shown), and are taken at once.
    void setSpan(int probe, int fromRow, int toRow);

signals:
    void applied(int probe, double slope, double offset);
    // Another segment was chosen: its thermistors and slopes are the inputs now.
    void segmentChosen(int segment);

private:
    void apply();
    void limitsChanged();
    void updateApply();

    CalibrationInputs m_inputs;
    ApplyHandler m_onApply;
    std::array<CalibrationProbePage *, 2> m_pages{};
    QTabWidget *tabProbes;
    QComboBox *cboBufferSet;
    QWidget *fraApplySegment;
    QComboBox *cboApplySegment;
    QDoubleSpinBox *spnSlopePassLow, *spnSlopePassHigh, *spnSlopeWarnLow, *spnSlopeWarnHigh, *spnOffsetPass,
        *spnOffsetWarn, *spnDriftLimit, *spnMinPHSpan;
    QSpinBox *spnMinRecords;
    QLabel *lblLimits;
    QPushButton *cmdApply, *cmdCancel;
};
