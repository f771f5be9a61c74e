#include "export/report.h"

#include "qc/qcletters.h"
#include "export/statisticscsv.h"
#include "model/datatable.h"
#include "model/datetime.h"
#include "model/interaction.h"
#include "model/numbertext.h"
#include "workbench/workbench.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <map>

namespace {

QString number(double v) { return generalNumberText(v); }

// The system's one date form, as the records have it.
QString dateTimeText(const QDateTime &t) { return t.toString(QStringLiteral("M/d/yyyy hh:mm:ss")); }

QString recordTime(const DataTable &t, int row) { return t.text(row, colDateTime); }

QString fixed(double v, int decimals) {
    const QString s = QString::number(v, 'f', decimals);
    return s == QStringLiteral("-0.") + QString(decimals, u'0') ? s.mid(1) : s;  // no "-0.0000"
}

// Size and checksum are of the bytes the read took in, hashed as they came: the file may have
// grown or changed since, and the numbers must stand for what was read.
ReportTable fileTable(const QString &path, const ReadReport &read) {
    const QFileInfo info(path);
    const QString sha = QString::fromLatin1(read.sha256.toHex());
    ReportTable t{QStringLiteral("File"),
                  {},
                  {{QStringLiteral("Name"), info.fileName()},
                   {QStringLiteral("Folder"), QDir::toNativeSeparators(info.absolutePath())},
                   {QStringLiteral("Size"), QStringLiteral("%1 bytes").arg(read.bytes)},
                   {QStringLiteral("Modified"), dateTimeText(info.lastModified())},
                   {QStringLiteral("SHA-256"), sha.isEmpty() ? QStringLiteral("(cannot be read)") : sha}}};
    if (path == kStdinPath) return t;
    QString since;
    if (!info.exists())
        since = QStringLiteral("the file is no longer there");
    else if (info.size() > read.bytes)
        since = QStringLiteral("the file has grown to %1 bytes").arg(info.size());
    else if (info.size() < read.bytes)
        since = QStringLiteral("the file has changed: now %1 bytes").arg(info.size());
    if (!since.isEmpty()) t.rows.append({QStringLiteral("Since the read"), since});
    return t;
}

ReportTable headerTable(const clsDataSet &d) {
    // The stored value still has the separator after its key; the report shows the value alone.
    auto orNone = [](QString s) {
        if (s.startsWith(u',')) s.remove(0, 1);
        s = s.trimmed();
        return s.isEmpty() ? QStringLiteral("(none)") : s;
    };
    return {QStringLiteral("Header of the file"),
            {QString(), QStringLiteral("pH-1"), QStringLiteral("pH-2")},
            {{QStringLiteral("Serial number"), orNone(d.pH1_SerialNumber()), orNone(d.pH2_SerialNumber())},
             {QStringLiteral("Calibration date"), orNone(d.pH1_CalibrationDate()), orNone(d.pH2_CalibrationDate())},
             {QStringLiteral("Slope"), number(d.pH1_Slope()), number(d.pH2_Slope())},
             {QStringLiteral("Offset"), number(d.pH1_Offset()), number(d.pH2_Offset())}}};
}

ReportTable startTable(const clsDataSet &d) {
    QStringList columns = d.fieldlist();
    if (!columns.isEmpty() && columns.last().isEmpty()) columns.removeLast();
    const QString start = d.isDateInitialized() ? dt::recordText(d.startdate()) : QStringLiteral("(none)");
    return {QString(),
            {},
            {{QStringLiteral("Start date"), start},
             {QStringLiteral("Columns"), columns.isEmpty() ? QStringLiteral("(none)") : columns.join(u", ")}}};
}

ReportTable calibrationTable(const Calibration &c) {
    auto therm = [&](int probe) { return QStringLiteral("T%1").arg(c.thermistor[std::size_t(probe)] + 1); };
    ReportTable t{QStringLiteral("Calibration applied"),
                  {QString(), QStringLiteral("pH-1"), QStringLiteral("pH-2")},
                  {{QStringLiteral("Slope"), number(c.slope[0]), number(c.slope[1])},
                   {QStringLiteral("Offset (V)"), number(c.offset[0]), number(c.offset[1])},
                   {QStringLiteral("pH correction"), number(c.corr[0]), number(c.corr[1])},
                   {QStringLiteral("Thermistor"), therm(0), therm(1)}}};
    // A field no probe uses may hold anything; it was not applied.
    auto corr = [&](std::size_t i) {
        return std::isnan(c.thermistorCorr[i]) ? QStringLiteral("(not a number)") : number(c.thermistorCorr[i]);
    };
    t.rows.append({QStringLiteral("Thermistor corrections (\u00B0C)"),
                   QStringLiteral("T1 %1, T2 %2, T3 %3").arg(corr(0), corr(1), corr(2)), QString()});
    return t;
}

ReportTable readTable(const Workbench &wb) {
    const ReadReport &r = wb.readReport();
    ReportTable t{QStringLiteral("Read"),
                  {},
                  {{QStringLiteral("Lines read"), QString::number(r.lines)},
                   {QStringLiteral("Records loaded"), QString::number(wb.rowCount())},
                   {QStringLiteral("Records left out"), QString::number(r.leftOut)},
                   {QStringLiteral("Records skipped (24:00:00 or later)"), QString::number(r.skipped)},
                   {QStringLiteral("Records with missing values"), QString::number(r.missing)},
                   {QStringLiteral("Records computed"), QString::number(wb.computedRows())}}};
    if (r.cut > 0) t.rows.append({QStringLiteral("Records cut to their first values"), QString::number(r.cut)});
    t.rows.append({QStringLiteral("Read to the end"),
                   r.completed           ? QStringLiteral("yes")
                   : r.stoppedAtLine > 0 ? QStringLiteral("no, stopped at line %1").arg(r.stoppedAtLine)
                                         : QStringLiteral("no")});
    return t;
}

// Every gap of the log, not only the plotted ones: where the record has none is part of what it is.
ReportTable gapsTable(const Workbench &wb) {
    const QString limit = durationText(wb.gapMinutes() * 60.0 / dt::kSecondsPerDay);
    if (wb.gaps().empty()) return {QStringLiteral("Gaps"), {}, {{QStringLiteral("No gaps longer than ") + limit}}};
    ReportTable t{QStringLiteral("Gaps longer than ") + limit,
                  {QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("duration")},
                  {}};
    for (const Gap &g : wb.gaps())
        t.rows.append({recordTime(wb.openTable(), g.fromRow), recordTime(wb.openTable(), g.toRow),
                       durationText(g.toDay - g.fromDay)});
    return t;
}

QString dayText(double day) { return std::isfinite(day) ? dt::recordText(day) : QStringLiteral("(none)"); }

// Every log of a deployment and every calibration segment with where it came from; nothing for
// one log of one segment, which the tables above tell whole.
QList<ReportTable> deploymentTables(const Workbench &wb) {
    QList<ReportTable> out;
    const Join &join = wb.join();
    if (join.logs.size() > 1) {
        ReportTable logs{QStringLiteral("Logs"),
                         {QStringLiteral("Name"), QStringLiteral("Size"), QStringLiteral("SHA-256"),
                          QStringLiteral("Records"), QStringLiteral("First record"), QStringLiteral("Last record")},
                         {}};
        for (const JoinedLog &l : join.logs)
            logs.rows.append({QFileInfo(l.path).fileName(), QStringLiteral("%1 bytes").arg(l.bytes),
                              QString::fromLatin1(l.sha256.toHex()), QString::number(l.records), dayText(l.firstDay),
                              dayText(l.lastDay)});
        logs.rows.append({QStringLiteral("Duplicates dropped: %1; conflicting records (C): %2")
                              .arg(wb.readReport().duplicatesDropped)
                              .arg(wb.readReport().conflicts)});
        out << logs;
    }
    const std::vector<CalibrationSegment> &segments = wb.segments();
    if (segments.size() > 1 || join.logs.size() > 1) {
        ReportTable t{QStringLiteral("Calibration segments"),
                      {QStringLiteral("Segment"), QStringLiteral("From"), QStringLiteral("Origin"),
                       QStringLiteral("pH-1 slope, offset, corr"), QStringLiteral("pH-2 slope, offset, corr")},
                      {}};
        for (std::size_t i = 0; i < segments.size(); ++i) {
            const CalibrationSegment &s = segments[i];
            const Calibration &c = s.calibration;
            auto probe = [&](std::size_t p) {
                return QStringLiteral("%1, %2, %3").arg(number(c.slope[p]), number(c.offset[p]), number(c.corr[p]));
            };
            const QString from = s.firstRow < wb.rowCount() ? recordTime(wb.openTable(), s.firstRow) : QString();
            t.rows.append(
                {QString::number(i + 1), from, s.logName + QStringLiteral(", ") + s.originText(), probe(0), probe(1)});
        }
        out << t;
    }
    return out;
}

// The statistics of the visible records, as the statistics CSV has them, and the flag counts.
QList<ReportTable> qualityTables(const Workbench &wb, bool zoomed) {
    if (wb.computedRows() == 0) return {};
    const auto [first, last] = wb.visibleRows(zoomed);
    const RangeStats s = wb.statistics(first, last);
    const QStringList lines = QString::fromUtf8(statisticsCsv(s, wb.openTable())).split(u'\n', Qt::SkipEmptyParts);
    const bool badLeftOut = !wb.statisticsIncludeBad() && !wb.marks().empty();
    ReportTable stats{QStringLiteral("Statistics of the plotted records") +
                          (badLeftOut ? QStringLiteral(" (records marked bad left out)") : QString()),
                      {},
                      {}};
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringList cells = lines[i].trimmed().split(u',');
        if (i == 0) {
            stats.columns = cells;
            continue;
        }
        // On paper at the decimals of the series' column, as the window shows them (means and
        // deviations one more); the CSV keeps every digit.
        int series = 0;
        while (series < kStatSeriesCount && statSeriesName(series) != cells[0]) ++series;
        if (cells[0] == u"Date/Time" && s.records() > 0 && cells.size() > 3) {
            cells[2] = recordTime(wb.openTable(), s.firstRow);
            cells[3] = recordTime(wb.openTable(), s.lastRow);
        }
        for (qsizetype k = 2; k < cells.size() && cells[0] != u"Date/Time"; ++k) {
            const auto v = readNumber(cells[k]);
            if (!v) continue;
            cells[k] = series == kStatSeriesCount ? number(*v) : fixed(*v, kStatDecimals[series] + (k >= 4 ? 1 : 0));
        }
        stats.rows.append(cells);
    }
    ReportTable flags{QStringLiteral("Quality flags"),
                      {},
                      {{flagCountsText(countFlags(wb.flags(), first, last)) +
                        QStringLiteral(" (S spike, F flat line, D probes disagree, T thermistors disagree, N no "
                                       "flow, X not computed, M missing value, G gap, R range, C climatology, "
                                       "Y syntax, O conflict)")}}};
    if (wb.qcAggregates().empty()) return {stats, flags};
    // Each test of each series by result, of the records in view.
    ReportTable tests{QStringLiteral("Quality-control tests (QARTOD): records by result"),
                      {QStringLiteral("test"), QStringLiteral("1 pass"), QStringLiteral("2 not evaluated"),
                       QStringLiteral("3 suspect"), QStringLiteral("4 fail"), QStringLiteral("9 missing")},
                      {}};
    const QcTestCounts counts = countQcTests(wb.openTable(), wb.computedRows(), wb.qcSetup(), first, last);
    for (int col = 0; col < kQcColumns; ++col) {
        const QcColumn c = qcColumn(col);
        QStringList row{qcSeriesCaption(c.series) + QStringLiteral(" ") + qcTestCaption(c.test).toLower()};
        for (long long k : counts[std::size_t(col)]) row << QString::number(k);
        tests.rows.append(row);
    }
    ReportTable thresholds{QStringLiteral("Quality-control thresholds"),
                           {QStringLiteral("threshold"), QStringLiteral("value"), QStringLiteral("default from")},
                           {}};
    const QcThresholds &th = wb.qcThresholds();
    for (const QcThresholdField &f : qcThresholdFields())
        thresholds.rows.append({QString::fromUtf8(f.caption),
                                QStringLiteral("%1 %2").arg(th.*f.value).arg(QString::fromUtf8(f.unit)),
                                QString::fromUtf8(f.source)});
    const QcSetup &setup = wb.qcSetup();
    thresholds.rows.append({QStringLiteral("Flat-line windows (median interval %1 s)").arg(setup.medianSeconds),
                            QStringLiteral("%1 and %2 records").arg(setup.flatSuspect).arg(setup.flatFail), QString()});
    for (int m = 0; m < 12; ++m)
        if (const QcMonthSpan &s = th.climatology[std::size_t(m)]; s.set)
            thresholds.rows.append({QStringLiteral("Climatology, month %1").arg(m + 1),
                                    QStringLiteral("%1 to %2 pH").arg(s.min).arg(s.max), QStringLiteral("the person")});
    return {stats, flags, tests, thresholds};
}

