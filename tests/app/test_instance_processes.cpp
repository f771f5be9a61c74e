// Starts of the program as separate processes: one instance over a stale lock, and a file
// handed to the running window by a second start.
#include "window_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QSysInfo>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {
// The pid of a process that has ended.
qint64 deadPid() {
    QProcess p;
    p.start(QStringLiteral("/bin/true"), {});
    p.waitForFinished();
    return p.processId() > 0 ? p.processId() : 999999;
}
}  // namespace

TEST(InstanceProcesses, FiftyStartsOverAStaleLockGiveExactlyOneInstance) {
    TempFiles dir;
    const QString lock = dir.path(QStringLiteral("brinewick.lock"));
    const QString go = dir.path(QStringLiteral("go")), release = dir.path(QStringLiteral("release"));
    dir.write(QStringLiteral("brinewick.lock"),
              QByteArray::number(deadPid()) + "\ninstance_probe\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    std::vector<std::unique_ptr<QProcess>> starts;
    for (int i = 0; i < 50; ++i) {
        auto &p = starts.emplace_back(std::make_unique<QProcess>());
        p->start(QStringLiteral(INSTANCE_PROBE_EXE), {lock, go, release});
    }
    for (auto &p : starts) ASSERT_TRUE(p->waitForReadyRead(60000));  // all started, none has claimed
    QFile(go).open(QIODevice::WriteOnly);
    int held = 0, running = 0;
    QElapsedTimer clock;
    clock.start();
    // Every start but the holder ends; the holder waits for the release.
    while (held + running < 50 && clock.elapsed() < 120000) {
        held = running = 0;
        for (auto &p : starts) {
            p->waitForReadyRead(10);
            const QByteArray out = p->peek(1 << 10);
            held += out.contains("held");
            running += out.contains("running");
        }
    }
    QFile(release).open(QIODevice::WriteOnly);
    for (auto &p : starts) p->waitForFinished(30000);
    EXPECT_EQ(held, 1);
    EXPECT_EQ(running, 49);
}

TEST(InstanceProcesses, ASecondStartWithAFileHandsItToTheRunningWindow) {
    TempFiles dir;
    const QString root = QFileInfo(dir.path(QStringLiteral("run"))).absolutePath();
    QDir(root).mkpath(QStringLiteral("run"));
    QFile(dir.path(QStringLiteral("run"))).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path(QStringLiteral("run")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path(QStringLiteral("config")));
    env.insert(QStringLiteral("HOME"), root);
    const QString log = dir.writeLines(QStringLiteral("handed.asc"), makeLog(LogRecipe()));

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(BRINEWICK_EXE), {});
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(dir.path(QStringLiteral("run/brinewick.socket"))) && clock.elapsed() < 60000)
        QTest::qWait(50);
    ASSERT_EQ(first.state(), QProcess::Running);

    QProcess second;
    second.setProcessEnvironment(env);
    second.setWorkingDirectory(root);
    second.start(QStringLiteral(BRINEWICK_EXE), {QStringLiteral("handed.asc")});  // relative to its folder
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(second.exitCode(), 0);

    // The running window opened it: it is first on its recent files.
    const QString settings = dir.path(QStringLiteral("config/Brinewick/Brinewick.conf"));
    QStringList recent;
    for (clock.restart(); recent.isEmpty() && clock.elapsed() < 30000; QTest::qWait(100))
        recent = QSettings(settings, QSettings::IniFormat).value(QStringLiteral("Settings/RecentFiles")).toStringList();
    EXPECT_EQ(recent, QStringList({log}));
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished();
}
