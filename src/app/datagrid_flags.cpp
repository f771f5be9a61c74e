// The grid's flags, QC and log columns and the colour of flagged rows.
#include "app/datagrid.h"
#include "qc/qcletters.h"

#include <QColor>

namespace {
const QColor kFlaggedRow(255, 226, 190);
const QColor kSuspectRow(255, 240, 150);
const QColor kFailRow(255, 180, 180);
const QColor kNotComputedRow(222, 222, 222);
}  // namespace

void DataTableModel::setFlags(const std::vector<std::uint16_t> *flags, const std::vector<std::uint16_t> *aggregates,
                              FlagTip tooltip) {
    beginResetModel();
    m_flags = flags;
    m_aggregates = aggregates;
    m_flagTip = std::move(tooltip);
    endResetModel();
}

QVariant DataTableModel::flagData(const QModelIndex &index, int role) const {
    // The flags belong to the last Compute; a new log has none until then.
    const std::size_t row = std::size_t(index.row());
    const FlagMask f = row < m_flags->size() ? (*m_flags)[row] : 0;
    const bool tested = m_aggregates && row < m_aggregates->size();
    const QcAggregates a = tested ? (*m_aggregates)[row] : 0;
    if (role == Qt::BackgroundRole) {
        const int worst = tested ? qcWorstPH(a) : qcPass;
        if (worst == qcFail) return kFailRow;
        if (worst == qcSuspect) return kSuspectRow;
        return f == 0 ? QVariant() : QVariant(f == flagNotComputed ? kNotComputedRow : kFlaggedRow);
    }
    if (index.column() < m_captions.size()) return {};
    const bool qcColumn = index.column() == m_captions.size() + 1;
    if (role == Qt::DisplayRole) {
        if (!qcColumn) {
            const char mark = m_markLetter ? m_markLetter(index.row()) : '\0';
            return mark ? flagLetters(f) + QLatin1Char(mark) : flagLetters(f);
        }
        return tested ? QStringLiteral("%1/%2").arg(qcAggregate(a, seriesPH1)).arg(qcAggregate(a, seriesPH2))
                      : QString();
    }
    if (role == Qt::ToolTipRole && (f || tested) && m_flagTip) return m_flagTip(index.row());
    return {};
}

void DataTableModel::setLogs(const Join *join, QStringList names) {
    beginResetModel();
    m_join = names.size() > 1 ? join : nullptr;
    m_logNames = std::move(names);
    endResetModel();
}

void DataGrid::setLogs(const Join *join, const QStringList &names) {
    m_model.setLogs(join, names);
    applyColumns();
}

void DataGrid::setFlags(const std::vector<std::uint16_t> *flags, const std::vector<std::uint16_t> *aggregates,
                        DataTableModel::FlagTip tooltip) {
    m_model.setFlags(flags, aggregates, std::move(tooltip));
    applyColumns();
}