// The person's marks, the logs that differ from the project, and the audit trail's last entries.
QList<ReportTable> projectTables(const Workbench &wb) {
    QList<ReportTable> out;
    if (!wb.marks().empty()) {
        ReportTable t{
            QStringLiteral("Marks"),
            {QStringLiteral("Mark"), QStringLiteral("From"), QStringLiteral("To"), QStringLiteral("Reason or note")},
            {}};
        for (const Mark &m : wb.marks().list())
            t.rows.append({markKindName(m.kind), dt::recordText(m.from), dt::recordText(m.to), m.text});
        out << t;
    }
    if (!wb.projectChangedLogs().isEmpty()) {
        ReportTable t{QStringLiteral("Logs that differ from the project"),
                      {QStringLiteral("Log"), QStringLiteral("Recorded"), QStringLiteral("Now")},
                      {}};
        for (const QString &path : wb.projectChangedLogs()) {
            ProjectLog was, now;
            for (const ProjectLog &l : wb.projectLogs())
                if (l.path == path) was = l;
            logChecksum(path, now);
            auto text = [](const ProjectLog &l) {
                return QStringLiteral("%1 bytes, SHA-256 %2").arg(l.size).arg(QString::fromLatin1(l.sha256));
            };
            t.rows.append({path, text(was), text(now)});
        }
        out << t;
    }
    const std::vector<TrailEntry> &trail = wb.trail();
    if (!trail.empty()) {
        constexpr std::size_t kShown = 50;
        const std::size_t from = trail.size() > kShown ? trail.size() - kShown : 0;
        // The count and the hash above the entries, not in a column of theirs.
        out << ReportTable{QStringLiteral("Audit trail"),
                           {},
                           {{QStringLiteral("Entries"),
                             QString::number(trail.size()) +
                                 (from > 0 ? QStringLiteral(", the last %1 shown").arg(kShown) : QString())},
                            {QStringLiteral("Chain's last hash"),
                             QString::fromLatin1(sha256Hex(canonicalText(trailEntryJson(trail.back()))))}}};
        ReportTable t{QString(),
                      {QStringLiteral("#"), QStringLiteral("Time (UTC)"), QStringLiteral("User"),
                       QStringLiteral("What"), QStringLiteral("Changes"), QStringLiteral("Reason")},
                      {}};
        for (std::size_t i = from; i < trail.size(); ++i) {
            const TrailEntry &e = trail[i];
            QStringList changes;
            constexpr std::size_t kChanges = 8;  // an entry's first changes; all are in the file
            for (std::size_t k = 0; k < e.changes.size() && k < kChanges; ++k) {
                const TrailChange &c = e.changes[k];
                const QString now = c.newValue.isEmpty() ? QStringLiteral("(none)") : c.newValue;
                changes << c.field + QStringLiteral(": ") + (c.oldValue.isEmpty() ? now : c.oldValue + " -> " + now);
            }
            if (e.changes.size() > kChanges) changes << QStringLiteral("and %1 more").arg(e.changes.size() - kChanges);
            t.rows.append(
                {QString::number(e.number), e.time, e.user, e.what, changes.join(QStringLiteral("; ")), e.reason});
        }
        out << t;
    }
    return out;
}

