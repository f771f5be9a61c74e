#include "app/projectcontroller.h"

#include "app/frmmain.h"
#include "model/interaction.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QTimer>
#include <QUndoStack>

namespace {

const QString kProjectFilter = QStringLiteral("Brinewick projects (*.brinewick)");

// One decision on the undo stack. It was done when it was pushed, so the first redo does nothing.
class DecisionCommand : public QUndoCommand {
public:
    DecisionCommand(Workbench &wb, Workbench::DecisionStep step, std::function<void()> shown, bool &replaying)
        : QUndoCommand(step.name), m_wb(wb), m_step(std::move(step)), m_shown(std::move(shown)),
          m_replaying(replaying) {}
    void undo() override {
        replay([this] { m_wb.undoDecision(m_step); });
    }
    void redo() override {
        if (m_done) return replay([this] { m_wb.redoDecision(m_step); });
        m_done = true;
    }

private:
    void replay(const std::function<void()> &f) {
        m_replaying = true;
        f();
        if (m_shown) m_shown();
        m_replaying = false;
    }
    Workbench &m_wb;
    Workbench::DecisionStep m_step;
    std::function<void()> m_shown;
    bool &m_replaying;
    bool m_done = false;
};

}  // namespace

ProjectController::ProjectController(QMainWindow &window, Workbench &wb, IInteraction &ui, Hooks hooks)
    : m_window(window), m_wb(wb), m_ui(ui), m_hooks(std::move(hooks)), m_stack(std::make_unique<QUndoStack>()) {
    connect(m_stack.get(), &QUndoStack::cleanChanged, this, [this] {
        if (m_hooks.titleChanged) m_hooks.titleChanged();
    });
    m_recovery = new QTimer(this);
    m_recovery->setInterval(60 * 1000);
    connect(m_recovery, &QTimer::timeout, this, [this] {
        if (modified()) writeRecovery();
    });
    m_recovery->start();
}

ProjectController::~ProjectController() = default;

void ProjectController::buildMenus(QMenu *file, QAction *before) {
    auto add = [&](const QString &text, const char *name, const QString &keys, std::function<void()> run) {
        auto *a = new QAction(text, file);
        a->setObjectName(QLatin1String(name));
        if (!keys.isEmpty()) a->setShortcut(QKeySequence(keys));
        connect(a, &QAction::triggered, this, std::move(run));
        file->insertAction(before, a);
    };
    add(QStringLiteral("Open &Project..."), "mnuOpenProject", QStringLiteral("Ctrl+Shift+P"),
        [this] { chooseAndOpen(); });
    add(QStringLiteral("Sa&ve Project"), "mnuSaveProject", QStringLiteral("Ctrl+S"), [this] { save(); });
    add(QStringLiteral("Save Project &As..."), "mnuSaveProjectAs", QString(), [this] { saveAs(); });
    file->insertSeparator(before);

    m_edit = new QMenu(QStringLiteral("&Edit"), &m_window);
    m_edit->setObjectName(QStringLiteral("mnuEdit"));
    QAction *undo = m_stack->createUndoAction(m_edit, QStringLiteral("&Undo"));
    undo->setObjectName(QStringLiteral("mnuUndo"));
    undo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    QAction *redo = m_stack->createRedoAction(m_edit, QStringLiteral("&Redo"));
    redo->setObjectName(QStringLiteral("mnuRedo"));
    redo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    m_edit->addAction(undo);
    m_edit->addAction(redo);
    const QList<QAction *> bar = m_window.menuBar()->actions();
    const qsizetype at = bar.indexOf(file->menuAction());
    m_window.menuBar()->insertMenu(at >= 0 && at + 1 < bar.size() ? bar[at + 1] : nullptr, m_edit);
}

bool ProjectController::decide(const QString &name, const std::function<void()> &change, const QString &reason) {
    if (m_replaying) {
        change();
        return false;
    }
    std::optional<Workbench::DecisionStep> step = m_wb.decide(name, change, reason);
    if (!step) return false;
    m_stack->push(new DecisionCommand(m_wb, std::move(*step), m_hooks.showDecisions, m_replaying));
    if (m_hooks.titleChanged) m_hooks.titleChanged();
    return true;
}

bool ProjectController::modified() const { return !m_stack->isClean() || m_restored; }

QString ProjectController::name() const { return m_path.isEmpty() ? QString() : QFileInfo(m_path).fileName(); }

