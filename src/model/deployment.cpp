#include "model/deployment.h"

#include "model/datetime.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <unordered_map>

namespace {

constexpr double kNoDay = std::numeric_limits<double>::quiet_NaN();

double firstDayOf(const DataTable &t) {
    for (const double day : t.days())
        if (std::isfinite(day)) return day;
    return kNoDay;
}

double lastDayOf(const DataTable &t) {
    const std::span<const double> days = t.days();
    for (auto it = days.rbegin(); it != days.rend(); ++it)
        if (std::isfinite(*it)) return *it;
    return kNoDay;
}

// The column names of a data set, without the list's closing empty entry.
QStringList namesOf(const clsDataSet &ds) {
    QStringList names = ds.fieldlist();
    if (!names.isEmpty()) names.removeLast();
    return names;
}

qsizetype indexOfName(const QStringList &names, const QString &name) {
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

// A log's columns placed among the deployment's: a named column where its name stands, the
// columns past its names where they stand in the log.
std::vector<int> placeColumns(const QStringList &names, const QStringList &all, int cols) {
    std::vector<int> to(std::size_t(std::max(cols, 0)));
    std::iota(to.begin(), to.end(), 0);
    for (qsizetype i = 0; i < names.size() && i < qsizetype(to.size()); ++i)
        to[std::size_t(i)] = int(indexOfName(all, names[i]));
    return to;
}

QString differenceLine(const QString &path, const QStringList &names, const QStringList &all) {
    QStringList lacks, extra;
    for (const QString &n : all)
        if (indexOfName(names, n) < 0) lacks << QStringLiteral("\"%1\"").arg(n);
    for (const QString &n : names)
        if (indexOfName(all, n) < 0) extra << QStringLiteral("\"%1\"").arg(n);
    QStringList parts;
    if (names.isEmpty()) parts << QStringLiteral("no column names: its columns are taken by position");
    if (!names.isEmpty() && !lacks.isEmpty())
        parts << QStringLiteral("no %1 (empty cells there)").arg(lacks.join(", "));
    if (!extra.isEmpty()) parts << QStringLiteral("%1 as well").arg(extra.join(", "));
    if (parts.isEmpty()) parts << QStringLiteral("its columns in another order");
    return QFileInfo(path).fileName() + QStringLiteral(": ") + parts.join(QStringLiteral("; "));
}

// Whether row jr of the joined table holds row r of a log in every column the log has (a
// column it lacks says nothing against it).
bool sameRow(const DataTable &joined, int jr, const DataTable &t, int r, const std::vector<int> &to) {
    for (int c = 0; c < t.colCount(); ++c) {
        const int at = to[std::size_t(c)];
        const Cell held = at < joined.colCount() ? joined.cell(jr, at) : Cell();
        if (!(held == t.cell(r, c))) return false;
    }
    return true;
}

// Row r of a log's table as row k of `rows`, its columns placed where `to` says.
void placeRow(DataTable &rows, int k, const DataTable &t, int r, const std::vector<int> &to) {
    const double day = t.rowDay(r);
    for (int c = 1; c < t.colCount(); ++c)
        if (to[std::size_t(c)] >= 0) rows.setCell(k, to[std::size_t(c)], t.cell(r, c));
    if (std::isfinite(day))
        rows.setRecordTime(k, colDateTime, day);
    else
        rows.setCell(k, colDateTime, t.cell(r, colDateTime));
}

}  // namespace

Join joinLogs(std::vector<DeploymentLog> &logs, clsDataSet &into) {
    Join join;
    const int limit = into.recordLimit();
    into.Clear();
    into.setRecordLimit(limit);
    int total = 0;
    for (DeploymentLog &l : logs) total += l.data.rowcount();
    into.expectRecords(std::min(total, limit));

    std::vector<std::size_t> order(logs.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    std::vector<double> firstDays(logs.size());
    for (std::size_t i = 0; i < logs.size(); ++i) firstDays[i] = firstDayOf(logs[i].data.DATA());
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (std::isnan(firstDays[b])) return !std::isnan(firstDays[a]);
        return firstDays[a] < firstDays[b];
    });

    // The deployment's columns: the first log's names, then any name a later log adds.
    QStringList all;
    bool named = false;
    for (const std::size_t i : order) {
        if (!logs[i].data.hasFieldlist()) continue;
        named = true;
        for (const QString &n : namesOf(logs[i].data))
            if (indexOfName(all, n) < 0) all << n;
    }
    if (named) into.setFieldlist(all + QStringList{QString()});

