#pragma once
// The main window: builds the controls, maps them to and from the workbench that holds the
// open log, and forwards the person's actions to it.
#include "app/mainwindowui.h"
#include "plot/rangefields.h"

#include <QMainWindow>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>

class CalibrationDialog;
class FileWatch;
struct FollowStep;
class StatisticsPanel;
struct CalibrationInputs;
class Formatter;
class QPrinter;
struct ReportContent;
class IInteraction;
class QcpGraph;
class RecentFiles;
class SegmentSelector;
class Workbench;
class ZoomController;
class PlotCommands;
class ProjectController;
class MarkCommands;
class CorrectionCommands;
class clsDataSet;

// Lets tests script the file dialogs; the window uses a QFileDialog otherwise.
class IFileDialog {
public:
    virtual ~IFileDialog() = default;
    struct Result {
        QString fileName;  // empty when cancelled
        int filterIndex = 1;
        bool option = false;      // the check box of showSaveWithOption, ticked
        QStringList fileNames{};  // showOpen: every file chosen (empty: fileName alone)
    };
    // title, filters in order, initial name (folder + pattern), filter to select (1-based)
    virtual Result showOpen(const QString &title, const QStringList &filters, const QString &initialName,
                            int selectedFilter) = 0;
    virtual Result showSave(const QString &title, const QStringList &filters, const QString &initialName) = 0;
    // A folder; empty when cancelled.
    virtual QString showFolder(const QString &title, const QString &start) {
        Q_UNUSED(title);
        Q_UNUSED(start);
        return {};
    }
    // The same with a check box under the file list (e.g. "Visible range only").
    virtual Result showSaveWithOption(const QString &title, const QStringList &filters, const QString &initialName,
                                      const QString &option) {
        Q_UNUSED(option);
        return showSave(title, filters, initialName);
    }
};

class frmMain : public QMainWindow, public MainWindowUi {
    Q_OBJECT
public:
    // ui and dialog may be null: Qt message boxes and file dialogs are used then.
    explicit frmMain(IInteraction *ui = nullptr, IFileDialog *dialog = nullptr, QWidget *parent = nullptr);
    ~frmMain() override;

    // Program-wide values remembered between runs.
    int defaultFileType = 1;
    QString defaultFilePath;

    Workbench &workbench() { return *m_workbench; }
    clsDataSet &dataSet();
    QcpGraph &graph() { return *m_graph; }
    bool isZoomed() const;
    PlotCommands &plotCommands() { return *m_plotCommands; }
    ProjectController &project() { return *m_project; }
    MarkCommands &markCommands() { return *m_marks; }
    CorrectionCommands &correctionCommands() { return *m_correctionCommands; }
    // The file dialogs: the one given, else Qt's.
    IFileDialog &fileDialog();

    int loadSettings();
    int saveSettings();
    void setupGridColumns(DataGrid *grid, const QStringList &names);
    static QString defaultDataFolder();
    // The folder part of a chosen path, with its trailing separator.
    static QString folderOf(const QString &chosen);

