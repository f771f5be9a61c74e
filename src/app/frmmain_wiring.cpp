// Wiring of the plot, the navigation controls and the entry fields.
#include "app/datagrid.h"
#include "app/frmmain.h"
#include "app/correctioncommands.h"
#include "app/markcommands.h"
#include "app/plotcommands.h"
#include "app/projectcontroller.h"
#include "app/segmentselector.h"
#include "fields/ui/entryfieldbinder.h"
#include "fields/ui/widgetutil.h"
#include "fields/formatter.h"
#include "model/numbertext.h"
#include "plot/navigation.h"
#include "plot/ui/qcpgraph.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QRadioButton>
#include <QTabWidget>
#include <memory>

void frmMain::wireBehaviour() {
    m_formatter = std::make_unique<Formatter>(*m_ui);

    m_zoom = std::make_unique<ZoomController>(
        ZoomController::Hooks{[this] { disableRangeControls(); }, [this] { enableRangeControls(); },
                              [this](bool force) { showAnnotationStatus(force); }, [this] { rebuildPlot(); }});

    m_graph->onZoomIn = [this] { m_zoom->zoomIn(); };
    m_graph->onZoomOut = [this] { m_zoom->zoomOut(chkAutoscale->isChecked()); };
    m_graph->onPointChosen = [this](int point) { showRecord(point); };
    m_graph->onViewChanged = [this] { showAnnotationStatus(false); };
    m_graph->onSpanPicked = [this](double fromDay, double toDay) { pickCalibrationSpan(fromDay, toDay); };

    connect(chkPlotPH1, &QCheckBox::clicked, this, [this] { rebuildPlot(); });
    connect(chkPlotPH2, &QCheckBox::clicked, this, [this] { rebuildPlot(); });
    connect(chkAutoscale, &QCheckBox::clicked, this, [this] { chkAutoscale_Click(); });
    connect(cmdZoomOut, &QPushButton::clicked, this, [this] { cmdZoomOut_Click(); });
    connect(cmdCompute, &QPushButton::clicked, this, [this] { cmdCompute_Click(); });
    connect(TDBGrid1, &DataGrid::rowChanged, this, [this] { showRecord(TDBGrid1->currentRecord()); });
    connect(SSTab1, &QTabWidget::currentChanged, this, [this](int) { SSTab1_Click(m_currentTab); });
    connect(mnuLoadAllRecords, &QAction::triggered, this, [this](bool on) { mnuLoadAllRecords_Click(on); });

    for (int i = 0; i < 6; ++i) {
        connect(cmdXMin[std::size_t(i)], &QPushButton::clicked, this, [this, i] { cmdXMin_Click(i); });
        connect(cmdXMax[std::size_t(i)], &QPushButton::clicked, this, [this, i] { cmdXMax_Click(i); });
        connect(cmdStep[std::size_t(i)], &QPushButton::clicked, this, [this, i] { cmdStep_Click(i); });
    }
    for (int i = 0; i < 4; ++i) {
        connect(cmdYMax[std::size_t(i)], &QPushButton::clicked, this, [this, i] { cmdYMax_Click(i); });
        connect(cmdYMin[std::size_t(i)], &QPushButton::clicked, this, [this, i] { cmdYMin_Click(i); });
    }
    for (int i = 0; i < 3; ++i) {
        connect(optPH1Thermistor[std::size_t(i)], &QRadioButton::clicked, this, [this] { setComputeNeeded(true); });
        connect(optPH2Thermistor[std::size_t(i)], &QRadioButton::clicked, this, [this] { setComputeNeeded(true); });
    }

    for (const EntryFieldRule &rule : entryFieldRules()) {
        auto *field = findChild<QLineEdit *>(rule.name);
        if (!field) continue;
        // A calibration field marks Compute as needed when its value changes, not when leaving
        // it only rewrites the same value (0.985 as 0.9850).
        auto shown = std::make_shared<QString>();
        std::function<void()> onChange;
        if (rule.onChange == EntryFieldRule::OnChange::ComputeNeeded)
            onChange = [this, field, shown] {
                const QString now = field->text();
                const std::optional<double> before = readNumber(*shown), after = readNumber(now);
                const bool same = before && after ? *before == *after : *shown == now;
                *shown = now;
                if (!same && !(m_segments && m_segments->filling())) setComputeNeeded(true);
            };
        else
            onChange = [this] { rebuildPlot(); };
        std::function<void()> afterLeave;
        if (rule.thermistor > 0) afterLeave = [this, t = rule.thermistor - 1] { lblTherm_Change(t); };
        bindEntryField(field, rule, *m_formatter, onChange, afterLeave);
        *shown = field->text();
    }
}

bool frmMain::isZoomed() const { return m_zoom && m_zoom->isZoomed(); }

void frmMain::rebuildPlot() {
    // The plot reads the controls as they are now.
    PlotInputs &in = m_workbench->plotInputs();
    in.plotPH1 = chkPlotPH1->isChecked();
    in.plotPH2 = chkPlotPH2->isChecked();
    in.plotDpH = chkPlotDpH->isChecked();
    in.plotPH1Corr = chkPlotPH1Corr->isChecked();
    in.plotPH2Corr = chkPlotPH2Corr->isChecked();
    in.autoscale = chkAutoscale->isChecked();
    // A range field being typed in, or a pair out of order, leaves the last valid range.
    const RangeProblems why =
        takeValidRange({txtStart->text(), txtEnd->text(), txtYMin->text(), txtYMax->text()}, m_validRange, m_seenRange);
    Util::SetFieldError(txtStart, why.start);
    Util::SetFieldError(txtEnd, why.end);
    Util::SetFieldError(txtYMin, why.yMin);
    Util::SetFieldError(txtYMax, why.yMax);
    in.start = m_validRange.start;
    in.end = m_validRange.end;
    in.yMin = m_validRange.yMin;
    in.yMax = m_validRange.yMax;
    in.thermistorCorr = m_workbench->calibration().thermistorCorr;  // of the last Compute
    m_workbench->rebuildPlot();
    updateQualityViews();  // the visible range may have changed
}