    bool first = true;
    for (const std::size_t i : order) {
        clsDataSet &ds = logs[i].data;
        DataTable &t = ds.DATA();
        const QStringList names = namesOf(ds);
        if (named && names.join(u'\n').compare(all.join(u'\n'), Qt::CaseInsensitive) != 0)
            join.columnDifferences << differenceLine(logs[i].path, names, all);
        if (first) {  // the first log's probes and start date stand for the deployment's
            into.setPH1_Slope(ds.pH1_Slope());
            into.setPH2_Slope(ds.pH2_Slope());
            into.setPH1_Offset(ds.pH1_Offset());
            into.setPH2_Offset(ds.pH2_Offset());
            into.setPH1_SerialNumber(ds.pH1_SerialNumber());
            into.setPH2_SerialNumber(ds.pH2_SerialNumber());
            into.setPH1_CalibrationDate(ds.pH1_CalibrationDate());
            into.setPH2_CalibrationDate(ds.pH2_CalibrationDate());
            if (ds.isDateInitialized()) into.setStartdate(ds.startdate());
            first = false;
        }
        const std::vector<int> to =
            names.isEmpty() ? placeColumns({}, {}, t.colCount()) : placeColumns(names, all, t.colCount());
        int width = t.colCount();
        for (const int c : to) width = std::max(width, c + 1);
        width = std::max(width, into.rowcount() > 0 ? into.appendedRecords().colCount() : 0);

        // The rows of earlier logs that this log's date-times may meet.
        const double firstDay = firstDays[i], lastDay = lastDayOf(t);
        std::unordered_multimap<double, int> earlier;
        for (const JoinedLog &j : join.logs)
            if (std::isfinite(firstDay) && j.lastDay >= firstDay && j.firstDay <= lastDay)
                for (int r = j.firstRow; r < j.firstRow + j.rows; ++r) {
                    const double day = into.appendedRecords().rowDay(r);
                    if (day >= firstDay && day <= lastDay) earlier.emplace(day, r);
                }

        const int firstRow = into.rowcount();
        const int records = ds.rowcount();
        std::vector<std::uint8_t> keep(std::size_t(t.rowCount()), 1);
        std::vector<int> conflictAt;  // rows of this log (its own numbering) that meet other values
        if (!earlier.empty()) {
            const DataTable &joined = into.appendedRecords();
            for (int r = 0; r < t.rowCount(); ++r) {
                const auto [from, end] = earlier.equal_range(t.rowDay(r));
                if (from == end) continue;
                bool same = false;
                for (auto it = from; it != end && !same; ++it) same = sameRow(joined, it->second, t, r, to);
                if (same) {
                    keep[std::size_t(r)] = 0;
                    ++join.duplicatesDropped;
                    continue;
                }
                conflictAt.push_back(r);
                for (auto it = from; it != end; ++it) join.conflictRows.push_back(it->second);
            }
        }

        int kept = int(std::count(keep.begin(), keep.end(), std::uint8_t(1)));
        // The last records past the limit are left out, as a single log's read leaves them.
        const int room = std::max(limit - into.rowcount(), 0);
        if (kept > room) {
            join.leftOut += kept - room;
            for (int r = t.rowCount() - 1; r >= 0 && kept > room; --r)
                if (keep[std::size_t(r)]) keep[std::size_t(r)] = 0, --kept;
        }
        bool asItIs = kept == t.rowCount();
        for (int c = 0; c < int(to.size()) && asItIs; ++c) asItIs = to[std::size_t(c)] == c;
        if (asItIs) {
            into.appendRecords(std::move(t));
        } else {
            DataTable rows;
            if (kept > 0) rows.resize(kept - 1, width - 1);
            std::vector<int> newRow(std::size_t(t.rowCount()), -1);
            for (int r = 0, k = 0; r < t.rowCount(); ++r) {
                if (!keep[std::size_t(r)]) continue;
                newRow[std::size_t(r)] = k;
                placeRow(rows, k++, t, r, to);
            }
            into.appendRecords(std::move(rows));
            for (int &r : conflictAt) r = newRow[std::size_t(r)];
            std::erase(conflictAt, -1);
        }
        t = DataTable();  // its records are in the deployment now: a month of logs is not held twice
        returnFreedMemory();
        for (const int r : conflictAt) join.conflictRows.push_back(firstRow + r);
        JoinedLog &joined =
            join.logs.emplace_back(JoinedLog{logs[i].path, records, firstRow, kept, firstDay, lastDay, i, {}, 0, {}});
        for (int r = 0; r < int(keep.size()); ++r)
            if (!keep[std::size_t(r)]) joined.dropped.push_back(r);
    }
    std::sort(join.conflictRows.begin(), join.conflictRows.end());
    join.conflictRows.erase(std::unique(join.conflictRows.begin(), join.conflictRows.end()), join.conflictRows.end());
    join.conflicts = int(join.conflictRows.size());
    return join;
}

