#pragma once
// One probe's page of the calibration dialog: its buffer points and its result.
#include "compute/buffercalibration.h"
#include "compute/buffertables.h"

#include <QStringList>
#include <QWidget>
#include <vector>

class CalibrationPointRow;
class DataTable;
class QCheckBox;
class QLabel;
class QPushButton;
class QVBoxLayout;

class CalibrationProbePage : public QWidget {
    Q_OBJECT
public:
    // probe 0 or 1; the page is named "pagePH1" or "pagePH2".
    CalibrationProbePage(int probe, BufferSet set, QWidget *parent = nullptr);

    // What a span and the one-point case read; the page recomputes.
    struct Source {
        const DataTable *table = nullptr;
        int thermistor = 0;
        double thermCorr = 0.0;
        double currentSlope = 1.0;
    };
    void setSource(const Source &source);
    void setLimits(const CalibrationLimits &limits);
    void setBufferSet(BufferSet set);

    // Fills From/To of the point being worked on with the rows and takes the span.
    void takeSpan(int fromRow, int toRow);

    const CalibrationResult &result() const { return m_result; }
    const std::vector<BufferPoint> &points() const { return m_points; }
    // The points and the result as the report and the batch command print them.
    QStringList reportLines() const;
    // The result is there and the person wants it applied.
    bool wantsApply() const;
    int pointCount() const { return int(m_rows.size()); }

signals:
    void resultChanged();

private:
    void addPoint();
    void removePoint(CalibrationPointRow *row);
    void take(CalibrationPointRow *row);
    void recompute();
    CalibrationPointRow *target() const;

    int m_probe;
    BufferSet m_set;
    Source m_source;
    CalibrationLimits m_limits;
    CalibrationResult m_result;
    std::vector<BufferPoint> m_points;  // of the result
    std::vector<CalibrationPointRow *> m_rows;
    CalibrationPointRow *m_current = nullptr;
    QVBoxLayout *m_pointsLayout;
    QPushButton *cmdAddPoint;
    QLabel *lblThermistor, *lblSlope, *lblSlopePercent, *lblOffset, *lblVerdict, *lblMessage;
    QCheckBox *chkApply;
};
