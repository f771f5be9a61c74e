#include "app/frmmain.h"

#include "app/correctioncommands.h"
#include "app/markcommands.h"
#include "app/projectcontroller.h"
#include "app/datagrid.h"
#include "app/frmabout.h"
#include "app/plotcommands.h"
#include "app/qtinteraction.h"
#include "app/segmentselector.h"
#include "fileio/logfollower.h"
#include "fileio/ui/frmmeter.h"
#include "model/numbertext.h"
#include "workbench/workbench.h"
#include "fields/formatter.h"
#include "fields/ui/widgetutil.h"
#include "plot/navigation.h"
#include "plot/ui/qcpgraph.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QSettings>
#include "app/settingsfile.h"
#include <cmath>
#include <optional>

frmMain::frmMain(IInteraction *ui, IFileDialog *dialog, QWidget *parent)
    : QMainWindow(parent), m_ui(ui), m_dialog(dialog) {
    setObjectName(QStringLiteral("frmMain"));
    if (!m_ui) {
        m_ownUi = std::make_unique<QtInteraction>(this);
        m_ui = m_ownUi.get();
    }
    m_graph = std::make_unique<QcpGraph>();
    buildMenus();
    buildLayout();
    buildKeptLabel();
    addTooltipsAndKeys();
    buildRecentFiles();
    buildQualityControls();
    setAcceptDrops(true);
    connect(mnuFileOpen, &QAction::triggered, this, &frmMain::mnuFileOpen_Click);
    connect(mnuFileOpenFolder, &QAction::triggered, this, &frmMain::mnuFileOpenFolder_Click);
    connect(mnuFollow, &QAction::triggered, this, &frmMain::mnuFollow_Click);
    connect(mnuExportTable, &QAction::triggered, this, &frmMain::mnuExportTable_Click);
    connect(mnuSavePlot, &QAction::triggered, this, &frmMain::mnuSavePlot_Click);
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
    connect(mnuCalibrate, &QAction::triggered, this, &frmMain::mnuCalibrate_Click);
    connect(mnuPrint, &QAction::triggered, this, &frmMain::mnuPrint_Click);
    connect(mnuExportReport, &QAction::triggered, this, &frmMain::mnuExportReport_Click);
    connect(mnuAbout, &QAction::triggered, this, &frmMain::mnuAbout_Click);
    // Design size: 6500 twips square, the same as the settings' default.
    resize(twipsToPixels(6500), twipsToPixels(6500));
    Form_Load();
    m_plotCommands = std::make_unique<PlotCommands>(
        *this, *SSTab1->widget(0), *m_workbench, *m_graph, *m_ui,
        PlotCommands::Hooks{[this] { rebuildPlot(); }, [this](int row) { showRecord(row); }});
    TDBGrid1->setCorrections(&m_workbench->corrections(0), &m_workbench->corrections(1));
    m_correctionCommands = std::make_unique<CorrectionCommands>(
        *this, *m_workbench, *m_ui, *m_project, std::array{chkPlotPH1Corr, chkPlotPH2Corr},
        CorrectionCommands::Hooks{[this] { rebuildPlot(); },
                                  [this] {
                                      TDBGrid1->showCorrections();
                                      updateQualityViews();
                                  }});
}

frmMain::~frmMain() {
    m_watch.reset();  // no look at the log once the window goes
    m_correctionCommands.reset();
    m_marks.reset();  // both hold the workbench
    m_project.reset();
}

clsDataSet &frmMain::dataSet() { return m_workbench->dataSet(); }

void frmMain::Form_Load() {
    m_workbench = std::make_unique<Workbench>(
        *m_ui, m_graph.get(),
        Workbench::Hooks{[this](const QString &t) { statusPanel2->setText(t); },
                         [this] { return std::unique_ptr<IMeterView>(std::make_unique<frmMeter>(this)); },
                         [this](bool force) { showAnnotationStatus(force); }});
    loadSettings();
    loadAnyLengthSetting();
    keepOnScreen();
    wireBehaviour();  // formatter, entry fields, plot and navigation
    m_segments = new SegmentSelector(
        *m_workbench, *this, *qobject_cast<QGridLayout *>(Frame3->layout()), 0,
        {[this] { setComputeNeeded(true); }, [this](int row) { showRecord(row); },
         [this](const QString &name, const std::function<void()> &change) { m_project->decide(name, change); }});
    wireQualityControls();
    wireProject();
    rebuildPlot();
    setLabelColors(lblPH1, 0x0000FF00, 0);
    setLabelColors(lblPH2, 0x000000FF, 0);
    setLabelColors(lblNow, 0x0000FFFF, std::nullopt);
    for (QLabel *l : {lblPH1, lblPH2, lblNow}) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    chkAutoscale_Click();
    setWindowTitle(kAppTitle);
}

void frmMain::setLabelColors(QLabel *label, quint32 foreBgr, std::optional<quint32> backBgr) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, Util::colorFromBgr(foreBgr));
    if (backBgr) {
        pal.setColor(QPalette::Window, Util::colorFromBgr(*backBgr));
        label->setAutoFillBackground(true);
    }
    label->setPalette(pal);
}

