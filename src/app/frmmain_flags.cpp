// Quality flags and the statistics of the visible range: the dock, the grid's flags column,
// the dpH check box, stepping to suspect and failed records and the Quality Control dialog.
#include "app/datagrid.h"
#include "app/qualitycontroldialog.h"
#include "app/frmmain.h"
#include "app/projectcontroller.h"
#include "app/settingsfile.h"
#include "app/statisticspanel.h"
#include "qc/qcsettings.h"
#include "model/interaction.h"
#include "plot/ui/qcpgraph.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>

void frmMain::buildQualityControls() {
    m_statistics = new StatisticsPanel(this);
    addDockWidget(Qt::RightDockWidgetArea, m_statistics);

    QMenu *tools = menuBar()->findChild<QMenu *>(QStringLiteral("mnuTools"));
    if (!tools) tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->addSeparator();
    auto add = [&](const char *name, const QString &text, const QString &keys) {
        QAction *a = tools->addAction(text);
        a->setObjectName(QLatin1String(name));
        if (!keys.isEmpty()) a->setShortcut(QKeySequence(keys));
        return a;
    };
    add("mnuPrevFlagged", QStringLiteral("&Previous Suspect or Failed Record"), QStringLiteral("Ctrl+Left"));
    add("mnuNextFlagged", QStringLiteral("&Next Suspect or Failed Record"), QStringLiteral("Ctrl+Right"));
    add("mnuQualityControl", QStringLiteral("&Quality Control..."), QString());
    QAction *panel = m_statistics->toggleViewAction();
    panel->setObjectName(QStringLiteral("mnuStatistics"));
    panel->setText(QStringLiteral("&Statistics Panel"));
    tools->addAction(panel);
}

void frmMain::wireQualityControls() {
    Workbench &wb = *m_workbench;
    if (const std::unique_ptr<QSettings> settings = openSettings()) {
        wb.setQcThresholds(loadQcThresholds(*settings));
    }
    TDBGrid1->setFlags(&wb.flags(), &wb.qcAggregates(), [this](int row) {
        const Workbench &w = *m_workbench;
        const FlagMask f = std::size_t(row) < w.flags().size() ? w.flags()[std::size_t(row)] : 0;
        return qcTooltip(f, w.qcRowTests(row), w.qcSetup());
    });
    TDBGrid1->setMarkLetter([this](int row) {
        const std::vector<std::uint8_t> &kind = m_workbench->rowMarks().kind;
        return std::size_t(row) < kind.size() && kind[std::size_t(row)] ? markLetter(MarkKind(kind[std::size_t(row)]))
                                                                        : '\0';
    });

    connect(chkPlotDpH, &QCheckBox::clicked, this, [this] { rebuildPlot(); });
    connect(m_statistics->previousButton(), &QPushButton::clicked, this, [this] { stepFlagged(-1); });
    connect(m_statistics->nextButton(), &QPushButton::clicked, this, [this] { stepFlagged(+1); });
    connect(m_statistics->includeBadBox(), &QCheckBox::toggled, this, [this](bool on) {
        m_workbench->setStatisticsIncludeBad(on);
        updateQualityViews();
    });
    connect(findChild<QAction *>(QStringLiteral("mnuPrevFlagged")), &QAction::triggered, this,
            [this] { stepFlagged(-1); });
    connect(findChild<QAction *>(QStringLiteral("mnuNextFlagged")), &QAction::triggered, this,
            [this] { stepFlagged(+1); });
    connect(findChild<QAction *>(QStringLiteral("mnuQualityControl")), &QAction::triggered, this,
            &frmMain::mnuQualityControl_Click);

    // A zoom changes the visible range without a rebuild: follow the graph's notifications.
    for (std::function<void()> *hook : {&m_graph->onZoomIn, &m_graph->onZoomOut, &m_graph->onViewChanged}) {
        *hook = [this, before = *hook] {
            if (before) before();
            updateQualityViews();
        };
    }
}

void frmMain::updateQualityViews() {
    if (!m_statistics || !m_workbench) return;
    const Workbench &wb = *m_workbench;
    const auto [first, last] = wb.visibleRows(isZoomed());
    const DataTable *table = wb.isOpen() ? &m_workbench->table() : nullptr;
    m_statistics->setStatistics(wb.statistics(first, last), wb.flagCounts(first, last), table);
    m_statistics->setQcCounts(wb.qcAggregates().empty() ? QString() : qcCountsText(wb.qcCounts(first, last)));
    m_statistics->setGaps(gapsWithin(wb.gaps(), first, last), table);
    TDBGrid1->viewport()->update();  // the flags column and row colours follow the last Compute
}

void frmMain::stepFlagged(int direction) {
    const std::optional<int> row = nextSuspectRow(m_workbench->qcAggregates(), m_workbench->currentRecord(), direction);
    if (!row) {
        m_ui->beep();
        return;
    }
    TDBGrid1->setCurrentRecord(*row);
    showRecord(*row);
}

void frmMain::mnuQualityControl_Click() {
    QualityControlDialog dialog(m_workbench->qcThresholds(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    const QcThresholds thresholds = dialog.thresholds();
    m_project->decide(QStringLiteral("Quality Control Limits"), [&] { m_workbench->setQcThresholds(thresholds); });
    if (const std::unique_ptr<QSettings> settings = openSettings()) saveQcThresholds(*settings, thresholds);
    rebuildPlot();  // the marks, the line breaks, the counts and the grid
}
