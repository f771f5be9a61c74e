#include "app/datagrid.h"
#include "app/frmabout.h"
#include "app/frmmain.h"
#include "model/clsdataset.h"
#include "app/startup.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QGuiApplication>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSysInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings().clear(); }
    void TearDown() override { QSettings().clear(); }
    template <typename T> T *find(frmMain &w, const char *name) {
        T *c = w.findChild<T *>(QLatin1String(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    ScriptedInteraction ui;
};

QString captions(const QList<QPushButton *> &buttons) {
    QStringList out;
    for (auto *b : buttons) out << b->text();
    return out.join(u' ');
}
}  // namespace

TEST_F(MainWindowTest, ControlsCarryTheirNamesCaptionsAndInitialTexts) {
    frmMain w(&ui);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Brinewick"));
    auto *tabs = find<QTabWidget>(w, "SSTab1");
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Graph"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Table"));
    EXPECT_EQ(find<QLabel>(w, "Label12")->text(), QStringLiteral("No variables selected for plot."));
    EXPECT_TRUE(find<QCheckBox>(w, "chkPlotPH1")->isChecked());
    EXPECT_TRUE(find<QCheckBox>(w, "chkPlotPH2")->isChecked());
    EXPECT_EQ(find<QCheckBox>(w, "chkAutoscale")->text(), QStringLiteral("Auto Scale"));
    EXPECT_EQ(find<QPushButton>(w, "cmdZoomOut")->text(), QStringLiteral("ZoomOut"));
    for (const char *row : {"cmdStep", "cmdXMin", "cmdXMax"})
        EXPECT_EQ(captions(w.findChildren<QPushButton *>(QLatin1String(row))), QStringLiteral("Strt << < > >> End"));
    EXPECT_EQ(captions(w.findChildren<QPushButton *>(QStringLiteral("cmdYMax"))), QStringLiteral("+ + - -"));
    const std::pair<const char *, const char *> texts[] = {{"txtStart", "1/1/1988 00:00:00"},
                                                           {"txtEnd", "1/1/1999 00:00:00"},
                                                           {"txtYMax", "9.0"},
                                                           {"txtYMin", "6.0"},
                                                           {"txtPH1Slope", "1.00"},
                                                           {"txtPH2Slope", "1.00"},
                                                           {"txtPH1Offset", "0.00"},
                                                           {"txtPH2Corr", "0.00"},
                                                           {"txtThermistor1Corr", "0.00"},
                                                           {"txtThermistor3Corr", "0.00"}};
    for (auto [name, text] : texts) EXPECT_EQ(find<QLineEdit>(w, name)->text(), QLatin1String(text)) << name;
    EXPECT_EQ(find<QGroupBox>(w, "Frame4")->title(), QStringLiteral("Thermistors"));
    EXPECT_EQ(find<QPushButton>(w, "cmdCompute")->text(), QStringLiteral("Compute"));
    auto opts = w.findChildren<QRadioButton *>(QStringLiteral("optPH2Thermistor"));
    ASSERT_EQ(opts.size(), 3);
    EXPECT_TRUE(opts[0]->isChecked());
    EXPECT_EQ(opts[2]->text(), QStringLiteral("T3"));
    auto *ph1 = find<QLabel>(w, "lblPH1");
    EXPECT_EQ(ph1->palette().color(QPalette::WindowText), QColor(0, 255, 0));
    EXPECT_EQ(ph1->palette().color(QPalette::Window), QColor(0, 0, 0));
    EXPECT_TRUE(ph1->font().bold());
    EXPECT_EQ(find<QLabel>(w, "lblPH2")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(find<QLabel>(w, "lblNow")->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    EXPECT_TRUE(find<QLabel>(w, "lblNow")->font().bold());
    EXPECT_TRUE(find<QLabel>(w, "lblNow")->text().isEmpty());
    EXPECT_FALSE(w.mnuPrint->isEnabled());
    EXPECT_EQ(w.mnuPrint->text().remove(u'&'), QStringLiteral("Print..."));
    EXPECT_FALSE(w.mnuExportReport->isEnabled());
    ASSERT_NE(w.findChild<QStatusBar *>(QStringLiteral("StatusBar1")), nullptr);
}

TEST_F(MainWindowTest, SettingsRoundTripAndDefaults) {
    {
        frmMain w(&ui);
        EXPECT_EQ(w.defaultFileType, 1);
        EXPECT_EQ(w.defaultFilePath, frmMain::defaultDataFolder());
        EXPECT_TRUE(w.defaultFilePath.endsWith(QStringLiteral("/Data/")));
        w.defaultFileType = 2;
        w.defaultFilePath = QStringLiteral("/logs/");
        w.move(60, 50);
        EXPECT_EQ(w.saveSettings(), 1);
    }
    QSettings s;
    s.beginGroup(QStringLiteral("Settings"));
    EXPECT_EQ(s.value(QStringLiteral("DefaultFileType")).toString(), QStringLiteral("2"));
    EXPECT_EQ(s.value(QStringLiteral("DefaultFilePath")).toString(), QStringLiteral("/logs/"));
    const int left = s.value(QStringLiteral("MainLeft")).toString().toInt();
    EXPECT_EQ(left, int(pixelsToTwips(60)));
    frmMain again(&ui);
    EXPECT_EQ(again.defaultFileType, 2);
    EXPECT_EQ(again.defaultFilePath, QStringLiteral("/logs/"));
    EXPECT_EQ(again.loadSettings(), 1);  // without the on-screen fit of start-up
    EXPECT_EQ(again.x(), 60);
}

TEST_F(MainWindowTest, LoadStopsAtTheFirstBadValue) {
    QSettings s;
    s.beginGroup(QStringLiteral("Settings"));
    s.setValue(QStringLiteral("MainLeft"), QStringLiteral("1500"));
    s.setValue(QStringLiteral("MainTop"), QStringLiteral("high"));
    s.setValue(QStringLiteral("DefaultFileType"), QStringLiteral("3"));
    s.setValue(QStringLiteral("DefaultFilePath"), QStringLiteral("/x/"));
    s.sync();
    frmMain w(&ui);
    EXPECT_EQ(w.loadSettings(), 0);
    EXPECT_EQ(w.x(), twipsToPixels(1500));
    EXPECT_EQ(w.defaultFileType, 1);  // not loaded: stays as it was
    EXPECT_EQ(w.defaultFilePath, QString());
}

TEST_F(MainWindowTest, MinimisedWindowKeepsItsStoredGeometry) {
    QSettings s;
    s.beginGroup(QStringLiteral("Settings"));
    s.setValue(QStringLiteral("MainLeft"), QStringLiteral("1234"));
    s.sync();
    frmMain w(&ui);
    w.show();
    w.showMinimized();
    w.defaultFileType = 4;
    w.saveSettings();
    QSettings r;
    r.beginGroup(QStringLiteral("Settings"));
    EXPECT_EQ(r.value(QStringLiteral("MainLeft")).toString(), QStringLiteral("1234"));
    EXPECT_EQ(r.value(QStringLiteral("DefaultFileType")).toString(), QStringLiteral("4"));
}

TEST_F(MainWindowTest, HostileSettingsStillOpenAUsableVisibleWindow) {
    for (const char *v : {"-99999999", "1e30", "nan", "", "99999999999"}) {
        QSettings s;
        s.beginGroup(QStringLiteral("Settings"));
        for (const char *k : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
            s.setValue(QLatin1String(k), QLatin1String(v));
        s.sync();
        frmMain w(&ui);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_TRUE(screen.contains(w.geometry().topLeft())) << v;
        EXPECT_GE(w.width(), 320) << v;
        EXPECT_LE(w.width(), screen.width()) << v;
    }
}

TEST_F(MainWindowTest, GridColumnsFollowTheFieldList) {
    frmMain w(&ui);
    QStringList names;
    for (int i = 0; i < 12; ++i) names << QStringLiteral("c%1").arg(i);
    names << QString();
    w.setupGridColumns(w.TDBGrid1, names);
    EXPECT_EQ(w.TDBGrid1->columnCountOfGrid(), 12);
    EXPECT_EQ(w.TDBGrid1->captions().first(), QStringLiteral("c0"));
    EXPECT_EQ(w.TDBGrid1->columnWidthTwips(0), 1600);
    EXPECT_EQ(w.TDBGrid1->columnWidthTwips(10), 800);
    EXPECT_EQ(w.TDBGrid1->columnWidthTwips(11), 0);
    w.setupGridColumns(w.TDBGrid1, {QStringLiteral("Time"), QString()});
    EXPECT_EQ(w.TDBGrid1->columnCountOfGrid(), 1);
}

TEST_F(MainWindowTest, ExitClosesOtherWindowsFirstThenSaves) {
    frmMain w(&ui);
    w.show();
    auto *about = new frmAbout(&w);
    about->show();
    w.defaultFileType = 3;
    w.mnuExit_Click();
    EXPECT_FALSE(w.isVisible());
    QSettings s;
    EXPECT_EQ(s.value(QStringLiteral("Settings/DefaultFileType")).toString(), QStringLiteral("3"));
}

TEST(AboutBox, ShowsTitleVersionExecutableAndNotices) {
    frmAbout about(nullptr);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Brinewick"));
    auto text = [&](const char *name) { return about.findChild<QLabel *>(QLatin1String(name))->text(); };
    EXPECT_EQ(text("lblVersion"), QStringLiteral("Version 1.1.1"));
    EXPECT_EQ(text("lblTitle"), QStringLiteral("Title: Brinewick"));
    EXPECT_EQ(text("lblExecutable"), QStringLiteral("Application: test_app"));
    EXPECT_EQ(text("lblTermsOfUse").count(QStringLiteral("\r\n")), 7);
    EXPECT_TRUE(text("Label5").contains(QStringLiteral("QCustomPlot")));
    EXPECT_TRUE(text("Label5").contains(QStringLiteral("Qt")));
    EXPECT_EQ(about.findChild<QPushButton *>(QStringLiteral("cmdOK"))->text(), QStringLiteral("Dismiss"));
    EXPECT_EQ(about.findChild<QGroupBox *>(QStringLiteral("Frame1"))->title(),
              QStringLiteral("Additional  Licensing Information"));
}

TEST(SingleInstance, SecondStartIsRefusedAndStaleLockRecovered) {
    TempFiles dir;
    const QString lockPath = dir.path(QStringLiteral("instance.lock"));
    ScriptedInteraction ui;
    auto first = claimSingleInstance(ui, lockPath);
    ASSERT_TRUE(first);
    EXPECT_FALSE(claimSingleInstance(ui, lockPath));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Application is already running"));
    EXPECT_EQ(ui.messages[0].title, QStringLiteral("Brinewick"));
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::Stop);
    first.reset();
    // A lock whose process is gone (a crash) does not block the next start.
    dir.write(QStringLiteral("instance.lock"), "999999\nbrinewick\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    EXPECT_TRUE(claimSingleInstance(ui, lockPath));
    EXPECT_EQ(ui.messages.size(), 1);
}

TEST(SingleInstance, OnlyALiveInstanceOfThisProgramHoldsTheLock) {
    TempFiles dir;
    const QString lockPath = dir.path(QStringLiteral("instance.lock"));
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    const QByteArray self = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8();
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
    ScriptedInteraction ui;
    ::alarm(60);  // a lock that blocks would hang the test: end it instead
    // Empty, garbage, another host, a live process of another program, a named pipe.
    const QList<QByteArray> stale = {"", "\x01\x02 garbage\n\n", pid + "\n" + self + "\nsome-other-host\n",
                                     "1\n" + self + "\n" + host + "\n", pid + "\nnot-brinewick\n" + host + "\n"};
    for (const QByteArray &contents : stale) {
        dir.write(QStringLiteral("instance.lock"), contents);
        EXPECT_FALSE(lockNamesLiveInstance(lockPath)) << contents.toStdString();
        auto lock = claimSingleInstance(ui, lockPath);
        ASSERT_TRUE(lock) << contents.toStdString();
        EXPECT_TRUE(lock->isGuarding());
        EXPECT_GT(lock->file().staleLockTime(), 0);  // age still tells a lock left behind
    }
    ASSERT_EQ(::mkfifo(QFile::encodeName(lockPath).constData(), 0600), 0);
    EXPECT_TRUE(claimSingleInstance(ui, lockPath));
    EXPECT_TRUE(ui.messages.isEmpty());

    // A lock naming this very process, as a running instance writes it, is live.
    dir.write(QStringLiteral("instance.lock"), pid + "\n" + self + "\n" + host + "\n");
    EXPECT_TRUE(lockNamesLiveInstance(lockPath));
    EXPECT_FALSE(claimSingleInstance(ui, lockPath));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("Application is already running"));
    ::alarm(0);
}
