#include "corrections/servicevisits.h"

#include "model/datetime.h"

#include <QList>
#include <algorithm>
#include <cmath>

namespace {

bool sameNumber(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

const QStringList &visitColumns() {
    static const QStringList names{QStringLiteral("probe"),         QStringLiteral("visit"),
                                   QStringLiteral("fouling error"), QStringLiteral("buffer pH"),
                                   QStringLiteral("drift error"),   QStringLiteral("buffer 2 pH"),
                                   QStringLiteral("drift error 2"), QStringLiteral("note")};
    return names;
}
enum VisitColumn { vcProbe, vcVisit, vcFouling, vcBuffer, vcDrift, vcBuffer2, vcDrift2, vcNote, vcCount };
constexpr int kRequiredVisitColumns = vcBuffer2;

// Comma-separated cells; a cell in double quotes may hold commas and doubled quotes.
QStringList visitCells(const QString &line) {
    QStringList cells;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"')
                cell += c, ++i;
            else if (c == u'"')
                quoted = false;
            else
                cell += c;
        } else if (c == u'"')
            quoted = true;
        else if (c == u',')
            cells << cell.trimmed(), cell.clear();
        else
            cell += c;
    }
    cells << cell.trimmed();
    return cells;
}

QString quotedCell(const QString &text) {
    if (!text.contains(u',') && !text.contains(u'"')) return text;
    return u'"' + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

QString numberCell(double v) { return std::isnan(v) ? QString() : QString::number(v, 'g', 15); }

}  // namespace

double ServiceVisit::driftErrorAt(double ph) const {
    if (!hasSecondBuffer() || buffer2PH == bufferPH) return driftError;
    const bool firstLow = bufferPH < buffer2PH;
    const double lowPH = firstLow ? bufferPH : buffer2PH, highPH = firstLow ? buffer2PH : bufferPH;
    const double lowError = firstLow ? driftError : driftError2, highError = firstLow ? driftError2 : driftError;
    if (!(ph > lowPH)) return lowError;
    if (ph >= highPH) return highError;
    return lowError + (highError - lowError) * (ph - lowPH) / (highPH - lowPH);
}

bool ServiceVisit::operator==(const ServiceVisit &o) const {
    return probe == o.probe && day == o.day && foulingError == o.foulingError && bufferPH == o.bufferPH &&
           driftError == o.driftError && sameNumber(buffer2PH, o.buffer2PH) && sameNumber(driftError2, o.driftError2) &&
           note == o.note;
}

double foulingErrorOf(double probeBefore, double probeAfter, double referenceBefore, double referenceAfter) {
    return (probeBefore - probeAfter) - (referenceBefore - referenceAfter);
}

