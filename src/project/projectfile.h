#pragma once
// The project file (*.brinewick): the state of a deployment's decisions and the audit trail
// that led to it. Each trail entry holds the SHA-256 of the previous entry's canonical text
// (compact JSON, keys sorted), and the file a last hash over the final entry and the state as
// saved, so an entry edited or removed by hand, or a value changed by hand, is found.
#include "project/projectstate.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

struct TrailChange {
    QString field;  // the decision's path, "segments[0].calibration.slope[0]"
    QString oldValue{}, newValue{};
    bool operator==(const TrailChange &) const = default;
};

struct TrailEntry {
    int number = 0;  // 1-based
    QString time{};  // UTC, "2026-12-10T04:15:00Z"
    QString user{};  // login name
    QString what{};  // the decision, "Mark as Bad", "Undo Mark as Bad"
    std::vector<TrailChange> changes{};
    QString reason{};
    QByteArray previous{};  // hex SHA-256 of the previous entry's canonical text; empty for the first
    bool operator==(const TrailEntry &) const = default;
};

struct ProjectFile {
    ProjectState state;
    std::vector<TrailEntry> trail;
};

// The login name of whoever runs the program.
QString loginName();
// Appends an entry chained to the last one; its time is now (UTC) unless given.
TrailEntry &appendTrailEntry(std::vector<TrailEntry> &trail, const QString &what, std::vector<TrailChange> changes,
                             const QString &reason = {}, const QDateTime &when = {});
// The changes from one state to another, field by field, in the fields' order.
std::vector<TrailChange> stateChanges(const ProjectState &before, const ProjectState &after);

QJsonObject trailEntryJson(const TrailEntry &entry);
// The canonical text an entry's successor hashes.
QByteArray canonicalText(const QJsonObject &object);
QByteArray sha256Hex(const QByteArray &bytes);
// The hash over the final entry and the state as saved (no entry: the state alone).
QByteArray lastHash(const QJsonObject &lastEntry, const QJsonObject &state);

// The whole file; the logs' paths relative to the project's folder.
QByteArray projectFileBytes(const ProjectFile &project, const QString &projectPath);
// Written atomically; an error text (the old file stays as it was), empty on success.
QString saveProjectFile(const QString &path, const ProjectFile &project);

struct ProjectRead {
    ProjectFile project;
    QString error;            // the file could not be taken: names the file and the reason
    QString chainError;       // the trail's chain is broken (the first broken entry named)
    QStringList goneLogs;     // logs not found at their paths
    QStringList changedLogs;  // logs whose size or SHA-256 differs from the project's
    QByteArray lastHash;      // as the file holds it
    bool ok() const { return error.isEmpty(); }
    // One message per changed log, empty when none differs.
    QString changedLogsMessage(const QString &projectPath) const;
};

// Reads and checks a project file: not JSON, a newer schema, something missing, or logs that are
// gone make it an error; a broken chain and changed logs are told beside the project.
ProjectRead readProjectFile(const QString &path);

// Size and SHA-256 of a log as it is on disk; false when it cannot be read.
bool logChecksum(const QString &path, ProjectLog &log);
