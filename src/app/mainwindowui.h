#pragma once
// The main window's controls, each named as its objectName; built by frmMain's layout code.
#include <QtGlobal>
#include <array>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTabWidget;
class QWidget;
class DataGrid;

struct MainWindowUi {
    QAction *mnuFileOpen = nullptr, *mnuExportTable = nullptr, *mnuSavePlot = nullptr, *mnuPrint = nullptr,
            *mnuExportReport = nullptr, *mnuExit = nullptr, *mnuCalibrate = nullptr, *mnuAbout = nullptr;
    QAction *mnuLoadAllRecords = nullptr;  // checkable: logs of any length
    QAction *mnuFollow = nullptr;          // checkable: read on as the open log grows
    QAction *mnuFileOpenFolder = nullptr;  // every log of a folder as one deployment
    QTabWidget *SSTab1 = nullptr;
    DataGrid *TDBGrid1 = nullptr;
    QWidget *Pesgo1 = nullptr;
    QLabel *Label12 = nullptr;
    QCheckBox *chkPlotPH1 = nullptr, *chkPlotPH2 = nullptr, *chkAutoscale = nullptr;
    QCheckBox *chkPlotDpH = nullptr;                                 // pH-1 minus pH-2 on the right axis
    QCheckBox *chkPlotPH1Corr = nullptr, *chkPlotPH2Corr = nullptr;  // the corrected pH
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
    QLabel *statusFollow = nullptr;      // what following the log has found
    QLabel *statusReadInPart = nullptr;  // shown while the open log was not read to its end
};
