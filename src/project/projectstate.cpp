#include "project/projectstate.h"

#include "model/datetime.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>

bool ProjectBufferCalibration::operator==(const ProjectBufferCalibration &o) const {
    if (segment != o.segment || probe != o.probe || slope != o.slope || offset != o.offset ||
        points.size() != o.points.size())
        return false;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const BufferPoint &a = points[i], &b = o.points[i];
        if (a.pH != b.pH || a.mV != b.mV || a.temperature != b.temperature || a.unstable != b.unstable) return false;
    }
    return true;
}

namespace {

// A double as JSON: NaN and the infinities (an unused thermistor's field that held no number)
// have no JSON form, so they go as null and come back as NaN.
QJsonValue projNumber(double v) { return std::isfinite(v) ? QJsonValue(v) : QJsonValue(); }
double projNumberOf(const QJsonValue &v) { return v.isDouble() ? v.toDouble() : std::nan(""); }

template <std::size_t N> QJsonArray projArray(const std::array<double, N> &a) {
    QJsonArray out;
    for (double v : a) out.append(projNumber(v));
    return out;
}

// Reads what the file holds; a missing or wrong value is one error, the first found.
struct ProjReader {
    QString error;
    void fail(const QString &what) {
        if (error.isEmpty()) error = what;
    }
    QJsonObject object(const QJsonObject &o, const char *key) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (!v.isObject()) fail(QStringLiteral("\"%1\" is not an object").arg(QLatin1String(key)));
        return v.toObject();
    }
    QJsonArray array(const QJsonObject &o, const char *key) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (!v.isArray()) fail(QStringLiteral("\"%1\" is not a list").arg(QLatin1String(key)));
        return v.toArray();
    }
    double number(const QJsonObject &o, const char *key) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (!v.isDouble() && !v.isNull()) fail(QStringLiteral("\"%1\" is not a number").arg(QLatin1String(key)));
        return projNumberOf(v);
    }
    QString text(const QJsonObject &o, const char *key) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (!v.isString()) fail(QStringLiteral("\"%1\" is not a text").arg(QLatin1String(key)));
        return v.toString();
    }
    template <std::size_t N> void numbers(const QJsonObject &o, const char *key, std::array<double, N> &into) {
        const QJsonArray a = array(o, key);
        if (a.size() != qsizetype(N)) return fail(QStringLiteral("\"%1\" does not hold %2 numbers").arg(key).arg(N));
        for (std::size_t i = 0; i < N; ++i) into[i] = projNumberOf(a[qsizetype(i)]);
    }
};

QJsonObject calibrationJson(const ProjectCalibration &c) {
    return {{"slope", projArray(c.slope)},
            {"offset", projArray(c.offset)},
            {"corr", projArray(c.corr)},
            {"thermistor", QJsonArray{c.thermistor[0] + 1, c.thermistor[1] + 1}},
            {"thermistorCorr", projArray(c.thermistorCorr)}};
}

ProjectCalibration calibrationOf(ProjReader &r, const QJsonObject &o) {
    ProjectCalibration c;
    r.numbers(o, "slope", c.slope);
    r.numbers(o, "offset", c.offset);
    r.numbers(o, "corr", c.corr);
    std::array<double, 2> th{};
    r.numbers(o, "thermistor", th);
    for (std::size_t i = 0; i < 2; ++i) {
        if (!(th[i] == 1 || th[i] == 2 || th[i] == 3)) r.fail(QStringLiteral("a thermistor is not 1, 2 or 3"));
        c.thermistor[i] = th[i] >= 1 && th[i] <= 3 ? int(th[i]) - 1 : 0;
    }
    r.numbers(o, "thermistorCorr", c.thermistorCorr);
    return c;
}

// Each threshold by its settings key with a small first letter ("spikeSuspect"), and the
// climatology's months (null: not evaluated).
QString limitKey(const char *settingsKey) {
    QString k = QLatin1String(settingsKey);
    k[0] = k[0].toLower();
    return k;
}

QJsonObject limitsJson(const QcThresholds &l) {
    QJsonObject o;
    for (const QcThresholdField &f : qcThresholdFields()) o.insert(limitKey(f.key), l.*f.value);
    QJsonArray months;
    for (const QcMonthSpan &m : l.climatology)
        months.append(m.set ? QJsonValue(QJsonObject{{"min", m.min}, {"max", m.max}}) : QJsonValue());
    o.insert(QStringLiteral("climatology"), months);
    return o;
}

void flatten(const QString &path, const QJsonValue &v, QMap<QString, QString> &out) {
    if (v.isObject()) {
        const QJsonObject o = v.toObject();
        for (auto it = o.begin(); it != o.end(); ++it) flatten(path + u'.' + it.key(), it.value(), out);
    } else if (v.isArray()) {
        const QJsonArray a = v.toArray();
        for (qsizetype i = 0; i < a.size(); ++i) flatten(path + QStringLiteral("[%1]").arg(i), a[i], out);
    } else {
        out.insert(path,
                   QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact).chopped(1).mid(1)));
    }
}

}  // namespace