    // Menu commands and buttons, as the person triggers them.
    void mnuFileOpen_Click();
    // File > Open Folder...: every log of the folder as one deployment.
    void mnuFileOpenFolder_Click();
    void mnuExportTable_Click();
    void mnuSavePlot_Click();
    void mnuExit_Click();
    void mnuCalibrate_Click();
    void mnuPrint_Click();
    void mnuExportReport_Click();
    // The report as Print and Export Report make it (frmmain_report.cpp).
    ReportContent currentReport() const;
    bool printReport(QPrinter &printer);
    void mnuAbout_Click();
    // File > Load Logs of Any Length: remembered, and used from the next open on.
    void mnuLoadAllRecords_Click(bool on);
    void cmdCompute_Click();
    void cmdStep_Click(int index);
    // The range step buttons: txtStart, txtEnd, txtYMax and txtYMin.
    void cmdXMin_Click(int index);
    void cmdXMax_Click(int index);
    void cmdYMax_Click(int index);
    void cmdYMin_Click(int index);
    // Reads a log and brings the whole window up to date (steps after the dialog).
    void openPath(const QString &path);
    // Several logs as one deployment (one: openPath); a folder's logs when `folder` is given.
    void openPaths(const QStringList &paths, const QString &folder = QString());
    // A path given on the command line or dropped on the window: remembered as a choice would be.
    void openDroppedPath(const QString &path);
    // Several of them: opened together.
    void openDroppedPaths(const QStringList &paths);
    void showRecord(int row);
    // A later start's arguments, handed over: opened as soon as no dialog or read is under way,
    // and the window comes to the front.
    void openHandedOver(const QStringList &arguments);
    // File > Follow ticked or unticked.
    void mnuFollow_Click(bool on);
    // One look at the followed log, as the watcher and the poll timer make it.
    void pollNow();

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Layout (frmmain_layout.cpp).
    void buildLayout();
    QWidget *buildGraphTab();
    QWidget *buildReadout();
    QWidget *buildCalibration();
    QWidget *buildThermistors();
    void buildMenus();
    // Start and end of the window (frmmain.cpp).
    void Form_Load();
    void Form_Unload();
    void keepOnScreen();
    void setLabelColors(QLabel *label, quint32 foreBgr, std::optional<quint32> backBgr);
    // Wiring and the plot's controls (frmmain_wiring.cpp).
    void wireBehaviour();
    void rebuildPlot();
    void chkAutoscale_Click();
    void disableRangeControls();
    void enableRangeControls();
    void showAnnotationStatus(bool force);
    void writeStepped(QLineEdit *field, const std::optional<QString> &text);
    void cmdZoomOut_Click();
    void SSTab1_Click(int previousTab);
    // Compute and the readout (frmmain_compute.cpp).
    void setComputeNeeded(bool needed);
    void lblTherm_Change(int thermistor);  // 0..2
    void clearReadout();
    // File > Recent Files (frmmain_recent.cpp).
    void buildRecentFiles();
    void openRecent(const QString &path);
    void rememberRecent(const QString &path);
    RecentFiles *m_recent = nullptr;
    // The remembered any-length setting (frmmain_anylength.cpp).
    void loadAnyLengthSetting();
    // Following the open log (frmmain_follow.cpp).
    void startFollowing();
    void stopFollowing();
    void watchFollowedLog();
    void showAppended(const FollowStep &step, bool atLastRecord);
    void showReadAgain();
    // The grid's Log column and the window title after the deployment's logs changed.
    void showLogs();
    void showFileCalibration();
    // After a read or a project's open: the grid, fields, plot and menus show the deployment.
    void showOpened(const QString &path);
    // The workbench's decisions changed under the window (an undo, a redo): show them.
    void showDecisions();
    // Compute as the button does it, but no decision of the person's (frmmain_compute.cpp).
    void computeNow();
    // The project's controller and the marks' commands (frmmain_wiring.cpp).
    void wireProject();
    // The plot's controls as the opened project's view has them.
    void showProjectView();
    std::unique_ptr<IFileDialog> m_ownDialog;
    std::unique_ptr<ProjectController> m_project;
    std::unique_ptr<MarkCommands> m_marks;
    std::unique_ptr<CorrectionCommands> m_correctionCommands;
    void showFollowStatus();
    std::unique_ptr<FileWatch> m_watch;
    qint64 m_lastGrowthMs = 0;
    bool m_polling = false;  // when the followed log last grew (monotonic clock)
    // Tooltips and keys (frmmain_keys.cpp).
    void addTooltipsAndKeys();
    // Calibration values the last log did not give (frmmain_kept.cpp).
    void buildKeptLabel();
    void showKeptCalibration();
    // The thermistor choices and corrections that differ from the fields' initial values.
    QStringList changedThermistorSettings() const;
    QLabel *lblKept = nullptr;
    // Quality flags and statistics (frmmain_flags.cpp).
    void buildQualityControls();
    void wireQualityControls();
    void updateQualityViews();
    void stepFlagged(int direction);
    void mnuQualityControl_Click();
    // Buffer calibration (frmmain_calibrate.cpp).
    CalibrationInputs calibrationInputs();
    void applyCalibration(int probe, double slope, double offset);
    void pickCalibrationSpan(double fromDay, double toDay);
    // First opening: where the dialog was last left, or beside the window at a size that cuts nothing.
    void placeCalibrationDialog();
    void saveReport(const QString &path);

    std::unique_ptr<IInteraction> m_ownUi;
    IInteraction *m_ui;
    IFileDialog *m_dialog;
    std::unique_ptr<QcpGraph> m_graph;
    std::unique_ptr<Workbench> m_workbench;
    std::unique_ptr<Formatter> m_formatter;
    std::unique_ptr<ZoomController> m_zoom;
    std::array<QStringList, 2> m_bufferCalibration;  // applied this session, for the report
    CalibrationDialog *m_calibration = nullptr;      // made on first use, then kept beside the window
    StatisticsPanel *m_statistics = nullptr;         // made on first use, then kept beside the window
    SegmentSelector *m_segments = nullptr;           // the calibration segments beside the fields
    RangeTexts m_validRange;                         // what the plot last took from the range fields
    RangeTexts m_seenRange;                          // the range fields' texts at the last rebuild
    void openHandedWhenIdle();
    QList<QStringList> m_handedOver;               // starts waiting to be opened
    bool m_opening = false;                        // a read is under way (its meter lets events through)
    std::unique_ptr<PlotCommands> m_plotCommands;  // the plot's menus and keys (plotcommands.cpp)
    bool m_unloaded = false;
    int m_currentTab = 0;
};
