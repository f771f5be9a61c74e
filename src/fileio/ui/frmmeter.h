#pragma once
// The small non-modal "Progress" window shown while a log file is read.
#include "fileio/progressmeter.h"

#include <QDialog>

class QLineEdit;
class QProgressBar;

class frmMeter : public QDialog, public IMeterView {
    Q_OBJECT
public:
    explicit frmMeter(QWidget *parent = nullptr);

    void showMeter() override;
    void hideMeter() override;
    void setText(const QString &text) override;
    void setProgress(int percent) override;

private:
    QLineEdit *m_text;
    QProgressBar *m_bar;
};
