#pragma once
// The main window: owns the data set, the plot set and the formatter, lays out the controls
// and hands each subsystem's behaviour to its own class.
#include "model/clsdataset.h"
#include "model/clsplotset.h"

#include <QColor>
#include <QMainWindow>
#include <array>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class DataGrid;
class Formatter;
class IInteraction;
class PlotBuilder;
class QcpGraph;
class ZoomController;
struct PlotInputs;

// Lets tests script the Open dialog; the window uses a QFileDialog otherwise.
class IFileDialog {
public:
    virtual ~IFileDialog() = default;
    struct Result {
        QString fileName;  // empty when cancelled
        int filterIndex = 1;
    };
    // title, filters in order, initial name (folder + pattern), filter to select (1-based)
    virtual Result showOpen(const QString &title, const QStringList &filters, const QString &initialName,
                            int selectedFilter) = 0;
    virtual Result showSave(const QString &title, const QStringList &filters, const QString &initialName) = 0;
};

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // ui and dialog may be null: Qt message boxes and file dialogs are used then.
    explicit frmMain(IInteraction *ui = nullptr, IFileDialog *dialog = nullptr, QWidget *parent = nullptr);
    ~frmMain() override;

    // Program-wide values remembered between runs.
    int defaultFileType = 1;
    QString defaultFilePath;

    clsDataSet &dataSet() { return *m_dataSet; }
    clsPlotSet &plotSet() { return *m_plotSet; }
    bool isZoomed() const;
    QcpGraph &graph() { return *m_graph; }

    int loadSettings();
    int saveSettings();
    void setupGridColumns(DataGrid *grid, const QStringList &names);

    static QString defaultDataFolder();

    void mnuFileOpen_Click();
    // Reads a log and brings the whole window up to date (steps after the dialog).
    void openPath(const QString &path);
    // A path given on the command line or dropped on the window: remembered as a choice would be.
    void openDroppedPath(const QString &path);
    // The folder part of a chosen path, with its trailing separator.
    static QString folderOf(const QString &chosen);
    void mnuExportTable_Click();
    void mnuSavePlot_Click();
    void mnuExit_Click();
    void mnuAbout_Click();
    void cmdCompute_Click();
    void setComputeNeeded(bool needed);
    bool validateInputs() { return true; }
    bool computePH();  // false when it stopped (a message has told why)
    void showRecord(int row);
    void lblTherm_Change(int thermistor);  // 0..2
    void lblTherm1_Change() { lblTherm_Change(0); }
    void lblTherm2_Change() { lblTherm_Change(1); }
    void lblTherm3_Change() { lblTherm_Change(2); }
    void optPH1Thermistor_Click(int) { setComputeNeeded(true); }
    void optPH2Thermistor_Click(int) { setComputeNeeded(true); }
    void rebuildPlot();
    void markPlotTime(double dateTime);
    void chkPlotPH1_Click() { rebuildPlot(); }
    void chkPlotPH2_Click() { rebuildPlot(); }
    void chkAutoscale_Click();
    void disableRangeControls();
    void enableRangeControls();
    void showAnnotationStatus(bool force);
    void cmdXMin_Click(int index) { stepRange(txtStart, index); }
    void cmdXMax_Click(int index) { stepRange(txtEnd, index); }
    void cmdYMax_Click(int index) { stepY(txtYMax, index); }
    void cmdYMin_Click(int index) { stepY(txtYMin, index); }
    void cmdStep_Click(int index);
    void cmdZoomOut_Click();
    void TDBGrid1_RowColChange() { showRecord(currentGridRow()); }
    void SSTab1_Click(int previousTab);

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void buildLayout();
    QWidget *buildGraphTab();
    QWidget *buildReadout();
    QWidget *buildCalibration();
    QWidget *buildThermistors();
    void buildMenus();
    void Form_Load();
    void Form_Unload();
    void keepOnScreen();
    void wireBehaviour();
    void setLabelColors(QLabel *label, quint32 foreBgr, std::optional<quint32> backBgr);
    PlotInputs plotInputs() const;
    void stepRange(QLineEdit *field, int index);
    void stepY(QLineEdit *field, int index);
    void clearReadout();
    int currentGridRow() const;

public:
    // Controls, named as their objectName.
    QAction *mnuFileOpen = nullptr, *mnuExportTable = nullptr, *mnuSavePlot = nullptr, *mnuPrint = nullptr,
            *mnuExit = nullptr, *mnuAbout = nullptr;
    QTabWidget *SSTab1 = nullptr;
    DataGrid *TDBGrid1 = nullptr;
    QWidget *Pesgo1 = nullptr;
    QLabel *Label12 = nullptr;
    QCheckBox *chkPlotPH1 = nullptr, *chkPlotPH2 = nullptr, *chkAutoscale = nullptr;
    QPushButton *cmdZoomOut = nullptr, *cmdCompute = nullptr;
    std::array<QPushButton *, 6> cmdStep{}, cmdXMin{}, cmdXMax{};
    std::array<QPushButton *, 4> cmdYMax{}, cmdYMin{};
    QGroupBox *frameXMin = nullptr, *frameXMax = nullptr, *frameYMax = nullptr, *frameYMin = nullptr;
    QGroupBox *Frame3 = nullptr, *Frame4 = nullptr, *Thermistors1 = nullptr, *Thermistors2 = nullptr;
    QLineEdit *txtStart = nullptr, *txtEnd = nullptr, *txtYMax = nullptr, *txtYMin = nullptr;
    QLabel *lblYMax = nullptr, *lblYMin = nullptr;
    QLineEdit *txtPH1Slope = nullptr, *txtPH2Slope = nullptr, *txtPH1Offset = nullptr, *txtPH2Offset = nullptr,
              *txtPH1Corr = nullptr, *txtPH2Corr = nullptr;
    std::array<QRadioButton *, 3> optPH1Thermistor{}, optPH2Thermistor{};
    std::array<QLineEdit *, 3> txtThermistorCorr{};
    std::array<QLabel *, 3> lblTherm{}, lblTCorrected{};
    QLabel *lblPH1 = nullptr, *lblPH2 = nullptr, *lblNow = nullptr, *lblFlowRate = nullptr, *lblTotalVolume = nullptr;
    QStatusBar *StatusBar1 = nullptr;
    QLabel *statusPanel1 = nullptr, *statusPanel2 = nullptr;

private:
    std::unique_ptr<IInteraction> m_ownUi;
    IInteraction *m_ui;
    IFileDialog *m_dialog;
    std::unique_ptr<clsDataSet> m_dataSet;
    std::unique_ptr<clsPlotSet> m_plotSet;
    std::unique_ptr<Formatter> m_formatter;
    std::unique_ptr<QcpGraph> m_graph;
    std::unique_ptr<PlotBuilder> m_plot;
    std::unique_ptr<ZoomController> m_zoom;
    bool m_unloaded = false;
    int m_currentTab = 0;
};
