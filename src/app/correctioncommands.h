#pragma once
// Fouling and drift corrections in the window: Tools > Service Visits... (each change a decision
// of the project), the corrected pH series' check boxes and Series menu items, ticked the first
// time visits are applied.
#include <QObject>
#include <array>
#include <functional>

class IInteraction;
class ProjectController;
class QAction;
class QCheckBox;
class QMainWindow;
class Workbench;
struct CorrectionSettings;
struct ServiceVisit;

class CorrectionCommands : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> rebuildPlot;  // the window's, reading its controls
        std::function<void()> changed;      // the corrections changed: grid and statistics follow
    };
    // boxes: the plot's "pH-1 corr" and "pH-2 corr" check boxes.
    CorrectionCommands(QMainWindow &window, Workbench &wb, IInteraction &ui, ProjectController &project,
                       std::array<QCheckBox *, 2> boxes, Hooks hooks);

    // Tools > Service Visits...: the dialog, and what its OK gives applied.
    void serviceVisits();
    // Visits and settings applied as one decision "Service Visits"; false when nothing changed.
    bool apply(const std::vector<ServiceVisit> &visits, const CorrectionSettings &settings);
    // The check boxes and Series items as the plot inputs have them (a project's view).
    void showView();
    QAction *seriesAction(int probe) const { return m_actions[std::size_t(probe)]; }

private:
    void setTicked(int probe, bool on);
    Workbench &m_wb;
    IInteraction &m_ui;
    ProjectController &m_project;
    QMainWindow &m_window;
    std::array<QCheckBox *, 2> m_boxes;
    std::array<QAction *, 2> m_actions{};
    Hooks m_hooks;
};
