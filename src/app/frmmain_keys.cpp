// Tooltips of the terse buttons, and the keys that drive the Graph tab and the commands.
#include "app/datagrid.h"
#include "app/frmmain.h"
#include "app/tablecopy.h"

#include <QAction>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <vector>

namespace {
template <std::size_t N> void tips(const std::array<QPushButton *, N> &buttons, std::array<const char *, N> texts) {
    for (std::size_t i = 0; i < N; ++i) buttons[i]->setToolTip(QString::fromLatin1(texts[i]));
}
}  // namespace

void frmMain::addTooltipsAndKeys() {
    tips(cmdYMax, {"+1.0", "+0.1", "-1.0", "-0.1"});
    tips(cmdYMin, {"+1.0", "+0.1", "-1.0", "-0.1"});
    tips(cmdStep, {"First record (Home)", "10 records back (Page Up)", "Previous record (Left)", "Next record (Right)",
                   "10 records on (Page Down)", "Last record (End)"});
    tips(cmdXMin, {"Start at the first record", "1 minute earlier", "Previous record", "Next record", "1 minute later",
                   "Start at the last record"});
    tips(cmdXMax, {"End at the first record", "1 minute earlier", "Previous record", "Next record", "1 minute later",
                   "End at the last record"});
    cmdZoomOut->setToolTip(QStringLiteral("Show the whole plot again (Esc)"));
    cmdCompute->setToolTip(QStringLiteral("Compute pH-1 and pH-2 of every record with these values (F5)"));

    mnuExportTable->setShortcut(QKeySequence(QStringLiteral("Ctrl+E")));
    mnuSavePlot->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    auto *compute = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(compute, &QShortcut::activated, this, [this] { cmdCompute_Click(); });

    // Whenever the Graph tab is shown, wherever the focus sits (its tab bar, a button just
    // clicked, the dock); an entry field keeps the keys it edits with (Left, Home ...), as its
    // shortcut override claims them first.
    std::vector<QShortcut *> graphKeys;
    const std::pair<int, int> steps[] = {{Qt::Key_Home, 0},  {Qt::Key_PageUp, 1},   {Qt::Key_Left, 2},
                                         {Qt::Key_Right, 3}, {Qt::Key_PageDown, 4}, {Qt::Key_End, 5}};
    for (auto [key, index] : steps) {
        auto *s = new QShortcut(QKeySequence(key), this);
        connect(s, &QShortcut::activated, this, [this, i = index] { cmdStep_Click(i); });
        graphKeys.push_back(s);
    }
    auto *zoomOut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(zoomOut, &QShortcut::activated, this, [this] { cmdZoomOut_Click(); });
    graphKeys.push_back(zoomOut);
    // The Table tab's grid moves with the same keys.
    connect(SSTab1, &QTabWidget::currentChanged, this, [graphKeys](int tab) {
        for (QShortcut *s : graphKeys) s->setEnabled(tab == 0);
    });

    addTableKeys(TDBGrid1);
}
