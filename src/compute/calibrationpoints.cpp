#include "compute/calibrationpoints.h"
#include "model/datatable.h"
#include "model/datetime.h"

#include <QFile>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {
constexpr double kMinPH = 0.0, kMaxPH = 14.0;

std::optional<int> readProbe(QStringView t) {
    for (int p = 0; p < 2; ++p) {
        const QString n = QString::number(p + 1);
        if (t == n || t.compare(QStringLiteral("pH-") + n, Qt::CaseInsensitive) == 0 ||
            t.compare(QStringLiteral("pH") + n, Qt::CaseInsensitive) == 0)
            return p;
    }
    return std::nullopt;
}

QString field(QStringView f) {
    f = f.trimmed();
    if (f.size() >= 2 && f.front() == u'"' && f.back() == u'"') f = f.mid(1, f.size() - 2).trimmed();
    return f.toString();
}

QString bufferNames() {
    QStringList ids;
    for (const BufferTable &b : bufferTables()) ids << QLatin1String(b.id);
    return ids.join(QStringLiteral(", "));
}

QString outsideTable(double temperature) {
    return QStringLiteral("%1 \u00B0C is outside the buffer table (%2 to %3 \u00B0C)")
        .arg(temperature, 0, 'f', 2)
        .arg(kBufferTemperatures.front())
        .arg(kBufferTemperatures.back());
}

// One line into entry, or the reason it cannot be read.
std::optional<QString> readLine(const QStringList &f, PointEntry &entry) {
    entry.buffer = f[1];
    if (const auto v = readNumber(f[1])) {
        if (!(*v >= kMinPH && *v <= kMaxPH)) return QStringLiteral("the buffer pH %1 is outside 0 to 14").arg(f[1]);
        entry.pH = v;
    } else if (!(entry.table = findBuffer(f[1]))) {
        return QStringLiteral("the buffer \"%1\" is neither a pH nor a known buffer (%2)").arg(f[1], bufferNames());
    }
    const auto mV = readNumber(f[2]), T = readNumber(f[3]);
    if (mV && T) {
        entry.mV = *mV;
        entry.temperature = *T;
        if (entry.table && !bufferPH(*entry.table, *T)) return outsideTable(*T);
        return std::nullopt;
    }
    const auto from = dt::parse(f[2]), to = dt::parse(f[3]);
    if (from && to) {
        entry.span = std::pair{*from, *to};
        return std::nullopt;
    }
    return QStringLiteral("\"%1\" and \"%2\" are neither a reading (mV) and a temperature nor two record date-times")
        .arg(f[2], f[3]);
}
}  // namespace

PointsRead parseCalibrationPoints(const QString &text, const QString &name) {
    PointsRead out;
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    const QStringList lines = normalised.split(u'\n');
    bool first = true;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        QStringList f;
        for (const QString &part : line.split(u',')) f << field(part);
        const auto probe = readProbe(f[0]);
        const bool anyNumber = std::any_of(f.begin(), f.end(), [](const QString &v) { return bool(readNumber(v)); });
        if (first && !probe && !anyNumber) {  // a heading
            first = false;
            continue;
        }
        first = false;
        auto fail = [&](const QString &why) {
            out.error = QStringLiteral("%1 line %2: %3.").arg(name).arg(i + 1).arg(why);
            return out;
        };
        if (f.size() != 4)
            return fail(QStringLiteral("4 values expected (probe, buffer pH, mV, temperature or probe, buffer pH, "
                                       "from, to), found %1")
                            .arg(f.size()));
        if (!probe) return fail(QStringLiteral("the probe \"%1\" is not 1, 2, pH-1 or pH-2").arg(f[0]));
        PointEntry entry;
        entry.line = int(i + 1);
        if (const auto why = readLine(f, entry)) return fail(*why);
        auto &points = out.probes[std::size_t(*probe)];
        if (int(points.size()) == kMaxBufferPoints)
            return fail(QStringLiteral("more than %1 points for pH-%2").arg(kMaxBufferPoints).arg(*probe + 1));
        points.push_back(entry);
    }
    if (out.probes[0].empty() && out.probes[1].empty()) out.error = QStringLiteral("%1: no points.").arg(name);
    return out;
}

PointsRead readCalibrationPointsFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        PointsRead out;
        out.error = QStringLiteral("%1: cannot be read (%2).").arg(path, file.errorString());
        return out;
    }
    return parseCalibrationPoints(QString::fromLatin1(file.readAll()), path);
}

ProbeCalibration calibrateProbe(const std::vector<PointEntry> &entries, const DataTable &table, int probe,
                                const ProbeContext &context, const CalibrationLimits &limits) {
    ProbeCalibration out;
    out.entries = entries;
    const SpanSource source{probe, context.thermistor, context.thermCorr};
    for (const PointEntry &entry : entries) {
        auto fail = [&](QString why) {
            if (!why.endsWith(u'.')) why += u'.';
            out.error = QStringLiteral("line %1: %2").arg(entry.line).arg(why);
            return out;
        };
        BufferPoint point{0.0, entry.mV, entry.temperature};
        std::optional<SpanStats> stats;
        if (entry.span) {
            const auto rows = rowsBetween(table, entry.span->first, entry.span->second);
            if (!rows)
                return fail(QStringLiteral("no record from %1 to %2")
                                .arg(dt::recordText(entry.span->first), dt::recordText(entry.span->second)));
            stats = spanStats(table, rows->first, rows->second, source, limits);
            if (!stats->ok()) return fail(stats->error);
            point.mV = stats->meanMV;
            point.temperature = stats->meanTemperature;
        }
        if (entry.pH) {
            point.pH = *entry.pH;
        } else if (const auto v = bufferPH(*entry.table, point.temperature)) {
            point.pH = *v;
        } else {
            return fail(outsideTable(point.temperature));
        }
        out.points.push_back(point);
        out.spans.push_back(stats);
    }
    out.result = calibrate(out.points, context.currentSlope, limits);
    return out;
}
