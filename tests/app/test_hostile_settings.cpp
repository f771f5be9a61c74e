// Remembered settings that are damaged, or a settings folder that cannot be written: the
// window still starts on a visible screen area at a usable size, and exit never fails.
#include "window_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class HostileSettings : public WindowTest {
protected:
    static void store(const QMap<QString, QString> &values) {
        QSettings s;
        s.clear();
        s.beginGroup(QStringLiteral("Settings"));
        for (auto it = values.begin(); it != values.end(); ++it) s.setValue(it.key(), it.value());
        s.endGroup();
        s.sync();
    }
    // Starts a window the way the program does, checks where it stands, opens the dialog
    // once (cancelled) and closes it.
    void startAndExit(const QString &why) {
        frmMain w(&ui, &dialog);
        w.show();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect g = w.geometry();
        EXPECT_TRUE(screen.contains(g.topLeft())) << qPrintable(why);
        EXPECT_GE(g.width(), 320) << qPrintable(why);
        EXPECT_GE(g.height(), 240) << qPrintable(why);
        // No larger than the screen, unless the layout's own minimum is (800 x 600 offscreen).
        const QSize least = w.minimumSizeHint();
        EXPECT_LE(g.width(), std::max(screen.width(), least.width())) << qPrintable(why);
        EXPECT_LE(g.height(), std::max(screen.height(), least.height())) << qPrintable(why);
        w.mnuFileOpen_Click();
        const QString initial = dialog.calls.last().initialName;
        EXPECT_TRUE(initial.endsWith(QStringLiteral("*.asc")) || initial.endsWith(QStringLiteral("*.log")) ||
                    initial.endsWith(QStringLiteral("*.txt")) || initial.endsWith(QStringLiteral("*.*")))
            << qPrintable(why + u' ' + initial);
        EXPECT_TRUE(w.close()) << qPrintable(why);
    }
};

}  // namespace

TEST_F(HostileSettings, DamagedValuesKeyByKey) {
    const QList<QMap<QString, QString>> cases = {
        {{"MainLeft", "abc"}, {"MainTop", "-5000"}, {"MainWidth", "0"}},
        {{"MainLeft", "-99999"}, {"MainTop", "nan"}, {"MainWidth", "-1"}, {"MainHeight", "1e300"}},
        {{"MainLeft", "1e9"}, {"MainTop", "1e9"}, {"MainWidth", "1"}, {"MainHeight", "1"}},
        {{"MainLeft", "0x10"}, {"MainTop", "  12  "}, {"MainWidth", "inf"}, {"MainHeight", "6500"}},
        {{"MainWidth", "99999999"}, {"MainHeight", "-99999999"}, {"DefaultFileType", "abc"}},
        {{"DefaultFileType", "99999"}, {"DefaultFilePath", ""}},
        {{"DefaultFileType", "-3"}, {"DefaultFilePath", "/no/such/folder/"}},
        {{"DefaultFileType", "2.7"}, {"DefaultFilePath", QString(5000, u'x')}},
    };
    for (const auto &values : cases) {
        store(values);
        QStringList why;
        for (auto it = values.begin(); it != values.end(); ++it) why << it.key() + u'=' + it.value().left(20);
        startAndExit(why.join(u' '));
        // What exit saved starts the next run cleanly.
        frmMain again(&ui, &dialog);
        EXPECT_EQ(again.loadSettings(), 1) << qPrintable(why.join(u' '));
        EXPECT_GE(again.defaultFileType, -32768);
    }
}

TEST_F(HostileSettings, SettingsFileThatIsNoSettingsFile) {
    const QString file = QSettings().fileName();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).path()));
    QByteArray noise;
    for (int i = 0; i < 4096; ++i) noise += char(i * 7919 % 251);
    for (const QByteArray &bytes :
         {noise, QByteArray("[Settings]\nMainLeft=\"\nMainTop=@Variant(\\0\\0\\0\\x7f)\n"), QByteArray(1 << 20, '[')}) {
        {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        }
        startAndExit(QStringLiteral("garbage settings file of %1 bytes").arg(bytes.size()));
    }
}

TEST_F(HostileSettings, FolderThatCannotBeWritten) {
    // Root ignores permission bits, so the folder sits under a regular file: it can never be made.
    const QString original = QFileInfo(QFileInfo(QSettings().fileName()).path()).path();
    const QString blocker = files.write(QStringLiteral("not-a-folder"), "x");
    const QString unwritable = blocker + QStringLiteral("/settings");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, unwritable);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, unwritable);
    {
        frmMain w(&ui, &dialog);
        EXPECT_EQ(w.loadSettings(), 1);  // nothing stored: the defaults
        EXPECT_EQ(w.defaultFileType, 1);
        w.defaultFileType = 3;
        EXPECT_EQ(w.saveSettings(), 0);  // told, not thrown
        startAndExit(QStringLiteral("unwritable settings folder"));
    }
    EXPECT_FALSE(QFileInfo::exists(unwritable));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, original);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, original);
    EXPECT_TRUE(QSettings().fileName().startsWith(original));
}

// A named pipe where a settings file lives would block the start before any window: it is
// ignored, the defaults are used, and it stays a pipe (exit writes nothing over it).
TEST_F(HostileSettings, NamedPipeInPlaceOfTheSettingsFile) {
    const QString appFile = QSettings().fileName();
    const QString orgFile = QFileInfo(appFile).path() + QStringLiteral(".conf");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(appFile).path()));
    for (const QString &file : {appFile, orgFile}) {
        QFile::remove(appFile);
        QFile::remove(orgFile);
        ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        ::alarm(60);  // a blocked start would hang the test: end it instead
        {
            frmMain w(&ui, &dialog);
            EXPECT_EQ(w.loadSettings(), 0);
            EXPECT_EQ(w.defaultFileType, 1);
            startAndExit(QStringLiteral("named pipe at ") + file);
        }
        ::alarm(0);
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << file.toStdString();
        QFile::remove(file);
    }
}