int appendToJoin(Join &join, std::size_t index, clsDataSet &log, int from, clsDataSet &into) {
    const int first = into.rowcount();
    log.trimRows();
    const DataTable &t = log.DATA();
    const int n = t.rowCount() - from;
    if (n <= 0) return first;
    const QStringList names = namesOf(log);
    const std::vector<int> to = names.isEmpty() || !into.hasFieldlist()
                                    ? placeColumns({}, {}, t.colCount())
                                    : placeColumns(names, namesOf(into), t.colCount());
    int width = std::max(t.colCount(), first > 0 ? into.DATA().colCount() : 0);
    for (const int c : to) width = std::max(width, c + 1);
    DataTable rows;
    rows.resize(n - 1, width - 1);
    for (int r = from; r < t.rowCount(); ++r) placeRow(rows, r - from, t, r, to);
    into.appendRecords(std::move(rows));
    JoinedLog &jl = join.logs[index];
    jl.records += n;
    jl.rows += n;
    if (std::isnan(jl.firstDay)) jl.firstDay = firstDayOf(t);
    jl.lastDay = lastDayOf(t);
    return first;
}

int Join::logOf(int row) const {
    // The first log whose rows end after the row (a log with none ends where it starts).
    const auto it = std::partition_point(logs.begin(), logs.end(),
                                         [row](const JoinedLog &l) { return l.firstRow + l.rows <= row; });
    return it == logs.end() || row < 0 ? -1 : int(it - logs.begin());
}

int JoinedLog::rowOf(int r) const {
    return firstRow + r - int(std::lower_bound(dropped.begin(), dropped.end(), r) - dropped.begin());
}

std::vector<Gap> findGaps(const DataTable &table, double limitDays, int from) {
    std::vector<Gap> gaps;
    // A step of the limit itself, one day-fraction taken from another, comes out a hair longer.
    limitDays += 1e-3 / dt::kSecondsPerDay;
    const std::span<const double> days = table.days();
    int previous = std::min(from, int(days.size())) - 1;
    while (previous >= 0 && !std::isfinite(days[std::size_t(previous)])) --previous;
    for (int r = std::max(from, 0); r < int(days.size()); ++r) {
        if (!std::isfinite(days[std::size_t(r)])) continue;
        if (previous >= 0 && days[std::size_t(r)] - days[std::size_t(previous)] > limitDays)
            gaps.push_back({previous, r, days[std::size_t(previous)], days[std::size_t(r)]});
        previous = r;
    }
    return gaps;
}

std::span<const Gap> gapsWithin(const std::vector<Gap> &gaps, int first, int last) {
    const auto begin =
        std::lower_bound(gaps.begin(), gaps.end(), first, [](const Gap &g, int row) { return g.fromRow < row; });
    const auto end = std::upper_bound(begin, gaps.end(), last, [](int row, const Gap &g) { return row < g.toRow; });
    return {begin, begin < end ? end : begin};
}

QString durationText(double days) {
    static const struct {
        long long seconds;
        const char *unit;
    } units[] = {{86400, "d"}, {3600, "h"}, {60, "min"}, {1, "s"}};
    long long left = std::llround(days * dt::kSecondsPerDay);
    QStringList parts;
    for (const auto &u : units) {
        const long long n = left / u.seconds;
        left %= u.seconds;
        // The largest unit that has any, and the one after it if that has any.
        if (n > 0) parts << QStringLiteral("%1 %2").arg(n).arg(QLatin1String(u.unit));
        if (!parts.isEmpty() && (n == 0 || parts.size() == 2)) break;
    }
    return parts.isEmpty() ? QStringLiteral("0 s") : parts.join(u' ');
}
