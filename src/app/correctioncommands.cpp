#include "app/correctioncommands.h"

#include "app/projectcontroller.h"
#include "app/servicevisitsdialog.h"
#include "model/interaction.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QCheckBox>
#include <QMainWindow>
#include <QMenu>

CorrectionCommands::CorrectionCommands(QMainWindow &window, Workbench &wb, IInteraction &ui, ProjectController &project,
                                       std::array<QCheckBox *, 2> boxes, Hooks hooks)
    : QObject(&window), m_wb(wb), m_ui(ui), m_project(project), m_window(window), m_boxes(boxes),
      m_hooks(std::move(hooks)) {
    if (QMenu *tools = window.findChild<QMenu *>(QStringLiteral("mnuTools"))) {
        QAction *a = tools->addAction(QStringLiteral("Service &Visits..."));
        a->setObjectName(QStringLiteral("mnuServiceVisits"));
        a->setToolTip(QStringLiteral("Fouling and drift errors found at service visits: corrections and grades"));
        connect(a, &QAction::triggered, this, [this] { serviceVisits(); });
    }
    // The corrected series head the Series menu: they share the pH axis, unlike the rest.
    QMenu *series = window.findChild<QMenu *>(QStringLiteral("mnuSeries"));
    QAction *first = series && !series->actions().isEmpty() ? series->actions().first() : nullptr;
    for (int p = 0; p < 2; ++p) {
        const QString label = QStringLiteral("pH-%1 corr").arg(p + 1);
        QAction *a = new QAction(label, this);
        a->setCheckable(true);
        a->setObjectName(QStringLiteral("mnuSeries_pH-%1corr").arg(p + 1));
        if (series) series->insertAction(first, a);
        connect(a, &QAction::triggered, this, [this, p](bool on) {
            setTicked(p, on);
            if (m_hooks.rebuildPlot) m_hooks.rebuildPlot();
        });
        connect(m_boxes[std::size_t(p)], &QCheckBox::clicked, this, [this, p](bool on) {
            setTicked(p, on);
            if (m_hooks.rebuildPlot) m_hooks.rebuildPlot();
        });
        m_actions[std::size_t(p)] = a;
    }
    if (series) series->insertSeparator(first);
}

void CorrectionCommands::setTicked(int probe, bool on) {
    for (QObject *o :
         {static_cast<QObject *>(m_boxes[std::size_t(probe)]), static_cast<QObject *>(m_actions[std::size_t(probe)])}) {
        const QSignalBlocker quiet(o);
        if (auto *box = qobject_cast<QCheckBox *>(o)) box->setChecked(on);
        if (auto *action = qobject_cast<QAction *>(o)) action->setChecked(on);
    }
}

void CorrectionCommands::showView() {
    const PlotInputs &in = m_wb.plotInputs();
    setTicked(0, in.plotPH1Corr);
    setTicked(1, in.plotPH2Corr);
}

void CorrectionCommands::serviceVisits() {
    if (!m_wb.isOpen()) {
        m_ui.message(QStringLiteral("There are no records to correct: open a log file first."), kAppTitle,
                     MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    ServiceVisitsDialog dialog(m_wb.serviceVisits(), m_wb.correctionSettings(), m_ui, &m_window);
    if (dialog.exec() != QDialog::Accepted) return;
    apply(dialog.visits(), dialog.settings());
}

bool CorrectionCommands::apply(const std::vector<ServiceVisit> &visits, const CorrectionSettings &settings) {
    const bool first = m_wb.serviceVisits().empty();
    const bool changed =
        m_project.decide(QStringLiteral("Service Visits"), [&] { m_wb.setServiceVisits(visits, settings); });
    if (first && changed)
        for (int p = 0; p < 2; ++p)
            if (!visitsOfProbe(visits, p + 1).empty()) setTicked(p, true);
    if (m_hooks.changed) m_hooks.changed();
    if (m_hooks.rebuildPlot) m_hooks.rebuildPlot();
    return changed;
}
