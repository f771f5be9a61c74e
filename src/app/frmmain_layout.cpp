// The main window's controls and their arrangement.
#include "app/datagrid.h"
#include "app/frmmain.h"
#include "fields/entryfieldrules.h"
#include "model/clsdataset.h"
#include "plot/ui/qcpgraph.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
const char *const kStepCaptions[6] = {"Strt", "<<", "<", ">", ">>", "End"};
const char *const kYCaptions[4] = {"+", "+", "-", "-"};

template <typename W> W *named(W *w, const char *name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

// An entry field with its initial text from the one table of field defaults.
QLineEdit *field(const char *name, int minChars) {
    auto *e = named(new QLineEdit(entryFieldInitialText(QString::fromLatin1(name))), name);
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('0')) * minChars + 12);
    return e;
}

QLabel *label(const char *name, const QString &text) { return named(new QLabel(text), name); }
QLabel *heading(const QString &text) { return new QLabel(text); }

// A row of like buttons sharing one name; each carries its index, as a control array does.
template <std::size_t N>
QHBoxLayout *buttonRow(std::array<QPushButton *, N> &buttons, const char *name, const char *const *captions,
                       std::initializer_list<int> indexes) {
    auto *row = new QHBoxLayout;
    row->setSpacing(2);
    for (int i : indexes) {
        auto *b = named(new QPushButton(QString::fromLatin1(captions[i])), name);
        b->setProperty("index", i);
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
        const int w = b->fontMetrics().horizontalAdvance(b->text()) + 18;
        b->setMinimumWidth(std::max(w, 30));
        QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        policy.setRetainSizeWhenHidden(true);  // hidden range buttons keep the layout still
        b->setSizePolicy(policy);
        buttons[std::size_t(i)] = b;
        row->addWidget(b);
    }
    return row;
}
}  // namespace

void frmMain::buildMenus() {
    QMenu *mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFileOpen = named(mnuFile->addAction(QStringLiteral("&Open")), "mnuFileOpen");
    mnuFileOpen->setShortcut(QKeySequence(QStringLiteral("Ctrl+O")));
    mnuFileOpenFolder = named(mnuFile->addAction(QStringLiteral("Open &Folder...")), "mnuFileOpenFolder");
    mnuFileOpenFolder->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+O")));
    mnuFollow = named(mnuFile->addAction(QStringLiteral("Fo&llow")), "mnuFollow");
    mnuFollow->setCheckable(true);
    mnuFollow->setShortcut(QKeySequence(QStringLiteral("Ctrl+L")));
    mnuFollow->setToolTip(QStringLiteral("Read on as the open log grows"));
    mnuFollow->setEnabled(false);  // until a file is loaded
    mnuExportTable = named(mnuFile->addAction(QStringLiteral("&Export Table...")), "mnuExportTable");
    mnuSavePlot = named(mnuFile->addAction(QStringLiteral("&Save Plot...")), "mnuSavePlot");
    mnuExportTable->setEnabled(false);  // until a file is loaded
    mnuSavePlot->setEnabled(false);
    mnuExportReport = named(mnuFile->addAction(QStringLiteral("Export &Report...")), "mnuExportReport");
    mnuExportReport->setToolTip(QStringLiteral("The report of the open log as a PDF"));
    mnuPrint = named(mnuFile->addAction(QStringLiteral("&Print...")), "mnuPrint");
    mnuPrint->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
    mnuExportReport->setEnabled(false);  // until a file is loaded
    mnuPrint->setEnabled(false);
    mnuFile->addSeparator();
    mnuLoadAllRecords = named(mnuFile->addAction(QStringLiteral("Load Logs of &Any Length")), "mnuLoadAllRecords");
    mnuLoadAllRecords->setCheckable(true);
    const QString anyLength = QStringLiteral("Load every record of a log, however long; when off, only the first %1 "
                                             "records are loaded. Applies to the next log opened.")
                                  .arg(kMaxRecords);
    mnuLoadAllRecords->setToolTip(anyLength);
    mnuLoadAllRecords->setStatusTip(anyLength);
    mnuFile->setToolTipsVisible(true);
    mnuFile->addSeparator();
    mnuExit = named(mnuFile->addAction(QStringLiteral("E&xit")), "mnuExit");
    mnuExit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    QMenu *mnuTools = menuBar()->addMenu(QStringLiteral("&Tools"));
    mnuTools->setObjectName(QStringLiteral("mnuTools"));
    mnuCalibrate = named(mnuTools->addAction(QStringLiteral("&Calibrate Probes...")), "mnuCalibrate");
    mnuCalibrate->setToolTip(QStringLiteral("Slope and offset of each probe from buffer readings"));
    mnuCalibrate->setEnabled(false);  // until a file is loaded
    mnuAbout = named(menuBar()->addAction(QStringLiteral("&About")), "mnuAbout");
}

