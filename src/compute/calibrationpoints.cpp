#include "compute/calibrationpoints.h"
#include "fileio/fileio.h"
#include "fileio/linefeed.h"
#include "model/datatable.h"
#include "model/datetime.h"
#include "model/numbertext.h"

#include <QFile>
#include <QFileInfo>
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
        if (!(std::fabs(*mV) <= kMaxPointMV))
            return QStringLiteral("the reading %1 mV is beyond \u00B1%2 mV").arg(f[2]).arg(kMaxPointMV);
        if (!(*T >= kMinPointTemperature && *T <= kMaxPointTemperature))
            return QStringLiteral("the temperature %1 \u00B0C is outside %2 to %3 \u00B0C")
                .arg(f[3])
                .arg(kMinPointTemperature)
                .arg(kMaxPointTemperature);
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

// A line's fields. Spreadsheets write tabs or semicolons where their decimal mark is a comma:
// such a line's "7,00" is 7.00.
QStringList splitFields(const QString &line) {
    const QChar sep = line.contains(u'\t') ? u'\t' : line.contains(u';') ? u';' : u',';
    QStringList f;
    for (const QString &part : line.split(sep)) {
        QString v = field(part);
        if (sep != u',' && v.count(u',') == 1) {
            QString dotted = v;
            dotted.replace(u',', u'.');
            if (readNumber(dotted)) v = dotted;
        }
        f << v;
    }
    return f;
}

// The lines of a points file, one at a time; stops at the first that cannot be read.
class PointsParser {
public:
    explicit PointsParser(const QString &name) : m_name(name) {}

    bool line(QStringView raw) {
        ++m_number;
        const QString line = raw.trimmed().toString();
        if (line.isEmpty() || line.startsWith(u'#')) return true;
        const QStringList f = splitFields(line);
        const auto probe = readProbe(f[0]);
        const bool anyNumber = std::any_of(f.begin(), f.end(), [](const QString &v) { return bool(readNumber(v)); });
        const bool first = m_first;
        m_first = false;
        if (first && !probe && !anyNumber) return true;  // a heading
        if (f.size() != 4)
            return fail(QStringLiteral("4 values expected (probe, buffer pH, mV, temperature or probe, buffer pH, "
                                       "from, to), found %1")
                            .arg(f.size()));
        if (!probe) return fail(QStringLiteral("the probe \"%1\" is not 1, 2, pH-1 or pH-2").arg(f[0]));
        PointEntry entry;
        entry.line = m_number;
        if (const auto why = readLine(f, entry)) return fail(*why);
        auto &points = m_out.probes[std::size_t(*probe)];
        if (int(points.size()) == kMaxBufferPoints)
            return fail(QStringLiteral("more than %1 points for pH-%2").arg(kMaxBufferPoints).arg(*probe + 1));
        points.push_back(entry);
        return true;
    }

    PointsRead finish() {
        if (m_out.ok() && m_out.probes[0].empty() && m_out.probes[1].empty())
            m_out.error = QStringLiteral("%1: no points.").arg(m_name);
        return m_out;
    }

private:
    bool fail(const QString &why) {
        m_out.error = QStringLiteral("%1 line %2: %3.").arg(m_name).arg(m_number).arg(why);
        return false;
    }

    QString m_name;
    PointsRead m_out;
    int m_number = 0;
    bool m_first = true;
};

// Cut into lines as a log is (CR, CR LF or a lone LF).
PointsRead parseLatin1(QByteArrayView bytes, const QString &name) {
    PointsParser parser(name);
    LineFeed feed;
    const auto onLine = [&](QByteArrayView line) { return parser.line(QString::fromLatin1(line)); };
    if (feed.feed(bytes, onLine)) feed.finish(onLine);
    return parser.finish();
}

PointsRead refused(const QString &why) {
    PointsRead out;
    out.error = why;
    return out;
}
}  // namespace

PointsRead parseCalibrationPoints(const QString &text, const QString &name) {
    return parseLatin1(text.toLatin1(), name);
}

PointsRead readCalibrationPointsFile(const QString &path) {
    if (QFileInfo(path).isDir()) return refused(QStringLiteral("%1 is a folder, not a points file.").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(QStringLiteral("%1: cannot be read (%2).").arg(path, file.errorString()));
    const QString tooLarge = QStringLiteral("%1: larger than %2 bytes (1 MiB); a points file holds a few lines, is "
                                            "it the right file?")
                                 .arg(path)
                                 .arg(kMaxPointsFileSize);
    // A device or a pipe has no size: read one byte beyond the limit to know.
    if (!file.isSequential() && file.size() > kMaxPointsFileSize) return refused(tooLarge);
    const QByteArray bytes = file.read(kMaxPointsFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return refused(QStringLiteral("%1: cannot be read (%2).").arg(path, file.errorString()));
    if (bytes.size() > kMaxPointsFileSize) return refused(tooLarge);
    const QByteArray text = latin1Text(bytes);  // a byte-order mark (UTF-8, UTF-16) decoded
    if (text.contains('\0'))
        return refused(QStringLiteral("%1: the file holds zero bytes, as UTF-16 text without a byte-order mark or a "
                                      "file that is not text does; save it as CSV (UTF-8 or plain text).")
                           .arg(path));
    return parseLatin1(text, path);
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
            point.unstable = !stats->stable;
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