VisitsRead parseVisitsCsv(const QByteArray &bytes) {
    VisitsRead read;
    // A spreadsheet's "CSV UTF-8" starts with a byte order mark.
    const QStringList lines = QString::fromUtf8(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes).split(u'\n');
    std::array<int, vcCount> at;
    at.fill(-1);
    int lineNo = 0;
    bool header = true;
    auto fail = [&](const QString &why) {
        read.visits.clear();
        read.error = QStringLiteral("Line %1: %2").arg(lineNo).arg(why);
        return read;
    };
    for (QString line : lines) {
        ++lineNo;
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.trimmed().isEmpty()) continue;
        const QStringList cells = visitCells(line);
        if (header) {
            header = false;
            for (int i = 0; i < cells.size(); ++i) {
                int c = vcCount - 1;
                while (c >= 0 && visitColumns()[c].compare(cells[i], Qt::CaseInsensitive) != 0) --c;
                if (c < 0) return fail(QStringLiteral("\"%1\" is not a column of a visits file.").arg(cells[i]));
                if (at[std::size_t(c)] >= 0)
                    return fail(QStringLiteral("the column \"%1\" is named twice.").arg(cells[i]));
                at[std::size_t(c)] = i;
            }
            for (int c = 0; c < kRequiredVisitColumns; ++c)
                if (at[std::size_t(c)] < 0)
                    return fail(QStringLiteral("the column \"%1\" is missing.").arg(visitColumns()[c]));
            if ((at[vcBuffer2] < 0) != (at[vcDrift2] < 0))
                return fail(QStringLiteral("\"buffer 2 pH\" and \"drift error 2\" go together."));
            continue;
        }
        auto cell = [&](int c) {
            return at[std::size_t(c)] >= 0 && at[std::size_t(c)] < cells.size() ? cells[at[std::size_t(c)]] : QString();
        };
        auto number = [&](int c, bool optional, double &out) -> QString {
            const QString text = cell(c);
            if (text.isEmpty() && optional) return {};
            bool ok = false;
            out = text.toDouble(&ok);
            if (!ok || !std::isfinite(out))
                return QStringLiteral("the %1 \"%2\" is not a number.").arg(visitColumns()[c], text);
            return {};
        };
        ServiceVisit v;
        const QString probe = cell(vcProbe);
        if (probe != QStringLiteral("1") && probe != QStringLiteral("2"))
            return fail(QStringLiteral("the probe \"%1\" is not 1 or 2.").arg(probe));
        v.probe = probe.toInt();
        const std::optional<double> day = dt::parse(cell(vcVisit));
        if (!day || cell(vcVisit).isEmpty())
            return fail(QStringLiteral("the visit \"%1\" is not a date-time (M/d/yyyy hh:mm:ss).").arg(cell(vcVisit)));
        v.day = *day;
        for (auto [c, out] : {std::pair{vcFouling, &v.foulingError}, {vcBuffer, &v.bufferPH}, {vcDrift, &v.driftError}})
            if (QString why = number(c, false, *out); !why.isEmpty()) return fail(why);
        for (auto [c, out] : {std::pair{vcBuffer2, &v.buffer2PH}, {vcDrift2, &v.driftError2}})
            if (QString why = number(c, true, *out); !why.isEmpty()) return fail(why);
        if (std::isnan(v.buffer2PH) != std::isnan(v.driftError2))
            return fail(QStringLiteral("a second buffer needs both its pH and its drift error."));
        if (v.hasSecondBuffer() && v.buffer2PH == v.bufferPH)
            return fail(QStringLiteral("the two buffers have the same pH."));
        v.note = cell(vcNote);
        for (const ServiceVisit &o : read.visits)
            if (o.probe == v.probe && o.day == v.day)
                return fail(QStringLiteral("pH-%1 has another visit at %2.").arg(v.probe).arg(dt::recordText(v.day)));
        read.visits.push_back(v);
    }
    if (header) {
        lineNo = 1;
        return fail(QStringLiteral("there is no header line."));
    }
    return read;
}

QByteArray visitsCsv(const std::vector<ServiceVisit> &visits) {
    const bool notes =
        std::any_of(visits.begin(), visits.end(), [](const ServiceVisit &v) { return !v.note.isEmpty(); });
    QStringList out{visitColumns().mid(0, notes ? vcCount : vcNote).join(u',')};
    for (const ServiceVisit &v : visits) {
        QStringList cells{QString::number(v.probe), dt::recordText(v.day),    numberCell(v.foulingError),
                          numberCell(v.bufferPH),   numberCell(v.driftError), numberCell(v.buffer2PH),
                          numberCell(v.driftError2)};
        if (notes) cells << quotedCell(v.note);
        out << cells.join(u',');
    }
    return (out.join(u'\n') + u'\n').toUtf8();
}

std::vector<ServiceVisit> visitsOfProbe(const std::vector<ServiceVisit> &visits, int probe) {
    std::vector<ServiceVisit> out;
    std::copy_if(visits.begin(), visits.end(), std::back_inserter(out),
                 [probe](const ServiceVisit &v) { return v.probe == probe; });
    std::stable_sort(out.begin(), out.end(),
                     [](const ServiceVisit &a, const ServiceVisit &b) { return a.day < b.day; });
    return out;
}

QString checkVisits(const std::vector<ServiceVisit> &visits) {
    for (int probe : {1, 2}) {
        const std::vector<ServiceVisit> own = visitsOfProbe(visits, probe);
        for (std::size_t i = 1; i < own.size(); ++i)
            if (own[i].day == own[i - 1].day)
                return QStringLiteral("Two visits of pH-%1 at %2.").arg(probe).arg(dt::recordText(own[i].day));
    }
    return {};
}