void frmMain::buildLayout() {
    SSTab1 = named(new QTabWidget, "SSTab1");
    QFont tabFont(QStringLiteral("Arial"));
    tabFont.setPointSizeF(SSTab1->font().pointSizeF());
    SSTab1->tabBar()->setFont(tabFont);

    auto *Frame1 = named(new QWidget, "Frame1");
    auto *graphTab = new QHBoxLayout(Frame1);
    graphTab->addWidget(buildGraphTab(), 1);
    auto *side = new QVBoxLayout;
    side->addWidget(buildReadout());
    side->addWidget(buildCalibration());
    side->addWidget(buildThermistors());
    side->addStretch(1);
    graphTab->addLayout(side, 0);
    SSTab1->addTab(Frame1, QStringLiteral("Graph"));

    auto *Frame2 = named(new QWidget, "Frame2");
    TDBGrid1 = named(new DataGrid, "TDBGrid1");
    auto *tableTab = new QVBoxLayout(Frame2);
    tableTab->addWidget(TDBGrid1);
    SSTab1->addTab(Frame2, QStringLiteral("Table"));
    setCentralWidget(SSTab1);

    StatusBar1 = named(new QStatusBar, "StatusBar1");
    statusPanel1 = label("StatusBar1Panel1", QString());
    statusPanel2 = label("StatusBar1Panel2", QString());
    statusPanel1->setMinimumWidth(200);
    statusPanel1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    StatusBar1->addWidget(statusPanel1, 3);
    StatusBar1->addWidget(statusPanel2, 1);
    statusFollow = label("statusFollow", QString());
    StatusBar1->addPermanentWidget(statusFollow);
    statusFollow->hide();
    statusReadInPart = label("statusReadInPart", QString());
    StatusBar1->addPermanentWidget(statusReadInPart);
    statusReadInPart->hide();
    setStatusBar(StatusBar1);
}