bool ProjectController::maybeSave() {
    if (!modified()) return true;
    const QString what = m_path.isEmpty() ? QStringLiteral("The decisions made on these logs have not been saved.")
                                          : QStringLiteral("The changes to \"%1\" have not been saved.").arg(name());
    switch (m_ui.message(what + QStringLiteral("\nSave them in a project?"), kAppTitle, MsgButtons::SaveDiscardCancel,
                         MsgIcon::Question)) {
    case MsgAnswer::Save: return save();
    case MsgAnswer::Discard: QFile::remove(recoveryPath()); return true;
    default: return false;
    }
}

bool ProjectController::save() { return m_path.isEmpty() ? saveAs() : saveTo(m_path); }

bool ProjectController::saveAs() {
    if (!m_wb.isOpen()) return false;
    QString start = m_path;
    if (start.isEmpty())
        start = QFileInfo(m_wb.path())
                    .dir()
                    .filePath(QFileInfo(m_wb.path()).completeBaseName() + QStringLiteral(".brinewick"));
    const IFileDialog::Result chosen =
        m_hooks.fileDialog().showSave(QStringLiteral("Save Project"), {kProjectFilter}, start);
    if (chosen.fileName.isEmpty()) return false;
    QString path = chosen.fileName;
    if (!path.endsWith(QStringLiteral(".brinewick"), Qt::CaseInsensitive)) path += QStringLiteral(".brinewick");
    return saveTo(path);
}

bool ProjectController::saveTo(const QString &path) {
    const QString error = m_wb.saveProject(path);
    if (!error.isEmpty()) {
        m_ui.message(error, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    m_restored = false;
    m_stack->setClean();
    QFile::remove(recoveryPath());
    setPath(path);
    return true;
}

void ProjectController::chooseAndOpen() {
    const IFileDialog::Result chosen = m_hooks.fileDialog().showOpen(
        QStringLiteral("Open Project"), {kProjectFilter, QStringLiteral("All files (*.*)")},
        m_path.isEmpty() ? QString() : QFileInfo(m_path).path() + QStringLiteral("/"), 1);
    if (!chosen.fileName.isEmpty()) open(chosen.fileName);
}

bool ProjectController::open(const QString &path) {
    if (!maybeSave()) return false;
    if (!m_wb.openProject(path)) return false;
    m_stack->clear();
    m_restored = false;
    setPath(path);
    if (m_hooks.showOpened) m_hooks.showOpened();
    if (m_hooks.remember) m_hooks.remember(path);
    return true;
}

void ProjectController::forget() {
    m_stack->clear();
    m_restored = false;
    setPath(QString());
}

void ProjectController::setPath(const QString &path) {
    m_path = path;
    if (m_hooks.titleChanged) m_hooks.titleChanged();
}

QString ProjectController::recoveryPath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("recovery.brinewick"));
}

void ProjectController::writeRecovery() {
    if (!m_wb.isOpen()) return;
    QDir().mkpath(QFileInfo(recoveryPath()).path());
    m_wb.saveProject(recoveryPath());  // atomic: a failed write leaves the last one
}

void ProjectController::offerRecovery() {
    const QString file = recoveryPath();
    if (!QFileInfo(file).isFile()) return;
    const QString when = QFileInfo(file).lastModified().toString(QStringLiteral("M/d/yyyy hh:mm:ss"));
    if (m_ui.message(QStringLiteral("Brinewick did not close properly last time. Restore the decisions not saved then "
                                    "(recovered at %1)?")
                         .arg(when),
                     kAppTitle, MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes) {
        QFile::remove(file);
        return;
    }
    // Kept aside first: whatever the load does, the next minute's recovery cannot overwrite it.
    const QString kept = QFileInfo(file).path() + QStringLiteral("/recovery-") +
                         QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-hhmmss")) +
                         QStringLiteral(".brinewick");
    if (!QFile::rename(file, kept)) return;
    if (!m_wb.openProject(kept)) {
        m_ui.message(QStringLiteral("The recovered decisions are kept in \"%1\".").arg(kept), kAppTitle, MsgButtons::Ok,
                     MsgIcon::Information);
        return;
    }
    m_stack->clear();
    setPath(QString());
    m_restored = true;  // unsaved until the person saves them
    if (m_hooks.showOpened) m_hooks.showOpened();
    if (m_hooks.titleChanged) m_hooks.titleChanged();
    writeRecovery();
    if (QFileInfo(file).isFile()) QFile::remove(kept);
}
