#pragma once
// The small non-modal "Progress" window shown while a log file is read.
#include "fileio/progressmeter.h"

#include <QDialog>

class QLineEdit;
class QProgressBar;
class QPushButton;

class frmMeter : public QDialog, public IMeterView {
    Q_OBJECT
public:
    explicit frmMeter(QWidget *parent = nullptr);
    ~frmMeter() override;

    void showMeter() override;
    void hideMeter() override;
    void setText(const QString &text) override;
    void setProgress(int percent) override;
    // Lets a click on Cancel (or Escape) through; all other input waits for the read's end.
    bool cancelRequested() override;

    // Escape and the close box cancel the read instead of hiding the meter.
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void requestCancel();
    bool isOwnTarget(QObject *watched) const;
    bool isOwnersWindow(QObject *watched) const;
    QLineEdit *m_text;
    QProgressBar *m_bar;
    QPushButton *m_cancel;
    bool m_cancelRequested = false;
    bool m_reading = false;   // between showMeter and hideMeter: the filter is installed
    bool m_checking = false;  // inside cancelRequested: other input is swallowed
};
