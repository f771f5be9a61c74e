#pragma once
// The person's marks in the window: Edit > Mark as Bad, Mark as Doubtful, Clear Mark and Add
// Note over the span Alt-dragged on the plot, else the rows selected in the grid, else the
// current record; each is a decision of the project. The plot shades the marked spans.
#include <QObject>
#include <functional>
#include <optional>
#include <utility>

class IGraph;
class IInteraction;
class ProjectController;
class QMenu;
class QTableView;
class Workbench;

class MarkCommands : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<int()> currentRecord;
        std::function<void()> marksChanged;  // the grid's flags and the statistics follow
    };
    MarkCommands(Workbench &wb, IInteraction &ui, ProjectController &project, IGraph &graph, QTableView &grid,
                 Hooks hooks);

    void buildMenu(QMenu *edit);
    void markBad() { mark(1); }
    void markDoubtful() { mark(2); }
    void clearMark();
    void addNote();
    // An Alt-drag across the plot: the span the next command marks.
    void spanPicked(double fromDay, double toDay);
    // The marks as the workbench holds them, on the plot.
    void showMarks();

private:
    void mark(int kind);
    // Rows first..last the next command applies to; nothing without an open log.
    std::optional<std::pair<int, int>> targetRows() const;
    void done();
    Workbench &m_wb;
    IInteraction &m_ui;
    ProjectController &m_project;
    IGraph &m_graph;
    QTableView &m_grid;
    Hooks m_hooks;
    std::optional<std::pair<int, int>> m_picked;  // rows of the last Alt-drag, until used
};