QString gradeCell(Grade g) { return g == Grade::None ? QStringLiteral("(none)") : gradeText(g); }

// A probe's rows with the largest absolute total corrections, largest first (the earlier of
// equal ones first).
std::vector<std::size_t> largestCorrections(const ProbeCorrections &c, std::size_t count) {
    std::vector<std::size_t> rows;
    const auto larger = [&c](std::size_t a, std::size_t b) {
        const double x = std::fabs(c.correction[a]), y = std::fabs(c.correction[b]);
        return x > y || (x == y && a < b);
    };
    for (std::size_t r = 0; r < c.correction.size(); ++r) {
        if (std::isnan(c.correction[r])) continue;
        if (rows.size() == count && !larger(r, rows.back())) continue;
        if (rows.size() == count) rows.pop_back();
        rows.insert(std::upper_bound(rows.begin(), rows.end(), r, larger), r);
    }
    return rows;
}

// The service visits, the corrections and the grades made from them; nothing without visits.
QList<ReportTable> correctionTables(const Workbench &wb) {
    if (wb.serviceVisits().empty() || !wb.isOpen()) return {};
    const CorrectionSettings &settings = wb.correctionSettings();
    const GradeLimits &l = settings.limits;
    QList<ReportTable> out;
    out << ReportTable{QStringLiteral("Service visits, corrections and grades"),
                       {},
                       {{QStringLiteral("Grades after Wagner and others (2006), USGS Techniques and Methods 1-D3.")},
                        {QStringLiteral("Excellent up to %1 pH, Good up to %2, Fair up to %3, Poor above; not "
                                        "reported above %4. Carry the last correction on: %5.")
                             .arg(number(l.excellent), number(l.good), number(l.fair), number(l.maxAllowable),
                                  settings.carryOn ? QStringLiteral("yes") : QStringLiteral("no"))}}};
    const DataTable &t = wb.openTable();
    for (int p = 0; p < 2; ++p) {
        const std::vector<ServiceVisit> visits = visitsOfProbe(wb.serviceVisits(), p + 1);
        if (visits.empty()) continue;
        ReportTable v{QStringLiteral("Service visits of pH-%1").arg(p + 1),
                      {QStringLiteral("Visit"), QStringLiteral("Fouling error"), QStringLiteral("Buffer pH"),
                       QStringLiteral("Drift error"), QStringLiteral("Buffer 2 pH"), QStringLiteral("Drift error 2"),
                       QStringLiteral("Note")},
                      {}};
        for (const ServiceVisit &s : visits) {
            const bool two = s.hasSecondBuffer();
            v.rows.append({dt::recordText(s.day), number(s.foulingError), number(s.bufferPH), number(s.driftError),
                           two ? number(s.buffer2PH) : QString(), two ? number(s.driftError2) : QString(), s.note});
        }
        out << v;
        const ProbeCorrections &c = wb.corrections(p);
        const ProbeCorrector corrector = wb.corrector(p);
        ReportTable largest{QStringLiteral("Largest corrections of pH-%1").arg(p + 1),
                            {QStringLiteral("Record"), QStringLiteral("Correction"), QStringLiteral("Fouling"),
                             QStringLiteral("Drift"), QStringLiteral("Grade")},
                            {}};
        for (std::size_t r : largestCorrections(c, 5)) {
            const Correction parts = corrector.at(t.rowDay(int(r)), t.value(int(r), p == 0 ? colPH1 : colPH2));
            largest.rows.append({recordTime(t, int(r)), fixed(c.correction[r], 4), fixed(parts.fouling, 4),
                                 fixed(parts.drift, 4), gradeText(c.grade[r])});
        }
        if (largest.rows.isEmpty()) largest.rows.append({QStringLiteral("No record was corrected.")});
        out << largest;
    }
    ReportTable counts{QStringLiteral("Records per grade"),
                       {QStringLiteral("Grade"), QStringLiteral("pH-1"), QStringLiteral("pH-2")},
                       {}};
    const std::array<GradeCounts, 2> n{countGrades(wb.corrections(0).grade), countGrades(wb.corrections(1).grade)};
    for (Grade g : {Grade::Excellent, Grade::Good, Grade::Fair, Grade::Poor, Grade::NotReported})
        counts.rows.append(
            {gradeText(g), QString::number(n[0][std::size_t(g)]), QString::number(n[1][std::size_t(g)])});
    out << counts;
    // Both probes' days side by side, in date order.
    std::map<double, std::array<Grade, 2>> days;
    for (int p = 0; p < 2; ++p)
        for (const DailyGrade &d : dailyGrades(t.days(), wb.corrections(p).grade))
            days[d.date][std::size_t(p)] = d.grade;
    ReportTable daily{QStringLiteral("Daily grades (the lowest of the day's records)"),
                      {QStringLiteral("Date"), QStringLiteral("pH-1"), QStringLiteral("pH-2")},
                      {}};
    for (const auto &[date, grades] : days)
        daily.rows.append({dt::format(date, u"m/d/yyyy"), gradeCell(grades[0]), gradeCell(grades[1])});
    out << daily;
    return out;
}

}  // namespace