QWidget *frmMain::buildGraphTab() {
    auto *host = new QWidget;
    auto *v = new QVBoxLayout(host);
    v->setContentsMargins(0, 0, 0, 0);

    // The graph covers Label12; when the graph is hidden the label shows through.
    auto *plotArea = new QWidget;
    auto *stack = new QGridLayout(plotArea);
    stack->setContentsMargins(0, 0, 0, 0);
    Label12 = label("Label12", QStringLiteral("No variables selected for plot."));
    Label12->setAlignment(Qt::AlignCenter);
    stack->addWidget(Label12, 0, 0);
    Pesgo1 = named(m_graph->widget(), "Pesgo1");
    Pesgo1->setMinimumSize(560, 300);
    QSizePolicy keepSpace = Pesgo1->sizePolicy();
    keepSpace.setRetainSizeWhenHidden(true);  // Label12 takes the graph's place; nothing else moves
    Pesgo1->setSizePolicy(keepSpace);
    stack->addWidget(Pesgo1, 0, 0);

    // Y limits beside the plot: Max at the top, Min at the bottom.
    auto yFrame = [&](QGroupBox *&frame, const char *frameName, std::array<QPushButton *, 4> &buttons,
                      const char *buttonName, QLineEdit *&text, const char *textName, QLabel *&lbl, const char *lblName,
                      const char *caption) {
        frame = named(new QGroupBox, frameName);
        frame->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        auto *g = new QVBoxLayout(frame);
        g->setSpacing(2);
        lbl = label(lblName, QString::fromLatin1(caption));
        g->addWidget(lbl);
        g->addLayout(buttonRow(buttons, buttonName, kYCaptions, {0, 1}));
        text = field(textName, 5);
        text->setMaximumWidth(text->minimumWidth() + 20);
        g->addWidget(text);
        g->addLayout(buttonRow(buttons, buttonName, kYCaptions, {2, 3}));
    };
    yFrame(frameYMax, "frameYMax", cmdYMax, "cmdYMax", txtYMax, "txtYMax", lblYMax, "lblYMax", "Max");
    yFrame(frameYMin, "frameYMin", cmdYMin, "cmdYMin", txtYMin, "txtYMin", lblYMin, "lblYMin", "Min");
    auto *yColumn = new QVBoxLayout;
    yColumn->addWidget(frameYMax);
    yColumn->addStretch(1);
    yColumn->addWidget(frameYMin);
    auto *top = new QHBoxLayout;
    top->addLayout(yColumn, 0);
    top->addWidget(plotArea, 1);
    v->addLayout(top, 1);

    auto *controls = new QHBoxLayout;
    chkPlotPH1 = named(new QCheckBox(QStringLiteral("pH-1")), "chkPlotPH1");
    chkPlotPH2 = named(new QCheckBox(QStringLiteral("pH-2")), "chkPlotPH2");
    chkPlotDpH = named(new QCheckBox(QStringLiteral("dpH")), "chkPlotDpH");
    chkPlotPH1Corr = named(new QCheckBox(QStringLiteral("pH-1 corr")), "chkPlotPH1Corr");
    chkPlotPH2Corr = named(new QCheckBox(QStringLiteral("pH-2 corr")), "chkPlotPH2Corr");
    for (QCheckBox *box : {chkPlotPH1Corr, chkPlotPH2Corr})
        box->setToolTip(QStringLiteral("The pH corrected for fouling and drift (Tools > Service Visits...)"));
    chkPlotDpH->setToolTip(QStringLiteral("pH-1 minus pH-2, on its own axis at the right"));
    chkAutoscale = named(new QCheckBox(QStringLiteral("Auto Scale")), "chkAutoscale");
    chkPlotPH1->setChecked(true);
    chkPlotPH2->setChecked(true);
    chkAutoscale->setChecked(true);
    cmdZoomOut = named(new QPushButton(QStringLiteral("ZoomOut")), "cmdZoomOut");
    cmdZoomOut->setAutoDefault(false);
    for (QWidget *w :
         {static_cast<QWidget *>(chkPlotPH1), static_cast<QWidget *>(chkPlotPH2),
          static_cast<QWidget *>(chkPlotPH1Corr), static_cast<QWidget *>(chkPlotPH2Corr),
          static_cast<QWidget *>(chkPlotDpH), static_cast<QWidget *>(chkAutoscale), static_cast<QWidget *>(cmdZoomOut)})
        controls->addWidget(w);
    controls->addSpacing(16);
    controls->addWidget(heading(QStringLiteral("Record")));
    controls->addLayout(buttonRow(cmdStep, "cmdStep", kStepCaptions, {0, 1, 2, 3, 4, 5}));
    controls->addStretch(1);
    v->addLayout(controls);

    auto xFrame = [&](QGroupBox *&frame, const char *frameName, const QString &title, QLineEdit *&text,
                      const char *textName, std::array<QPushButton *, 6> &buttons, const char *buttonName) {
        frame = named(new QGroupBox(title), frameName);
        auto *g = new QVBoxLayout(frame);
        g->setSpacing(2);
        text = field(textName, 19);
        g->addWidget(text);
        g->addLayout(buttonRow(buttons, buttonName, kStepCaptions, {0, 1, 2, 3, 4, 5}));
    };
    xFrame(frameXMin, "frameXMin", QStringLiteral("Start"), txtStart, "txtStart", cmdXMin, "cmdXMin");
    xFrame(frameXMax, "frameXMax", QStringLiteral("End"), txtEnd, "txtEnd", cmdXMax, "cmdXMax");
    auto *range = new QHBoxLayout;
    range->addWidget(frameXMin);
    range->addStretch(1);
    range->addWidget(frameXMax);
    v->addLayout(range);
    return host;
}

QWidget *frmMain::buildReadout() {
    // Readout on black, so the green, red and yellow texts stand out.
    auto *panel = named(new QWidget, "Readout");
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
    panel->setPalette(pal);
    auto *g = new QGridLayout(panel);
    lblPH1 = label("lblPH1", QString());
    lblPH2 = label("lblPH2", QString());
    lblNow = label("lblNow", QString());
    lblFlowRate = label("lblFlowRate", QString());
    lblTotalVolume = label("lblTotalVolume", QString());
    for (QLabel *l : {lblPH1, lblPH2}) {
        QFont f = l->font();
        f.setPointSizeF(f.pointSizeF() * 1.6);
        f.setBold(true);  // as the window's load makes it, so the height below fits
        l->setFont(f);
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("  00.0000")) + 8);
        // As tall empty as with a value, so the first record shown moves nothing.
        l->setText(QStringLiteral("  7.0000"));
        l->setMinimumHeight(l->sizeHint().height());
        l->clear();
    }
    lblNow->setMinimumWidth(lblNow->fontMetrics().horizontalAdvance(QStringLiteral("12/31/2099 00:00:00")) + 16);
    g->addWidget(heading(QStringLiteral("pH1")), 0, 0);
    g->addWidget(lblPH1, 0, 1);
    g->addWidget(heading(QStringLiteral("pH2")), 1, 0);
    g->addWidget(lblPH2, 1, 1);
    g->addWidget(lblNow, 2, 0, 1, 2);
    g->addWidget(heading(QStringLiteral("Flow Rate")), 3, 0);
    g->addWidget(lblFlowRate, 3, 1);
    g->addWidget(heading(QStringLiteral("Total Volume")), 4, 0);
    g->addWidget(lblTotalVolume, 4, 1);
    g->setColumnStretch(1, 1);
    return panel;
}

