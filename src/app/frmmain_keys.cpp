// Tooltips of the terse buttons, and the keys that drive the Graph tab and the commands.
#include "app/frmmain.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>

namespace {
// Keys the Graph tab's own widgets leave unused reach the tab: steps and zoom-out.
class GraphTabKeys : public QObject {
public:
    GraphTabKeys(QObject *parent, std::function<void(int)> step, std::function<void()> zoomOut)
        : QObject(parent), m_step(std::move(step)), m_zoomOut(std::move(zoomOut)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & ~Qt::KeypadModifier) return false;  // Ctrl+Left and the like are not ours
        const int index = stepIndex(key->key());
        if (index >= 0) {
            m_step(index);
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            m_zoomOut();
            return true;
        }
        return false;
    }

private:
    // The cmdStep button a key stands for.
    static int stepIndex(int key) {
        switch (key) {
        case Qt::Key_Home: return 0;
        case Qt::Key_PageUp: return 1;
        case Qt::Key_Left: return 2;
        case Qt::Key_Right: return 3;
        case Qt::Key_PageDown: return 4;
        case Qt::Key_End: return 5;
        default: return -1;
        }
    }
    std::function<void(int)> m_step;
    std::function<void()> m_zoomOut;
};

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
    compute->setObjectName(QStringLiteral("keyCompute"));
    connect(compute, &QShortcut::activated, this, [this] { cmdCompute_Click(); });

    // Key presses a focused child ignores travel up to the tab page, where this filter sits.
    QWidget *graphTab = SSTab1->widget(0);
    graphTab->installEventFilter(new GraphTabKeys(
        graphTab, [this](int index) { cmdStep_Click(index); }, [this] { cmdZoomOut_Click(); }));
}