ReportContent buildReport(const Workbench &wb, const ReportExtras &extras) {
    ReportContent c;
    c.title = QStringLiteral("Probe log report: ") + QFileInfo(wb.path()).fileName();
    c.before << fileTable(wb.path(), wb.readReport()) << headerTable(wb.dataSet()) << startTable(wb.dataSet())
             << calibrationTable(wb.calibration());
    for (int p = 0; p < 2; ++p) {
        const QStringList &lines = extras.bufferCalibration[std::size_t(p)];
        if (lines.isEmpty()) continue;
        ReportTable t{QStringLiteral("Buffer calibration of pH-%1").arg(p + 1), {}, {}};
        for (const QString &line : lines) t.rows.append({line});
        c.before << t;
    }
    c.before << readTable(wb) << gapsTable(wb) << deploymentTables(wb);
    if (extras.plot) {
        // The records the plot holds, not the room its axis leaves either side of them.
        const auto [first, last] = wb.visibleRows(extras.zoomed);
        c.plotCaption = last >= first ? QStringLiteral("Plot from %1 to %2")
                                            .arg(recordTime(wb.openTable(), first), recordTime(wb.openTable(), last))
                                      : QStringLiteral("Plot: no records in view");
    }
    c.after = qualityTables(wb, extras.zoomed) + correctionTables(wb) + projectTables(wb);
    c.footer = QStringLiteral("Brinewick %1, made %2").arg(kAppVersion, dateTimeText(extras.made));
    return c;
}

QString reportText(const ReportContent &c) {
    QStringList lines{c.title};
    auto add = [&](const QList<ReportTable> &tables) {
        for (const ReportTable &t : tables) {
            if (!t.heading.isEmpty()) lines << QString() << t.heading;
            if (!t.columns.isEmpty()) lines << t.columns.join(u'\t');
            for (const QStringList &row : t.rows) lines << row.join(u'\t');
        }
    };
    add(c.before);
    if (!c.plotCaption.isEmpty()) lines << QString() << c.plotCaption;
    add(c.after);
    lines << QString() << c.footer;
    return lines.join(u'\n') + u'\n';
}
