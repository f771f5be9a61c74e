#include "qc/qcletters.h"

#include <QStringList>

namespace {
const char kLetters[kFlagKinds] = {'S', 'F', 'D', 'T', 'N', 'X', 'M', 'G', 'R', 'C', 'Y', 'O'};
const char *const kLegend[kFlagKinds] = {
    "S: spike (a value far from the mean of the records either side)",
    "F: flat line (values within the tolerance for the flat-line time)",
    "D: probes disagree (|pH-1 - pH-2| above the probe agreement threshold)",
    "T: thermistors disagree (above the thermistor agreement threshold)",
    "N: no flow (flow rate 0)",
    "X: not computed (the computation stopped before this record)",
    "M: missing value (no raw reading or thermistor temperature; no pH computed)",
    "G: gap (the record follows the one before by more than the gap limit)",
    "R: range (a value outside the user or sensor span)",
    "C: climatology (outside the month's span)",
    "Y: syntax (a field of the line missing or unreadable)",
    "O: conflict (same date-time as a record of another log with other values)",
};

template <typename T, typename Pred>
std::optional<int> nextRow(const std::vector<T> &v, int row, int direction, Pred p) {
    const int n = int(v.size());
    if (direction == 0 || n == 0) return std::nullopt;
    const int step = direction > 0 ? 1 : -1;
    for (int r = step > 0 ? std::max(row + 1, 0) : std::min(row - 1, n - 1); r >= 0 && r < n; r += step)
        if (p(v[std::size_t(r)])) return r;
    return std::nullopt;
}
}  // namespace

char flagLetter(int kind) { return kind >= 0 && kind < kFlagKinds ? kLetters[kind] : '?'; }

QString flagLetters(FlagMask flags) {
    QString s;
    for (int i = 0; i < kFlagKinds; ++i)
        if (flags & (1u << i)) s += QLatin1Char(kLetters[i]);
    return s;
}

QString flagLegendLine(int kind) {
    return kind >= 0 && kind < kFlagKinds ? QString::fromUtf8(kLegend[kind]) : QString();
}

QString qcTooltip(FlagMask flags, const std::array<std::uint8_t, kQcColumns> &tests, const QcSetup &setup) {
    QStringList out;
    for (int i = 0; i < kFlagKinds; ++i)
        if (flags & (1u << i)) out << flagLegendLine(i);
    int series = -1;
    QStringList parts;
    auto flush = [&] {
        if (series >= 0) out << QStringLiteral("%1: %2").arg(qcSeriesCaption(series), parts.join(QStringLiteral(", ")));
        parts.clear();
    };
    for (int c = 0; c < kQcColumns; ++c) {
        const QcColumn col = qcColumn(c);
        if (col.series != series) {
            flush();
            series = col.series;
        }
        parts << QStringLiteral("%1 %2").arg(qcTestCaption(col.test).toLower()).arg(tests[std::size_t(c)]);
    }
    flush();
    if (setup.flatSuspect > 0)
        out << QStringLiteral("Flat-line windows: %1 and %2 records").arg(setup.flatSuspect).arg(setup.flatFail);
    return out.join(u'\n');
}

FlagCounts &FlagCounts::operator+=(const FlagCounts &o) {
    flagged += o.flagged;
    for (int i = 0; i < kFlagKinds; ++i) of[i] += o.of[i];
    return *this;
}

FlagCounts &FlagCounts::operator-=(const FlagCounts &o) {
    flagged -= o.flagged;
    for (int i = 0; i < kFlagKinds; ++i) of[i] -= o.of[i];
    return *this;
}

FlagCounts countFlags(const std::vector<FlagMask> &flags, int first, int last) {
    FlagCounts c;
    const int n = int(flags.size());
    last = std::min(last, n - 1);
    for (int r = std::max(first, 0); r <= last; ++r) {
        const FlagMask f = flags[std::size_t(r)];
        if (!f) continue;
        ++c.flagged;
        for (int i = 0; i < kFlagKinds; ++i)
            if (f & (1u << i)) ++c.of[i];
    }
    return c;
}

QString flagCountsText(const FlagCounts &c) {
    if (c.flagged == 0) return QStringLiteral("No flags");
    QStringList kinds;
    for (int i = 0; i < kFlagKinds; ++i)
        if (c.of[i]) kinds << QStringLiteral("%1 %2").arg(QLatin1Char(kLetters[i])).arg(c.of[i]);
    return QStringLiteral("%1 flagged: %2").arg(c.flagged).arg(kinds.join(QStringLiteral(", ")));
}

std::optional<int> nextFlaggedRow(const std::vector<FlagMask> &flags, int row, int direction) {
    return nextRow(flags, row, direction, [](FlagMask f) { return f != 0; });
}

std::optional<int> nextSuspectRow(const std::vector<QcAggregates> &aggregates, int row, int direction) {
    return nextRow(aggregates, row, direction,
                   [](QcAggregates a) { return qcRank(qcWorstPH(a)) >= qcRank(qcSuspect); });
}
