#include "project/projectfile.h"
#include "support/temp_files.h"

#include <QFile>
#include <gtest/gtest.h>
#include <cmath>

namespace {

// One decision of every kind the file keeps.
ProjectFile everyDecision(const QString &log) {
    ProjectFile p;
    ProjectState &s = p.state;
    s.logs.push_back({log, 0, {}});
    EXPECT_TRUE(logChecksum(log, s.logs[0]));
    ProjectCalibration c{{0.98, 1.01}, {0.0123, -0.004}, {0.05, 0}, {1, 2}, {0, 0.25, std::nan("")}};
    s.segments.push_back({0, QStringLiteral("header"), 0, QStringLiteral("a.log"), c});
    c.slope[0] = 0.9925;
    s.segments.push_back({120, QStringLiteral("buffer calibration"), 88, QStringLiteral("a.log"), c});
    s.bufferCalibrations.push_back({1, 0, {{4.01, -180.5, 21.5, false}, {7.0, 0.25, 21.4, true}}, 0.9925, 0.0011});
    s.limits.spikeSuspect = 0.15;
    s.limits.probeFail = 0.6;
    s.limits.gapMinutes = 30;
    s.limits.climatology[4] = {true, 7.2, 8.4};
    s.allRecords = true;
    s.marks = {{38120.25, 38120.5, MarkKind::Bad, QStringLiteral("pump off")},
               {38120.3, 38120.31, MarkKind::Doubtful, QStringLiteral("bubbles, \"maybe\"")},
               {38120.0, 38121.0, MarkKind::Note, QStringLiteral("après nettoyage")}};
    s.view = {QStringLiteral("5/13/2004 08:00:00"),
              QStringLiteral("5/13/2004 20:00:00"),
              QStringLiteral("6"),
              QStringLiteral("8"),
              false,
              true,
              false,
              true,
              {7, 9},
              std::pair{38120.1, 38120.2},
              true,
              true,
              false};
    appendTrailEntry(p.trail, QStringLiteral("Opened"), {{QStringLiteral("logs"), {}, log}});
    appendTrailEntry(p.trail, QStringLiteral("Mark as Bad"), stateChanges(ProjectState{}, s),
                     QStringLiteral("pump off"));
    return p;
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

TEST(ProjectFile, EveryDecisionComesBackAsSaved) {
    TempFiles files;
    const QString log = files.write(QStringLiteral("a.log"), "5/13/2004 08:00:00 7.1 7.2\r\n");
    const ProjectFile p = everyDecision(log);
    const QString path = files.path(QStringLiteral("p.brinewick"));
    ASSERT_EQ(saveProjectFile(path, p), QString());
    EXPECT_TRUE(readAll(path).contains("\"path\": \"a.log\""));  // beside the project, by name

    const ProjectRead r = readProjectFile(path);
    ASSERT_TRUE(r.ok()) << r.error.toStdString();
    EXPECT_EQ(r.chainError, QString());
    EXPECT_TRUE(r.changedLogs.isEmpty());
    const ProjectState &s = r.project.state;
    EXPECT_TRUE(std::isnan(s.segments[0].calibration.thermistorCorr[2]));
    ProjectState expected = p.state, got = s;  // NaN is never equal to itself
    expected.segments[0].calibration.thermistorCorr[2] = got.segments[0].calibration.thermistorCorr[2] = 0;
    expected.segments[1].calibration.thermistorCorr[2] = got.segments[1].calibration.thermistorCorr[2] = 0;
    EXPECT_EQ(got, expected);
    EXPECT_EQ(r.project.trail, p.trail);
    EXPECT_EQ(r.project.trail[1].previous, sha256Hex(canonicalText(trailEntryJson(p.trail[0]))));
}

TEST(ProjectFile, AHandEditIsFoundAndAChangedLogNamed) {
    TempFiles files;
    const QString log = files.write(QStringLiteral("a.log"), "5/13/2004 08:00:00 7.1 7.2\r\n");
    const QString path = files.path(QStringLiteral("p.brinewick"));
    ASSERT_EQ(saveProjectFile(path, everyDecision(log)), QString());
    const QByteArray saved = readAll(path);

    writeAll(path, QByteArray(saved).replace("\"Opened\"", "\"Opened by me\""));
    EXPECT_EQ(readProjectFile(path).chainError, u"entry 1 was changed: entry 2 holds another hash of it");
    writeAll(path, QByteArray(saved).replace("\"pump off\"", "\"pump on\""));  // the last entry and a mark
    EXPECT_EQ(readProjectFile(path).chainError,
              u"entry 2, the last, or the project's values were changed after it was saved");
    writeAll(path, QByteArray(saved).replace("\"gapMinutes\": 30", "\"gapMinutes\": 31"));
    EXPECT_EQ(readProjectFile(path).chainError,
              u"entry 2, the last, or the project's values were changed after it was saved");

    writeAll(path, saved);
    writeAll(log, "5/13/2004 08:00:00 7.1 7.3\r\n");
    const ProjectRead r = readProjectFile(path);
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r.chainError, QString());
    EXPECT_EQ(r.changedLogsMessage(path), QStringLiteral("The log \"%1\" is not as the project \"%2\" recorded it: its "
                                                         "size or SHA-256 differs.")
                                              .arg(log, path));
}

TEST(ProjectFile, FilesItCannotTakeAreNamedWithTheReason) {
    TempFiles files;
    const QString log = files.write(QStringLiteral("a.log"), "x\r\n");
    const QString path = files.path(QStringLiteral("p.brinewick"));
    writeAll(path, "5/13/2004 08:00:00 7.1\r\n");
    EXPECT_EQ(readProjectFile(path).error,
              QStringLiteral("Can't open the project \"%1\": it is not JSON (illegal value at byte 1).").arg(path));
    writeAll(path, "{\"schemaVersion\": 2, \"state\": {}}");
    EXPECT_EQ(readProjectFile(path).error, QStringLiteral("Can't open the project \"%1\": it was saved with schema "
                                                          "version 2; this version of Brinewick reads up to 1.")
                                               .arg(path));
    ASSERT_EQ(saveProjectFile(path, ProjectFile{}), QString());
    EXPECT_EQ(readProjectFile(path).error, QStringLiteral("Can't open the project \"%1\": it names no log.").arg(path));
    ASSERT_EQ(saveProjectFile(path, everyDecision(log)), QString());
    QFile::remove(log);
    EXPECT_EQ(readProjectFile(path).error,
              QStringLiteral("Can't open the project \"%1\": its log \"%2\" is gone.").arg(path, log));
}

TEST(ProjectFile, AFailedSaveLeavesTheOldFile) {
    TempFiles files;
    const QString log = files.write(QStringLiteral("a.log"), "x\r\n");
    const QString path = files.path(QStringLiteral("p.brinewick"));
    ASSERT_EQ(saveProjectFile(path, everyDecision(log)), QString());
    const QByteArray before = readAll(path);
    QFile::setPermissions(path, QFile::ReadOwner);
    ProjectFile other = everyDecision(log);
    other.state.marks.clear();
    EXPECT_EQ(saveProjectFile(path, other), QStringLiteral("Can't write \"%1\": the file is read-only.").arg(path));
    EXPECT_EQ(readAll(path), before);
    const QString missing = files.path(QStringLiteral("gone/p.brinewick"));
    EXPECT_TRUE(saveProjectFile(missing, other).endsWith(u"does not exist."));
}

}  // namespace
