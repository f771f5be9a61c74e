#include "app/markcommands.h"

#include "app/projectcontroller.h"
#include "compute/calibrationspan.h"
#include "model/interaction.h"
#include "plot/graph.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QMenu>
#include <QTableView>

MarkCommands::MarkCommands(Workbench &wb, IInteraction &ui, ProjectController &project, IGraph &graph, QTableView &grid,
                           Hooks hooks)
    : m_wb(wb), m_ui(ui), m_project(project), m_graph(graph), m_grid(grid), m_hooks(std::move(hooks)) {
    m_graph.onMarkSpanPicked = [this](double fromDay, double toDay) { spanPicked(fromDay, toDay); };
}

void MarkCommands::buildMenu(QMenu *edit) {
    edit->addSeparator();
    auto add = [&](const QString &text, const char *name, const QString &keys, std::function<void()> run) {
        QAction *a = edit->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(QKeySequence(keys));
        a->setStatusTip(QStringLiteral("Over the span Alt-dragged on the plot, or the rows selected in the table"));
        connect(a, &QAction::triggered, this, std::move(run));
    };
    add(QStringLiteral("Mark as &Bad..."), "mnuMarkBad", QStringLiteral("Ctrl+B"), [this] { markBad(); });
    add(QStringLiteral("Mark as &Doubtful..."), "mnuMarkDoubtful", QStringLiteral("Ctrl+D"),
        [this] { markDoubtful(); });
    add(QStringLiteral("&Clear Mark"), "mnuClearMark", QStringLiteral("Ctrl+Shift+B"), [this] { clearMark(); });
    add(QStringLiteral("Add &Note..."), "mnuAddNote", QStringLiteral("Ctrl+N"), [this] { addNote(); });
}

std::optional<std::pair<int, int>> MarkCommands::targetRows() const {
    if (!m_wb.isOpen() || m_wb.table().rowCount() == 0) return std::nullopt;
    if (m_picked) return m_picked;
    int first = -1, last = -1;
    if (const QItemSelectionModel *s = m_grid.selectionModel())
        for (const QItemSelectionRange &r : s->selection()) {
            first = first < 0 ? r.top() : std::min(first, r.top());
            last = std::max(last, r.bottom());
        }
    if (first < 0) first = last = m_hooks.currentRecord ? m_hooks.currentRecord() : -1;
    if (first < 0) return std::nullopt;
    return std::pair{first, last};
}

void MarkCommands::mark(int kind) {
    const auto rows = targetRows();
    if (!rows) return;
    const QString title = kind == 1 ? QStringLiteral("Mark as Bad") : QStringLiteral("Mark as Doubtful");
    const std::optional<QString> reason = m_ui.askText(title, QStringLiteral("Reason (required):"));
    if (!reason) return;
    QString error;
    m_project.decide(
        title, [&] { error = m_wb.markRows(rows->first, rows->second, MarkKind(kind), reason->trimmed()); },
        reason->trimmed());
    if (!error.isEmpty()) {
        m_ui.message(error, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    done();
}

void MarkCommands::clearMark() {
    const auto rows = targetRows();
    if (!rows) return;
    // The bad or doubtful marks first; where there are none, the notes.
    if (!m_project.decide(QStringLiteral("Clear Mark"), [&] { m_wb.clearMarks(rows->first, rows->second); }))
        m_project.decide(QStringLiteral("Clear Note"), [&] { m_wb.clearMarks(rows->first, rows->second, true); });
    done();
}

void MarkCommands::addNote() {
    const auto rows = targetRows();
    if (!rows) return;
    const std::optional<QString> note = m_ui.askText(QStringLiteral("Add Note"), QStringLiteral("Note:"));
    if (!note || note->trimmed().isEmpty()) return;
    m_project.decide(QStringLiteral("Add Note"),
                     [&] { m_wb.markRows(rows->first, rows->second, MarkKind::Note, note->trimmed()); });
    done();
}

void MarkCommands::spanPicked(double fromDay, double toDay) {
    m_picked = m_wb.isOpen() ? rowsBetween(m_wb.table(), fromDay, toDay) : std::nullopt;
    if (!m_picked) m_ui.beep();  // no record inside the drag
    showMarks();
}

void MarkCommands::done() {
    m_picked.reset();
    showMarks();
    if (m_hooks.marksChanged) m_hooks.marksChanged();
}

void MarkCommands::showMarks() {
    std::vector<IGraph::MarkSpan> spans;
    for (const Mark &m : m_wb.marks().list()) spans.push_back({m.from, m.to, int(m.kind), m.text});
    if (m_picked) {
        const DataTable &t = m_wb.table();
        spans.push_back({t.rowDay(m_picked->first), t.rowDay(m_picked->second), 0, QString()});
    }
    m_graph.setMarkSpans(std::move(spans));
    m_graph.request(kActionRedraw);
}