QWidget *frmMain::buildCalibration() {
    Frame3 = named(new QGroupBox(QStringLiteral("Calibration")), "Frame3");
    auto *g = new QGridLayout(Frame3);
    // Row 0 is the segment choice's (segmentselector.cpp), shown only for several segments.
    g->addWidget(heading(QStringLiteral("Slope")), 1, 1);
    g->addWidget(heading(QStringLiteral("Offset")), 1, 2);
    g->addWidget(heading(QStringLiteral("Corr")), 1, 3);
    g->addWidget(heading(QStringLiteral("pH1")), 2, 0);
    g->addWidget(heading(QStringLiteral("pH2")), 4, 0);
    txtPH1Slope = field("txtPH1Slope", 7);
    txtPH1Offset = field("txtPH1Offset", 7);
    txtPH1Corr = field("txtPH1Corr", 7);
    txtPH2Slope = field("txtPH2Slope", 7);
    txtPH2Offset = field("txtPH2Offset", 7);
    txtPH2Corr = field("txtPH2Corr", 7);
    g->addWidget(txtPH1Slope, 2, 1);
    g->addWidget(txtPH1Offset, 2, 2);
    g->addWidget(txtPH1Corr, 2, 3);
    g->addWidget(txtPH2Slope, 4, 1);
    g->addWidget(txtPH2Offset, 4, 2);
    g->addWidget(txtPH2Corr, 4, 3);

    auto options = [&](QGroupBox *&frame, const char *frameName, std::array<QRadioButton *, 3> &buttons,
                       const char *name) {
        frame = named(new QGroupBox, frameName);
        frame->setFlat(true);
        auto *row = new QHBoxLayout(frame);
        row->setContentsMargins(0, 0, 0, 0);
        auto *group = new QButtonGroup(frame);
        for (int i = 0; i < 3; ++i) {
            buttons[std::size_t(i)] = named(new QRadioButton(QStringLiteral("T%1").arg(i + 1)), name);
            buttons[std::size_t(i)]->setProperty("index", i);
            group->addButton(buttons[std::size_t(i)], i);
            row->addWidget(buttons[std::size_t(i)]);
        }
        buttons[0]->setChecked(true);
    };
    options(Thermistors1, "Thermistors1", optPH1Thermistor, "optPH1Thermistor");
    options(Thermistors2, "Thermistors2", optPH2Thermistor, "optPH2Thermistor");
    g->addWidget(Thermistors1, 3, 1, 1, 3);
    g->addWidget(Thermistors2, 5, 1, 1, 3);

    cmdCompute = named(new QPushButton(QStringLiteral("Compute")), "cmdCompute");
    cmdCompute->setAutoDefault(false);
    cmdCompute->setAutoFillBackground(true);
    cmdCompute->setMinimumWidth(cmdCompute->fontMetrics().horizontalAdvance(QStringLiteral("Compute (needed)")) + 24);
    g->addWidget(cmdCompute, 6, 1, 1, 3);
    return Frame3;
}

QWidget *frmMain::buildThermistors() {
    Frame4 = named(new QGroupBox(QStringLiteral("Thermistors")), "Frame4");
    auto *g = new QGridLayout(Frame4);
    g->addWidget(heading(QStringLiteral("RawTemp")), 0, 1);
    g->addWidget(heading(QStringLiteral("Corr.")), 0, 2);
    g->addWidget(heading(QStringLiteral("Corrected")), 0, 3);
    const char *const raw[3] = {"lblTherm1", "lblTherm2", "lblTherm3"};
    const char *const corr[3] = {"txtThermistor1Corr", "txtThermistor2Corr", "txtThermistor3Corr"};
    const char *const corrected[3] = {"lblT1Corrected", "lblT2Corrected", "lblT3Corrected"};
    for (int i = 0; i < 3; ++i) {
        g->addWidget(heading(QStringLiteral("T%1").arg(i + 1)), i + 1, 0);
        lblTherm[std::size_t(i)] = label(raw[i], QString());
        txtThermistorCorr[std::size_t(i)] = field(corr[i], 7);
        lblTCorrected[std::size_t(i)] = label(corrected[i], QString());
        for (QLabel *l : {lblTherm[std::size_t(i)], lblTCorrected[std::size_t(i)]})
            l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("-000.00")) + 8);
        g->addWidget(lblTherm[std::size_t(i)], i + 1, 1);
        g->addWidget(txtThermistorCorr[std::size_t(i)], i + 1, 2);
        g->addWidget(lblTCorrected[std::size_t(i)], i + 1, 3);
    }
    return Frame4;
}