QJsonObject projectStateJson(const ProjectState &s, const QString &folder) {
    const QDir dir(folder);
    QJsonArray logs;
    for (const ProjectLog &l : s.logs)
        logs.append(QJsonObject{{"path", dir.relativeFilePath(l.path)},
                                {"size", double(l.size)},
                                {"sha256", QString::fromLatin1(l.sha256)}});
    QJsonArray segments;
    for (const ProjectSegment &g : s.segments)
        segments.append(QJsonObject{{"firstRow", g.firstRow},
                                    {"origin", g.origin},
                                    {"line", g.line},
                                    {"log", g.logName},
                                    {"calibration", calibrationJson(g.calibration)}});
    QJsonArray buffers;
    for (const ProjectBufferCalibration &b : s.bufferCalibrations) {
        QJsonArray points;
        for (const BufferPoint &p : b.points)
            points.append(
                QJsonObject{{"pH", p.pH}, {"mV", p.mV}, {"temperature", p.temperature}, {"unstable", p.unstable}});
        buffers.append(QJsonObject{{"segment", b.segment + 1},
                                   {"probe", b.probe + 1},
                                   {"points", points},
                                   {"slope", b.slope},
                                   {"offset", b.offset}});
    }
    QJsonArray marks;
    for (const Mark &m : s.marks)
        marks.append(QJsonObject{{"from", m.from}, {"to", m.to}, {"kind", markKindName(m.kind)}, {"text", m.text}});
    QJsonArray visits;
    for (const ServiceVisit &sv : s.visits)
        visits.append(QJsonObject{{"probe", sv.probe},
                                  {"visit", dt::recordText(sv.day)},
                                  {"foulingError", sv.foulingError},
                                  {"bufferPH", sv.bufferPH},
                                  {"driftError", sv.driftError},
                                  {"buffer2PH", projNumber(sv.buffer2PH)},
                                  {"driftError2", projNumber(sv.driftError2)},
                                  {"note", sv.note}});
    const GradeLimits &g = s.corrections.limits;
    const QJsonObject corrections{{"carryOn", s.corrections.carryOn},
                                  {"gradeLimits", QJsonObject{{"excellent", g.excellent},
                                                              {"good", g.good},
                                                              {"fair", g.fair},
                                                              {"maxAllowable", g.maxAllowable}}}};
    const ProjectView &v = s.view;
    QJsonArray extra;
    for (int f : v.extraFields) extra.append(f);
    QJsonObject view{{"start", v.start},
                     {"end", v.end},
                     {"yMin", v.yMin},
                     {"yMax", v.yMax},
                     {"autoscale", v.autoscale},
                     {"plotPH1", v.plotPH1},
                     {"plotPH2", v.plotPH2},
                     {"plotDpH", v.plotDpH},
                     {"plotPH1Corr", v.plotPH1Corr},
                     {"plotPH2Corr", v.plotPH2Corr},
                     {"extraFields", extra},
                     {"statisticsIncludeBad", v.statisticsIncludeBad}};
    if (v.zoom) view.insert(QStringLiteral("zoom"), QJsonArray{v.zoom->first, v.zoom->second});
    return {{"logs", logs},
            {"segments", segments},
            {"bufferCalibrations", buffers},
            {"qualityLimits", limitsJson(s.limits)},
            {"marks", marks},
            {"serviceVisits", visits},
            {"corrections", corrections},
            {"allRecords", s.allRecords},
            {"view", view}};
}