namespace {
std::optional<double> storedNumber(const QSettings &s, const char *key, double fallback) {
    const QVariant v = s.value(QLatin1String(key));
    if (!v.isValid()) return fallback;
    const std::optional<double> d = readNumber(v.toString());
    if (!d || !std::isfinite(*d) || std::fabs(*d) > 3.4e38) return std::nullopt;  // a 32-bit float
    return d;
}
}  // namespace

int frmMain::loadSettings() {
    const std::unique_ptr<QSettings> store = openSettings();
    if (!store) return 0;  // a settings file that is no regular file: the defaults stand
    QSettings &s = *store;
    s.beginGroup(QStringLiteral("Settings"));
    auto left = storedNumber(s, "MainLeft", 1000);
    if (!left) return 0;
    move(twipsToPixels(*left), y());
    auto top = storedNumber(s, "MainTop", 1000);
    if (!top) return 0;
    move(x(), twipsToPixels(*top));
    auto width = storedNumber(s, "MainWidth", 6500);
    if (!width || *width < 0) return 0;
    resize(twipsToPixels(*width), height());
    auto height = storedNumber(s, "MainHeight", 6500);
    if (!height || *height < 0) return 0;
    resize(this->width(), twipsToPixels(*height));
    auto type = storedNumber(s, "DefaultFileType", 1);
    if (!type || *type < -32768 || *type > 32767) return 0;
    defaultFileType = int(std::nearbyint(*type));
    const QVariant path = s.value(QStringLiteral("DefaultFilePath"));
    defaultFilePath = path.isValid() ? path.toString() : defaultDataFolder();
    return 1;
}

int frmMain::saveSettings() {
    const std::unique_ptr<QSettings> store = openSettings();
    if (!store) return 0;  // never replaced by a regular file
    QSettings &s = *store;
    s.beginGroup(QStringLiteral("Settings"));
    if (!isMinimized()) {
        s.setValue(QStringLiteral("MainLeft"), QString::number(float(pixelsToTwips(x()))));
        s.setValue(QStringLiteral("MainTop"), QString::number(float(pixelsToTwips(y()))));
        s.setValue(QStringLiteral("MainWidth"), QString::number(float(pixelsToTwips(width()))));
        s.setValue(QStringLiteral("MainHeight"), QString::number(float(pixelsToTwips(height()))));
    }
    s.setValue(QStringLiteral("DefaultFileType"), QString::number(defaultFileType));
    s.setValue(QStringLiteral("DefaultFilePath"), defaultFilePath);
    s.endGroup();
    s.sync();
    return s.status() == QSettings::NoError ? 1 : 0;
}

QString frmMain::defaultDataFolder() {
    // Beside the program in a build or a private install; the shared samples of an installed one.
    const QString dir = QCoreApplication::applicationDirPath();
    const QString beside = dir + QStringLiteral("/Data/");
    const QString installed = QDir::cleanPath(dir + QStringLiteral("/../share/brinewick/Data")) + u'/';
    return QDir(beside).exists() || !QDir(installed).exists() ? beside : installed;
}

void frmMain::keepOnScreen() {
    // Stored geometry may come from another screen, or be nonsense: open usable and visible.
    QScreen *screen = QGuiApplication::screenAt(geometry().center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect avail = screen->availableGeometry();
    const QSize minimum = minimumSizeHint().expandedTo(QSize(320, 240));
    QSize size = this->size().expandedTo(minimum).boundedTo(avail.size());
    QPoint pos = this->pos();
    if (!avail.intersects(QRect(pos, size)) || !avail.contains(QRect(pos, QSize(40, 20)).center()))
        pos = avail.topLeft() + QPoint(20, 20);
    pos.setX(std::clamp(pos.x(), avail.left(), std::max(avail.left(), avail.right() - size.width())));
    pos.setY(std::clamp(pos.y(), avail.top(), std::max(avail.top(), avail.bottom() - size.height())));
    resize(size);
    move(pos);
}

void frmMain::closeEvent(QCloseEvent *event) {
    if (!m_unloaded && !m_project->maybeSave()) {
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void frmMain::Form_Unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    const auto windows = QApplication::topLevelWidgets();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (*it != this && (*it)->isVisible()) (*it)->close();
    saveSettings();
}

void frmMain::mnuExit_Click() { close(); }

void frmMain::mnuAbout_Click() {
    auto *about = new frmAbout(this);
    about->exec();
}

void frmMain::setupGridColumns(DataGrid *grid, const QStringList &names) {
    while (grid->columnCountOfGrid() > 0) grid->removeColumnAt(0);
    for (qsizetype i = 0; i + 1 < names.size(); ++i) {
        const int width = i == 0 ? 1600 : (i <= 10 ? 800 : 0);
        grid->addColumnAt(int(i), names[i], width);
    }
}
