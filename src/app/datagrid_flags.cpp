// The grid's flags and log columns and the colour of flagged rows.
#include "app/datagrid.h"
#include "compute/qualityflags.h"

#include <QColor>

namespace {
const QColor kFlaggedRow(255, 226, 190);
const QColor kNotComputedRow(222, 222, 222);
}  // namespace

void DataTableModel::setFlags(const std::vector<std::uint8_t> *flags, FlagTip tooltip) {
    beginResetModel();
    m_flags = flags;
    m_flagTip = std::move(tooltip);
    endResetModel();
}

QVariant DataTableModel::flagData(const QModelIndex &index, int role) const {
    // The flags belong to the last Compute; a new log has none until then.
    const std::size_t row = std::size_t(index.row());
    const std::uint8_t f = row < m_flags->size() ? (*m_flags)[row] : 0;
    if (role == Qt::BackgroundRole)
        return f == 0 ? QVariant() : QVariant(f == flagNotComputed ? kNotComputedRow : kFlaggedRow);
    if (index.column() < m_captions.size()) return {};
    if (role == Qt::DisplayRole) {
        const char mark = m_markLetter ? m_markLetter(index.row()) : '\0';
        return mark ? flagLetters(f) + QLatin1Char(mark) : flagLetters(f);
    }
    if (role == Qt::ToolTipRole && f && m_flagTip) return m_flagTip(f);
    return {};
}

void DataTableModel::setLogs(const std::vector<std::uint16_t> *logOfRow, QStringList names) {
    beginResetModel();
    m_logOfRow = names.size() > 1 ? logOfRow : nullptr;
    m_logNames = std::move(names);
    endResetModel();
}

void DataGrid::setLogs(const std::vector<std::uint16_t> *logOfRow, const QStringList &names) {
    m_model.setLogs(logOfRow, names);
    applyColumns();
}

void DataGrid::setFlags(const std::vector<std::uint8_t> *flags, DataTableModel::FlagTip tooltip) {
    m_model.setFlags(flags, std::move(tooltip));
    applyColumns();
}
