#pragma once
// Tools > Service Visits...: a table of visits per probe (when, the fouling error or the four
// readings it comes from, the drift error at one or two check buffers or the readings in them,
// a note), whether the last correction is carried on, and the grade limits.
#include "corrections/corrections.h"

#include <QDialog>
#include <array>
#include <functional>
#include <vector>

class IInteraction;
class QCheckBox;
class QDoubleSpinBox;
class QTableWidget;
class QTabWidget;

class ServiceVisitsDialog : public QDialog {
    Q_OBJECT
public:
    // The table's columns, in order.
    enum Column {
        colWhen,
        colFouling,
        colProbeBefore,
        colProbeAfter,
        colRefBefore,
        colRefAfter,
        colBuffer,
        colReading,
        colDrift,
        colBuffer2,
        colReading2,
        colDrift2,
        colNote,
        kColumns
    };
    ServiceVisitsDialog(const std::vector<ServiceVisit> &visits, const CorrectionSettings &settings, IInteraction &ui,
                        QWidget *parent = nullptr);

    // The tables read; empty error when every cell is sound. The error names the probe, the
    // visit and the field.
    struct Result {
        std::vector<ServiceVisit> visits;
        CorrectionSettings settings;
        QString error;
    };
    Result read() const;
    // OK: the visits when they are sound; otherwise the message and the dialog stays.
    void tryAccept();
    // What OK accepted.
    const std::vector<ServiceVisit> &visits() const { return m_accepted.visits; }
    const CorrectionSettings &settings() const { return m_accepted.settings; }

    // Import...: the visits of a file replace those shown; a bad file's message names its line.
    bool importFile(const QString &path);
    // The file Import... reads; Qt's open dialog unless a test sets another.
    std::function<QString()> chooseFile;

    QTableWidget *table(int probe) const { return m_tables[std::size_t(probe)]; }  // 0 or 1
    void addVisit(int probe);

private:
    void showVisits(const std::vector<ServiceVisit> &visits, const CorrectionSettings &settings);
    void fillRow(QTableWidget *t, int row, const ServiceVisit &v);
    // A reading typed: the error it gives is written beside it.
    void cellEdited(QTableWidget *t, int row, int column);
    IInteraction &m_ui;
    QTabWidget *m_tabs = nullptr;
    std::array<QTableWidget *, 2> m_tables{};
    QCheckBox *m_carryOn = nullptr;
    std::array<QDoubleSpinBox *, 4> m_limits{};
    Result m_accepted;
    bool m_filling = false;
};
