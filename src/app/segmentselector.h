#pragma once
// The calibration segments of the open log beside the calibration fields. With more than one, a
// label names the current record's segment, with buttons to the previous and next one, and "Apply to All Segments"
// copies the fields to every one; the fields show the current record's segment, and what is typed in them stays with
// the segment it was typed on. With one segment nothing of this shows.
#include "workbench/workbench.h"

#include <QObject>
#include <functional>

struct MainWindowUi;
class QLabel;
class QGridLayout;
class QPushButton;
class QWidget;

class SegmentSelector : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> computeNeeded;      // the segments' calibration changed
        std::function<void(int row)> goToRecord;  // another segment: its first record
        // Runs a change of the person's as a decision of the project (none: it just runs).
        std::function<void(const QString &name, const std::function<void()> &change)> decide{};
    };
    // Puts its controls into row `row` of the calibration fields' grid.
    SegmentSelector(Workbench &wb, MainWindowUi &ui, QGridLayout &grid, int row, Hooks hooks);

    // The fields' texts, as Compute reads them.
    CalibrationTexts fieldTexts() const;
    // The fields as the shown segment's calibration (Compute's check); false when one is no number.
    bool storeFields();
    // The current record is `row`: the fields show its segment.
    void showRowSegment(int row);
    // A log was opened: the fields are about to show its first segment.
    void opened();
    // The segments may have changed (a followed log): the choice is made anew, and the fields
    // change only when the shown segment's calibration did.
    void refresh();
    // Tools > Calibrate Probes applied a probe's slope and offset texts to a segment.
    void applyBufferCalibration(int segment, int probe, const QString &slope, const QString &offset);
    // The segments as the choice names them ("Segment 2 of 3: from 5/14/2004 00:00:00, day2.asc").
    QStringList segmentNames() const;
    // While the fields are filled from a segment: their change is no edit.
    bool filling() const { return m_filling; }

private:
    void fillFields();
    void applyToAll();
    void go(int step);  // to the first record of the segment `step` away from the current one
    void showChoice();
    QString segmentName(int index) const;
    Workbench &m_wb;
    MainWindowUi &m_ui;
    Hooks m_hooks;
    QWidget *m_box;
    QLabel *m_name;
    QPushButton *m_previous, *m_next;
    QPushButton *m_applyAll;
    bool m_filling = false;
    int m_shown = 0;            // the segment the fields last showed
    Calibration m_shownValues;  // and its calibration then
};
