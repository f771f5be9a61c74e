#pragma once
// The project of the open deployment in the window: File > Open/Save Project, the Edit menu's
// undo and redo of every decision (each also a trail entry), the title's name and *, the
// question before unsaved decisions are dropped, and a recovery file while they are unsaved.
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class IFileDialog;
class IInteraction;
class QAction;
class QMainWindow;
class QMenu;
class QTimer;
class QUndoStack;
class Workbench;

class ProjectController : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<IFileDialog &()> fileDialog;
        std::function<void()> showDecisions;  // the workbench's decisions changed under the window
        std::function<void()> showOpened;     // a project opened its deployment
        std::function<void()> titleChanged;
        std::function<void(const QString &)> remember;  // a project for Recent Files
    };
    ProjectController(QMainWindow &window, Workbench &wb, IInteraction &ui, Hooks hooks);
    ~ProjectController() override;

    // Open, Save and Save As go into `file` before `before`; the Edit menu after `file`.
    void buildMenus(QMenu *file, QAction *before);
    QMenu *editMenu() const { return m_edit; }

    // A decision of the person: `change` runs, and what it changed becomes an undoable step and
    // a trail entry. False when it changed nothing.
    bool decide(const QString &name, const std::function<void()> &change, const QString &reason = {});

    // Unsaved decisions: Save / Discard / Cancel. False when the person cancelled (or a save failed).
    bool maybeSave();
    bool save();
    bool saveAs();
    void chooseAndOpen();
    bool open(const QString &path);
    // Another deployment was opened without a project: a new, unnamed one starts.
    void forget();

    bool modified() const;
    QString path() const { return m_path; }
    // "deployment.brinewick" or nothing before one is saved or opened.
    QString name() const;

    // The recovery file of an earlier run that ended without closing: offered back once.
    void offerRecovery();
    static QString recoveryPath();
    // Writes the recovery file now (the timer does every minute while decisions are unsaved).
    void writeRecovery();

private:
    bool saveTo(const QString &path);
    void setPath(const QString &path);
    QMainWindow &m_window;
    Workbench &m_wb;
    IInteraction &m_ui;
    Hooks m_hooks;
    std::unique_ptr<QUndoStack> m_stack;
    QMenu *m_edit = nullptr;
    QTimer *m_recovery = nullptr;
    QString m_path;
    bool m_replaying = false;  // an undo or redo runs: no new step
    bool m_restored = false;   // decisions recovered from a crash, not yet saved
};