ProjectState projectStateFromJson(const QJsonObject &json, const QString &folder, QString *error) {
    ProjReader r;
    ProjectState s;
    const QDir dir(folder);
    for (const QJsonValue &v : r.array(json, "logs")) {
        const QJsonObject o = v.toObject();
        const QString path = r.text(o, "path");
        s.logs.push_back(
            {QDir::cleanPath(dir.absoluteFilePath(path)), qint64(r.number(o, "size")), r.text(o, "sha256").toLatin1()});
    }
    for (const QJsonValue &v : r.array(json, "segments")) {
        const QJsonObject o = v.toObject();
        s.segments.push_back({int(r.number(o, "firstRow")), r.text(o, "origin"), int(r.number(o, "line")),
                              r.text(o, "log"), calibrationOf(r, r.object(o, "calibration"))});
    }
    for (const QJsonValue &v : r.array(json, "bufferCalibrations")) {
        const QJsonObject o = v.toObject();
        ProjectBufferCalibration b;
        b.segment = int(r.number(o, "segment")) - 1;
        b.probe = int(r.number(o, "probe")) - 1;
        b.slope = r.number(o, "slope");
        b.offset = r.number(o, "offset");
        for (const QJsonValue &pv : r.array(o, "points")) {
            const QJsonObject p = pv.toObject();
            b.points.push_back(
                {r.number(p, "pH"), r.number(p, "mV"), r.number(p, "temperature"), p.value(u"unstable").toBool()});
        }
        s.bufferCalibrations.push_back(std::move(b));
    }
    const QJsonObject limits = r.object(json, "qualityLimits");
    for (const QcThresholdField &f : qcThresholdFields())
        s.limits.*f.value = r.number(limits, limitKey(f.key).toLatin1().constData());
    const QJsonArray months = limits.value(u"climatology").toArray();
    for (qsizetype m = 0; m < months.size() && m < 12; ++m)
        if (months[m].isObject()) {
            const QJsonObject span = months[m].toObject();
            s.limits.climatology[std::size_t(m)] = {true, r.number(span, "min"), r.number(span, "max")};
        }
    if (!sensibleThresholds(s.limits)) r.fail(QStringLiteral("its quality limits are out of order"));
    for (const QJsonValue &v : r.array(json, "marks")) {
        const QJsonObject o = v.toObject();
        const std::optional<MarkKind> kind = markKindFromName(o.value(u"kind").toString());
        if (!kind) r.fail(QStringLiteral("a mark's kind is not bad, doubtful or note"));
        s.marks.push_back({r.number(o, "from"), r.number(o, "to"), kind.value_or(MarkKind::Note), r.text(o, "text")});
    }
    // Projects saved before corrections existed have none.
    for (const QJsonValue &v : json.value(u"serviceVisits").toArray()) {
        const QJsonObject o = v.toObject();
        ServiceVisit sv;
        sv.probe = int(r.number(o, "probe"));
        const std::optional<double> day = dt::parse(r.text(o, "visit"));
        if (!day || (sv.probe != 1 && sv.probe != 2))
            r.fail(QStringLiteral("a service visit has no probe 1 or 2 or no date-time"));
        sv.day = day.value_or(0);
        sv.foulingError = r.number(o, "foulingError");
        sv.bufferPH = r.number(o, "bufferPH");
        sv.driftError = r.number(o, "driftError");
        sv.buffer2PH = r.number(o, "buffer2PH");
        sv.driftError2 = r.number(o, "driftError2");
        sv.note = o.value(u"note").toString();
        s.visits.push_back(sv);
    }
    if (const QString why = checkVisits(s.visits); !why.isEmpty()) r.fail(why);
    if (json.contains(u"corrections")) {
        const QJsonObject c = r.object(json, "corrections");
        s.corrections.carryOn = c.value(u"carryOn").toBool(false);
        const QJsonObject g = r.object(c, "gradeLimits");
        GradeLimits &l = s.corrections.limits;
        l = {r.number(g, "excellent"), r.number(g, "good"), r.number(g, "fair"), r.number(g, "maxAllowable")};
        if (!(l.excellent <= l.good && l.good <= l.fair && l.fair <= l.maxAllowable))
            r.fail(QStringLiteral("its grade limits are out of order"));
    }
    s.allRecords = json.value(u"allRecords").toBool(false);
    const QJsonObject view = r.object(json, "view");
    ProjectView &w = s.view;
    w.start = r.text(view, "start");
    w.end = r.text(view, "end");
    w.yMin = r.text(view, "yMin");
    w.yMax = r.text(view, "yMax");
    w.autoscale = view.value(u"autoscale").toBool(true);
    w.plotPH1 = view.value(u"plotPH1").toBool(true);
    w.plotPH2 = view.value(u"plotPH2").toBool(true);
    w.plotDpH = view.value(u"plotDpH").toBool(false);
    w.plotPH1Corr = view.value(u"plotPH1Corr").toBool(false);
    w.plotPH2Corr = view.value(u"plotPH2Corr").toBool(false);
    w.statisticsIncludeBad = view.value(u"statisticsIncludeBad").toBool(false);
    for (const QJsonValue &f : view.value(u"extraFields").toArray()) w.extraFields.push_back(f.toInt());
    if (const QJsonArray zoom = view.value(u"zoom").toArray(); zoom.size() == 2)
        w.zoom = std::pair{zoom[0].toDouble(), zoom[1].toDouble()};
    if (error) *error = r.error;
    return s;
}

QMap<QString, QString> decisionFields(const ProjectState &state) {
    QJsonObject json = projectStateJson(state, QString());
    json.remove(QStringLiteral("logs"));
    json.remove(QStringLiteral("view"));
    json.remove(QStringLiteral("allRecords"));
    QMap<QString, QString> out;
    for (auto it = json.begin(); it != json.end(); ++it) flatten(it.key(), it.value(), out);
    return out;
}
