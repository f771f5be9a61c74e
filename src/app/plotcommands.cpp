#include "app/plotcommands.h"

#include "model/datetime.h"
#include "model/interaction.h"
#include "plot/navigation.h"
#include "plot/plotbuilder.h"
#include "plot/ui/qcpgraph.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <cmath>

PlotCommands::PlotCommands(QMainWindow &window, QWidget &graphTab, Workbench &workbench, QcpGraph &graph,
                           IInteraction &ui, Hooks hooks)
    : QObject(&window), m_window(window), m_workbench(workbench), m_graph(graph), m_ui(ui), m_hooks(std::move(hooks)) {
    buildSeriesMenu();

    QMenu *tools = window.findChild<QMenu *>(QStringLiteral("mnuTools"));
    QAction *go = tools ? tools->addAction(QStringLiteral("&Go to Time...")) : new QAction(this);
    go->setObjectName(QStringLiteral("mnuGoToTime"));
    go->setShortcut(QKeySequence(QStringLiteral("Ctrl+G")));
    go->setToolTip(QStringLiteral("Type a date and time: the nearest record becomes current"));
    connect(go, &QAction::triggered, this, [this] { askTime(); });

    // After About, which keeps its place.
    QMenu *help = window.menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelpMenu"));
    QAction *page = help->addAction(QStringLiteral("Brinewick &Help"));
    page->setObjectName(QStringLiteral("mnuHelp"));
    page->setShortcut(QKeySequence(Qt::Key_F1));
    connect(page, &QAction::triggered, this, [this] { showHelp(); });

    // An entry field keeps Backspace for its text.
    auto *back =
        new QShortcut(QKeySequence(Qt::Key_Backspace), &graphTab, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(back, &QShortcut::activated, this, [this] { m_graph.request(kActionZoomBack); });
}

void PlotCommands::buildSeriesMenu() {
    QMenu *menu = new QMenu(QStringLiteral("&Series"), &m_window);
    menu->setObjectName(QStringLiteral("mnuSeries"));
    // Before Tools, beside the plot's own check boxes in spirit.
    QMenu *tools = m_window.findChild<QMenu *>(QStringLiteral("mnuTools"));
    m_window.menuBar()->insertMenu(tools ? tools->menuAction() : nullptr, menu);
    for (const ExtraSeries &e : extraSeriesChoices()) {
        QAction *a = menu->addAction(QString::fromLatin1(e.label));
        a->setCheckable(true);
        a->setObjectName(QStringLiteral("mnuSeries_%1").arg(QString::fromLatin1(e.label).remove(u' ')));
        connect(a, &QAction::toggled, this, [this] { seriesToggled(); });
        m_series[e.field] = a;
    }
}

QAction *PlotCommands::seriesAction(int field) const {
    const auto it = m_series.find(field);
    return it == m_series.end() ? nullptr : it->second;
}

void PlotCommands::seriesToggled() {
    std::vector<int> &fields = m_workbench.plotInputs().extraFields;
    fields.clear();
    for (const ExtraSeries &e : extraSeriesChoices())
        if (m_series[e.field]->isChecked()) fields.push_back(e.field);
    if (m_hooks.rebuildPlot) m_hooks.rebuildPlot();
}

void PlotCommands::askTime() {
    const int row = m_workbench.currentRecord();
    const double day = m_workbench.isOpen() && row < m_workbench.rowCount() ? m_workbench.openTable().rowDay(row) : 0.0;
    bool ok = false;
    const QString text = QInputDialog::getText(
        &m_window, QStringLiteral("Go to Time"), QStringLiteral("Date and time (M/d/yyyy hh:mm:ss), or a time alone:"),
        QLineEdit::Normal, std::isfinite(day) && day > 0 ? dt::recordText(day) : QString(), &ok);
    if (ok) goToTime(text);
}

bool PlotCommands::goToTime(const QString &text) {
    if (!m_workbench.isOpen()) {
        m_ui.message(QStringLiteral("There is no record to go to: open a log file first."), kAppTitle, MsgButtons::Ok,
                     MsgIcon::Exclamation);
        return false;
    }
    const std::optional<double> day = dt::parse(text.trimmed());
    const int row = day ? nearestRecord(m_workbench.dataSet(), *day, m_workbench.currentRecord()) : -1;
    if (row < 0) {
        m_ui.message(
            QStringLiteral("\"%1\" is not a date and time. Type it as M/d/yyyy hh:mm:ss, e.g. 5/13/2004 08:30:00.")
                .arg(text),
            kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    if (m_hooks.showRecord) m_hooks.showRecord(row);
    return true;
}

QTextBrowser *PlotCommands::showHelp() {
    if (!m_help) {
        auto *dialog = new QDialog(&m_window, Qt::Window);
        dialog->setObjectName(QStringLiteral("frmHelp"));
        dialog->setWindowTitle(QStringLiteral("Brinewick Help"));
        auto *browser = new QTextBrowser(dialog);
        browser->setObjectName(QStringLiteral("txtHelp"));
        browser->setOpenExternalLinks(true);
        browser->setSource(QUrl(QStringLiteral("qrc:/help/brinewick-help.html")));
        auto *layout = new QVBoxLayout(dialog);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(browser);
        dialog->resize(620, 700);
        m_help = dialog;
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
    return m_help->findChild<QTextBrowser *>(QStringLiteral("txtHelp"));
}
