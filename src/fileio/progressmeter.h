#pragma once
// Progress of a file read: the reader counts the lines in, then bumps once per line; the
// display changes only when the percentage has advanced by a step.
#include "model/interaction.h"

#include <QElapsedTimer>
#include <QString>

// The window that shows the meter (frmMeter); tests use a recording fake.
class IMeterView {
public:
    virtual ~IMeterView() = default;
    virtual void showMeter() = 0;
    virtual void hideMeter() = 0;
    virtual void setText(const QString &text) = 0;
    virtual void setProgress(int percent) = 0;
    // Whether the person pressed Cancel; asked after each display update.
    virtual bool cancelRequested() { return false; }
};

class ProgressMeter {
public:
    // Both may be null: the meter then only counts.
    explicit ProgressMeter(IMeterView *view = nullptr, IInteraction *ui = nullptr) : m_view(view), m_ui(ui) {}

    void setNumRecords(int value) { m_numRecords = value; }
    void setStepSize(int value) { m_stepSize = value; }
    int GetNumRecords() const { return m_numRecords; }
    void BumpNumRecords() { ++m_numRecords; }
    // One more record processed; updates the display when the next step is reached.
    void Bump();

    // What the display shows now.
    const QString &text() const { return m_text; }
    int progress() const { return m_progress; }
    int processed() const { return m_processed; }
    // The person pressed the view's Cancel.
    bool cancelled() const { return m_cancelled; }

private:
    IMeterView *m_view;
    IInteraction *m_ui;
    int m_numRecords = 0;
    int m_stepSize = 10;
    int m_nextUpdate = 0;
    int m_processed = 0;
    QString m_text = QStringLiteral("Text1");
    int m_progress = 0;
    bool m_cancelled = false;
    QElapsedTimer m_sinceAsked;

    void askCancel();
};
