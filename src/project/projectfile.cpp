#include "project/projectfile.h"

#include "export/csvexport.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <pwd.h>
#include <unistd.h>

QString loginName() {
    if (const passwd *pw = ::getpwuid(::geteuid()); pw && pw->pw_name) return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

QByteArray canonicalText(const QJsonObject &o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

QByteArray sha256Hex(const QByteArray &bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QByteArray lastHash(const QJsonObject &lastEntry, const QJsonObject &state) {
    return sha256Hex((lastEntry.isEmpty() ? QByteArray() : canonicalText(lastEntry)) + canonicalText(state));
}

QJsonObject trailEntryJson(const TrailEntry &e) {
    QJsonArray changes;
    for (const TrailChange &c : e.changes)
        changes.append(QJsonObject{{"field", c.field}, {"old", c.oldValue}, {"new", c.newValue}});
    return {{"n", e.number},
            {"time", e.time},
            {"user", e.user},
            {"what", e.what},
            {"changes", changes},
            {"reason", e.reason},
            {"previous", QString::fromLatin1(e.previous)}};
}

namespace {

TrailEntry trailEntryOf(const QJsonObject &o) {
    TrailEntry e;
    e.number = o.value(u"n").toInt();
    e.time = o.value(u"time").toString();
    e.user = o.value(u"user").toString();
    e.what = o.value(u"what").toString();
    e.reason = o.value(u"reason").toString();
    e.previous = o.value(u"previous").toString().toLatin1();
    for (const QJsonValue &v : o.value(u"changes").toArray()) {
        const QJsonObject c = v.toObject();
        e.changes.push_back({c.value(u"field").toString(), c.value(u"old").toString(), c.value(u"new").toString()});
    }
    return e;
}

// The first entry whose link breaks, or empty when the chain holds (as read from the file,
// not as parsed: a field added by hand changes the text too).
QString chainBreak(const QJsonArray &trail, const QJsonObject &state, const QByteArray &last) {
    for (qsizetype i = 0; i < trail.size(); ++i) {
        const QJsonObject e = trail[i].toObject();
        const QByteArray expected = i == 0 ? QByteArray() : sha256Hex(canonicalText(trail[i - 1].toObject()));
        if (e.value(u"n").toInt() != i + 1)
            return QStringLiteral("entry %1 is not numbered %1: an entry before it was removed").arg(i + 1);
        if (e.value(u"previous").toString().toLatin1() != expected)
            return QStringLiteral("entry %1 was changed: entry %2 holds another hash of it").arg(i).arg(i + 1);
    }
    if (lastHash(trail.isEmpty() ? QJsonObject() : trail.last().toObject(), state) != last) {
        if (trail.isEmpty()) return QStringLiteral("the project's values were changed after it was saved");
        return QStringLiteral("entry %1, the last, or the project's values were changed after it was saved")
            .arg(trail.size());
    }
    return {};
}

}  // namespace

TrailEntry &appendTrailEntry(std::vector<TrailEntry> &trail, const QString &what, std::vector<TrailChange> changes,
                             const QString &reason, const QDateTime &when) {
    TrailEntry e;
    e.number = int(trail.size()) + 1;
    e.time = (when.isValid() ? when : QDateTime::currentDateTimeUtc()).toUTC().toString(Qt::ISODate);
    e.user = loginName();
    e.what = what;
    e.changes = std::move(changes);
    e.reason = reason;
    if (!trail.empty()) e.previous = sha256Hex(canonicalText(trailEntryJson(trail.back())));
    trail.push_back(std::move(e));
    return trail.back();
}

std::vector<TrailChange> stateChanges(const ProjectState &before, const ProjectState &after) {
    const QMap<QString, QString> a = decisionFields(before), b = decisionFields(after);
    std::vector<TrailChange> out;
    QStringList fields = a.keys();
    for (const QString &k : b.keys())
        if (!a.contains(k)) fields << k;
    fields.sort();
    for (const QString &f : fields)
        if (a.value(f) != b.value(f)) out.push_back({f, a.value(f), b.value(f)});
    return out;
}

QByteArray projectFileBytes(const ProjectFile &p, const QString &projectPath) {
    const QJsonObject state = projectStateJson(p.state, QFileInfo(projectPath).absolutePath());
    QJsonArray trail;
    for (const TrailEntry &e : p.trail) trail.append(trailEntryJson(e));
    const QJsonObject file{{"schemaVersion", kProjectSchemaVersion},
                           {"state", state},
                           {"trail", trail},
                           {"lastHash", QString::fromLatin1(lastHash(
                                            p.trail.empty() ? QJsonObject() : trailEntryJson(p.trail.back()), state))}};
    return QJsonDocument(file).toJson(QJsonDocument::Indented);
}

QString saveProjectFile(const QString &path, const ProjectFile &project) {
    return saveFileSafely(
        path, [&](QIODevice &device, QString &) { return writeFully(device, projectFileBytes(project, path)); });
}

bool logChecksum(const QString &path, ProjectLog &log) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f)) return false;
    log.size = f.size();
    log.sha256 = hash.result().toHex();
    return true;
}

