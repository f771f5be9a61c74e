#pragma once
// The plot's own commands beside the window's: the Series menu (more columns on right axes of
// their own), Go to Time, the zoom step back (Backspace) and the help page.
#include <QObject>
#include <QString>
#include <functional>
#include <map>

class IInteraction;
class QAction;
class QMainWindow;
class QTextBrowser;
class QWidget;
class QcpGraph;
class Workbench;

class PlotCommands : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void()> rebuildPlot;        // the window's, reading its controls
        std::function<void(int row)> showRecord;  // readout, marker and grid row
    };
    // Adds its menus to the window's menu bar and its keys to graphTab.
    PlotCommands(QMainWindow &window, QWidget &graphTab, Workbench &workbench, QcpGraph &graph, IInteraction &ui,
                 Hooks hooks);

    // The Series menu's item of a field (see extraSeriesChoices), or null.
    QAction *seriesAction(int field) const;
    // Go to Time with a typed text: the nearest record becomes current. False (and a message)
    // when the text is no date-time or no log is open.
    bool goToTime(const QString &text);
    // Help > Brinewick Help: the page, made on first use.
    QTextBrowser *showHelp();

private:
    void buildSeriesMenu();
    void seriesToggled();
    void askTime();

    QMainWindow &m_window;
    Workbench &m_workbench;
    QcpGraph &m_graph;
    IInteraction &m_ui;
    Hooks m_hooks;
    std::map<int, QAction *> m_series;
    QWidget *m_help = nullptr;
};
