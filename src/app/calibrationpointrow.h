#pragma once
// One buffer point of the calibration dialog: the buffer, the reading and temperature typed or
// taken from a span of records, what the span held, and the point's residual.
#include "compute/buffercalibration.h"
#include "compute/buffertables.h"

#include <QGroupBox>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CalibrationPointRow : public QGroupBox {
    Q_OBJECT
public:
    // number: 1..5, shown in the title and the objectName ("point1").
    CalibrationPointRow(int number, BufferSet set, int bufferIndex, QWidget *parent = nullptr);

    void setNumber(int number);
    // Offers the set's buffers; a buffer of the other set becomes the one in the same place.
    void setBufferSet(BufferSet set);
    void setRemovable(bool removable);

    // The point as the fields say, or the reason it cannot be used yet.
    std::optional<BufferPoint> point(QString &why) const;
    QString fromText() const;
    QString toText() const;
    void setSpanTexts(const QString &from, const QString &to);
    // The span's means as the reading and temperature; the statistics under them.
    void setTaken(double mV, double temperature, const QString &summary, bool stable);
    void setSpanMessage(const QString &text);
    void setResidual(std::optional<double> pH);
    bool hasReading() const;

signals:
    void changed();
    void takeRequested();
    void removeRequested();
    void activated();  // one of its fields took the focus

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showBufferPH();
    void fillBuffers();

    BufferSet m_set;
    bool m_unstable = false;  // the reading is a span's that is not stable
    QComboBox *cboBuffer;
    QLineEdit *txtMV, *txtTemperature, *txtFrom, *txtTo;
    QPushButton *cmdTake, *cmdRemovePoint;
    QLabel *lblBufferPH, *lblSpan, *lblResidual;
};