void frmMain::chkAutoscale_Click() { m_zoom->autoscaleClicked(chkAutoscale->isChecked()); }

void frmMain::disableRangeControls() {
    frameXMin->setEnabled(false);
    frameXMax->setEnabled(false);
    txtStart->setEnabled(false);
    txtEnd->setEnabled(false);
    for (auto *b : cmdXMin) b->hide();
    for (auto *b : cmdXMax) b->hide();
    for (auto *b : cmdYMin) b->hide();
    for (auto *b : cmdYMax) b->hide();
    frameYMin->setEnabled(false);
    frameYMax->setEnabled(false);
    txtYMax->setEnabled(false);
    txtYMin->setEnabled(false);
}

void frmMain::enableRangeControls() {
    frameXMin->setEnabled(true);
    frameXMax->setEnabled(true);
    txtStart->setEnabled(true);
    txtEnd->setEnabled(true);
    for (auto *b : cmdXMin) b->show();
    for (auto *b : cmdXMax) b->show();
    frameYMin->setEnabled(true);
    frameYMax->setEnabled(true);
    txtYMax->setEnabled(true);
    txtYMin->setEnabled(true);
    for (QWidget *w : {static_cast<QWidget *>(txtYMax), static_cast<QWidget *>(lblYMax),
                       static_cast<QWidget *>(txtYMin), static_cast<QWidget *>(lblYMin)})
        w->show();
    for (auto *b : cmdYMin) b->show();
    for (auto *b : cmdYMax) b->show();
}

void frmMain::showAnnotationStatus(bool force) {
    statusPanel2->setText(annotationStatusText(isAnnotationInView(*m_graph), force));
}

void frmMain::writeStepped(QLineEdit *field, const std::optional<QString> &text) {
    if (text) field->setText(*text);
}

void frmMain::cmdXMin_Click(int index) { writeStepped(txtStart, m_workbench->stepStart(index)); }
void frmMain::cmdXMax_Click(int index) { writeStepped(txtEnd, m_workbench->stepEnd(index)); }
void frmMain::cmdYMax_Click(int index) { writeStepped(txtYMax, m_workbench->stepYMax(index)); }
void frmMain::cmdYMin_Click(int index) { writeStepped(txtYMin, m_workbench->stepYMin(index)); }

void frmMain::cmdZoomOut_Click() { m_graph->request(kActionUndoZoom); }

void frmMain::SSTab1_Click(int previousTab) {
    // The grid may have missed writes while hidden: refresh on leaving a tab and on coming back to the graph.
    if (previousTab == 0 || previousTab == 1) TDBGrid1->refreshGrid();
    m_currentTab = SSTab1->currentIndex();
    if (m_currentTab == 0) TDBGrid1->refreshGrid();
}

void frmMain::cmdStep_Click(int index) {
    const auto row = m_workbench->stepRecord(index);
    if (!row) return;
    TDBGrid1->setCurrentRecord(*row);
    showRecord(*row);
}

void frmMain::wireProject() {
    ProjectController::Hooks hooks;
    hooks.fileDialog = [this]() -> IFileDialog & { return fileDialog(); };
    hooks.showDecisions = [this] { showDecisions(); };
    hooks.showOpened = [this] {
        showProjectView();
        showOpened(QString());
    };
    hooks.titleChanged = [this] { showLogs(); };
    hooks.remember = [this](const QString &path) { rememberRecent(path); };
    m_project = std::make_unique<ProjectController>(*this, *m_workbench, *m_ui, std::move(hooks));
    m_project->buildMenus(menuBar()->findChild<QMenu *>(QStringLiteral("mnuFile")), mnuFollow);
    m_marks = std::make_unique<MarkCommands>(*m_workbench, *m_ui, *m_project, *m_graph, *TDBGrid1,
                                             MarkCommands::Hooks{[this] { return TDBGrid1->currentRecord(); },
                                                                 [this] {
                                                                     TDBGrid1->refreshGrid();
                                                                     updateQualityViews();
                                                                 }});
    m_marks->buildMenu(m_project->editMenu());
}

void frmMain::showProjectView() {
    // The controls the plot reads, as the project saved them; the plot is made once, after.
    const PlotInputs &in = m_workbench->plotInputs();
    for (auto [box, on] : {std::pair{chkPlotPH1, in.plotPH1}, std::pair{chkPlotPH2, in.plotPH2},
                           std::pair{chkPlotDpH, in.plotDpH}, std::pair{chkAutoscale, in.autoscale}}) {
        const QSignalBlocker quiet(box);
        box->setChecked(on);
    }
    for (const ExtraSeries &e : extraSeriesChoices())
        if (QAction *a = m_plotCommands ? m_plotCommands->seriesAction(e.field) : nullptr) {
            const QSignalBlocker quiet(a);
            a->setChecked(std::find(in.extraFields.begin(), in.extraFields.end(), e.field) != in.extraFields.end());
        }
    if (m_correctionCommands) m_correctionCommands->showView();
    Util::setTextQuietly(txtYMin, in.yMin);
    Util::setTextQuietly(txtYMax, in.yMax);
    chkAutoscale_Click();
}