QString ProjectRead::changedLogsMessage(const QString &projectPath) const {
    QStringList lines;
    for (const QString &log : changedLogs)
        lines << QStringLiteral("The log \"%1\" is not as the project \"%2\" recorded it: its size or SHA-256 differs.")
                     .arg(log, projectPath);
    return lines.join(u'\n');
}

ProjectRead readProjectFile(const QString &path) {
    ProjectRead out;
    const QString cant = QStringLiteral("Can't open the project \"%1\": ").arg(path);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        out.error = cant + f.errorString() + u'.';
        return out;
    }
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(f.readAll(), &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
        out.error = cant + QStringLiteral("it is not JSON (%1 at byte %2).")
                               .arg(doc.isNull() ? parse.errorString() : QStringLiteral("no object"))
                               .arg(parse.offset);
        if (!doc.isNull()) out.error = cant + QStringLiteral("it is not a project file.");
        return out;
    }
    const QJsonObject root = doc.object();
    const QJsonValue schema = root.value(u"schemaVersion");
    if (!schema.isDouble()) {
        out.error = cant + QStringLiteral("it is not a project file (no \"schemaVersion\").");
        return out;
    }
    if (schema.toInt() > kProjectSchemaVersion) {
        out.error = cant + QStringLiteral("it was saved with schema version %1; this version of Brinewick reads up "
                                          "to %2.")
                               .arg(schema.toInt())
                               .arg(kProjectSchemaVersion);
        return out;
    }
    QString error;
    const QJsonObject state = root.value(u"state").toObject();
    out.project.state = projectStateFromJson(state, QFileInfo(path).absolutePath(), &error);
    if (!error.isEmpty()) {
        out.error = cant + error + u'.';
        return out;
    }
    if (out.project.state.logs.empty()) {
        out.error = cant + QStringLiteral("it names no log.");
        return out;
    }
    const QJsonArray trail = root.value(u"trail").toArray();
    for (const QJsonValue &v : trail) out.project.trail.push_back(trailEntryOf(v.toObject()));
    out.lastHash = root.value(u"lastHash").toString().toLatin1();
    out.chainError = chainBreak(trail, state, out.lastHash);
    for (const ProjectLog &log : out.project.state.logs) {
        ProjectLog now;
        if (!QFileInfo(log.path).isFile() || !logChecksum(log.path, now))
            out.goneLogs << log.path;
        else if (now.size != log.size || now.sha256 != log.sha256)
            out.changedLogs << log.path;
    }
    if (!out.goneLogs.isEmpty())
        out.error = cant + (out.goneLogs.size() == 1 ? QStringLiteral("its log \"%1\" is gone.")
                                                     : QStringLiteral("its logs \"%1\" are gone."))
                               .arg(out.goneLogs.join(QStringLiteral("\", \"")));
    return out;
}
