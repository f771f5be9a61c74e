#include "qc/marks.h"

#include "model/datatable.h"

#include <algorithm>
#include <cmath>

QString markKindName(MarkKind kind) {
    switch (kind) {
    case MarkKind::Bad: return QStringLiteral("bad");
    case MarkKind::Doubtful: return QStringLiteral("doubtful");
    case MarkKind::Note: return QStringLiteral("note");
    }
    return {};
}

std::optional<MarkKind> markKindFromName(const QString &name) {
    for (MarkKind k : {MarkKind::Bad, MarkKind::Doubtful, MarkKind::Note})
        if (name == markKindName(k)) return k;
    return std::nullopt;
}

char markLetter(MarkKind kind) { return kind == MarkKind::Bad ? 'B' : kind == MarkKind::Doubtful ? 'Q' : '\0'; }

namespace {

bool marksNotes(const Mark &m) { return m.kind == MarkKind::Note; }

// The date-time of the first row from `row` on (step +1) or back (step -1) that has one.
std::optional<double> dayFrom(const DataTable &t, int row, int step) {
    for (int r = row; r >= 0 && r < t.rowCount(); r += step)
        if (const double d = t.rowDay(r); std::isfinite(d)) return d;
    return std::nullopt;
}

}  // namespace

QString Marks::mark(const DataTable &t, int first, int last, MarkKind kind, const QString &text) {
    if (kind != MarkKind::Note && text.trimmed().isEmpty())
        return QStringLiteral("A record marked %1 needs a reason.").arg(markKindName(kind));
    if (kind == MarkKind::Note && text.trimmed().isEmpty()) return QStringLiteral("The note is empty.");
    first = std::max(first, 0);
    last = std::min(last, t.rowCount() - 1);
    const std::optional<double> from = dayFrom(t, first, 1), to = dayFrom(t, last, -1);
    if (!from || !to || *from > *to) return QStringLiteral("No record with a date-time is selected.");
    clear(t, first, last, kind == MarkKind::Note);
    m_list.push_back({*from, *to, kind, text.trimmed()});
    return {};
}

bool Marks::clear(const DataTable &t, int first, int last, bool notes) {
    first = std::max(first, 0);
    last = std::min(last, t.rowCount() - 1);
    const std::optional<double> from = dayFrom(t, first, 1), to = dayFrom(t, last, -1);
    if (!from || !to || *from > *to) return false;
    // The records either side of the span cleared, where a mark goes on.
    const std::optional<double> before = dayFrom(t, first - 1, -1), after = dayFrom(t, last + 1, 1);
    std::vector<Mark> kept;
    bool any = false;
    for (const Mark &m : m_list) {
        if (marksNotes(m) != notes || m.to < *from || m.from > *to) {
            kept.push_back(m);
            continue;
        }
        any = true;
        if (before && m.from <= *before) kept.push_back({m.from, std::min(m.to, *before), m.kind, m.text});
        if (after && m.to >= *after) kept.push_back({std::max(m.from, *after), m.to, m.kind, m.text});
    }
    m_list = std::move(kept);
    return any;
}

RowMarks Marks::rows(const DataTable &t) const {
    const int n = t.rowCount();
    RowMarks out{std::vector<std::uint8_t>(std::size_t(n), 0), std::vector<std::int32_t>(std::size_t(n), -1),
                 std::vector<std::int32_t>(std::size_t(n), -1)};
    const std::span<const double> days = t.days();
    for (std::size_t i = 0; i < m_list.size(); ++i) {
        const Mark &m = m_list[i];
        for (int r = 0; r < n; ++r) {
            const double d = days[std::size_t(r)];
            if (!(d >= m.from && d <= m.to)) continue;
            if (marksNotes(m)) {
                out.note[std::size_t(r)] = std::int32_t(i);
            } else {
                out.kind[std::size_t(r)] = std::uint8_t(m.kind);
                out.mark[std::size_t(r)] = std::int32_t(i);
            }
        }
    }
    return out;
}

std::vector<int> Marks::badRows(const DataTable &t) const {
    const RowMarks r = rows(t);
    std::vector<int> out;
    for (std::size_t i = 0; i < r.kind.size(); ++i)
        if (r.kind[i] == std::uint8_t(MarkKind::Bad)) out.push_back(int(i));
    return out;
}
