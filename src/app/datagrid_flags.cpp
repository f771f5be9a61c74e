// The grid's flags, QC, log and correction columns and the colour of flagged rows.
#include "app/datagrid.h"
#include "compute/phcompute.h"
#include "model/clsdataset.h"
#include "corrections/corrections.h"
#include "model/datatable.h"
#include "model/numbertext.h"
#include "qc/qcletters.h"

#include <QColor>
#include <cmath>

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

void DataTableModel::setCorrections(const ProbeCorrections *ph1, const ProbeCorrections *ph2) {
    m_corr[0] = ph1;
    m_corr[1] = ph2;
    showCorrections();
}

bool DataTableModel::correctionsPresent() const {
    return (m_corr[0] && !m_corr[0]->empty()) || (m_corr[1] && !m_corr[1]->empty());
}

void DataTableModel::showCorrections() {
    if (correctionsPresent() != m_corrColumns) {
        beginResetModel();
        m_corrColumns = !m_corrColumns;
        endResetModel();
    } else if (m_corrColumns && rowCount() > 0) {
        emit dataChanged(index(0, correctionColumn()), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
    }
}

QVariant DataTableModel::correctionData(int row, int column) const {
    const int probe = column / 2;
    const ProbeCorrections *c = m_corr[probe];
    const auto r = std::size_t(row);
    if (!c || r >= c->grade.size() || c->grade[r] == Grade::None || !m_table || row >= m_table->rowCount())
        return QString();
    if (column % 2) return gradeText(c->grade[r]);
    const double ph = m_table->number(row, probe == 0 ? colPH1 : colPH2).value_or(std::nan(""));
    const double v = c->corrected(r, ph);
    // As the pH columns hold their values: rounded to four decimals, in the shortest form.
    return std::isnan(v) ? QString() : generalNumberText(roundPH(v));
}
