#include "app/datagrid.h"
#include "model/datatable.h"
#include "model/deployment.h"

#include <QColor>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <algorithm>
#include <cmath>

static double logicalDpi() {
    QScreen *s = QGuiApplication::primaryScreen();
    return s ? s->logicalDotsPerInch() : 96.0;
}

int twipsToPixels(double twips) {
    // Stored settings can hold anything: keep the result a sane screen coordinate.
    const double pixels = twips * logicalDpi() / 1440.0;
    return int(std::lround(std::clamp(std::isfinite(pixels) ? pixels : 0.0, -1e6, 1e6)));
}
double pixelsToTwips(int pixels) { return pixels * 1440.0 / logicalDpi(); }

void DataTableModel::bind(DataTable *table) {
    beginResetModel();
    m_table = table;
    m_rows = table ? table->rowCount() : 0;
    endResetModel();
}

void DataTableModel::setCaptions(const QStringList &captions) {
    beginResetModel();
    m_captions = captions;
    endResetModel();
}

void DataTableModel::insertCaption(int position, const QString &caption) {
    beginInsertColumns({}, position, position);
    m_captions.insert(position, caption);
    endInsertColumns();
}

void DataTableModel::removeCaption(int position) {
    beginRemoveColumns({}, position, position);
    m_captions.removeAt(position);
    endRemoveColumns();
}

void DataTableModel::refresh() {
    // Rows may have come or gone since the last look (a new file): reset rather than patch.
    beginResetModel();
    m_rows = m_table ? m_table->rowCount() : 0;
    m_corrColumns = correctionsPresent();
    endResetModel();
}

void DataTableModel::appendRows(int first) {
    const int rows = m_table ? m_table->rowCount() : 0;
    if (first != m_rows || rows < m_rows) {
        refresh();  // the view does not hold the rows before the new ones
        return;
    }
    if (rows == m_rows) return;
    beginInsertRows(QModelIndex(), m_rows, rows - 1);
    m_rows = rows;
    endInsertRows();
}

int DataTableModel::rowCount(const QModelIndex &parent) const { return parent.isValid() || !m_table ? 0 : m_rows; }

int DataTableModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_captions.size()) + (m_flags ? 2 : 0) + (m_join ? 1 : 0) + (m_corrColumns ? 4 : 0);
}

void DataTableModel::setComputedRows(int rows) {
    if (rows == m_computedRows) return;
    m_computedRows = rows;
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::ForegroundRole});
}

QVariant DataTableModel::data(const QModelIndex &index, int role) const {
    if (m_corrColumns && index.column() >= correctionColumn())
        return role == Qt::DisplayRole ? correctionData(index.row(), index.column() - correctionColumn()) : QVariant();
    if (index.column() == logColumn() && role == Qt::DisplayRole) {
        const int log = m_join->logOf(index.row());
        return log >= 0 ? m_logNames.value(log) : QString();
    }
    if (m_flags && (index.column() >= m_captions.size() || role == Qt::BackgroundRole)) return flagData(index, role);
    if (role == Qt::ForegroundRole) return index.row() >= m_computedRows ? QVariant(QColor(Qt::gray)) : QVariant();
    if (role != Qt::DisplayRole || !m_table || index.row() >= m_rows || index.row() >= m_table->rowCount() ||
        index.column() >= m_table->colCount())
        return {};
    return m_table->text(index.row(), index.column());
}

QVariant DataTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal && m_flags && section == m_captions.size()) return QStringLiteral("Flags");
    if (orientation == Qt::Horizontal && m_flags && section == m_captions.size() + 1) return QStringLiteral("QC");
    if (orientation == Qt::Horizontal && section == logColumn()) return QStringLiteral("Log");
    if (orientation == Qt::Horizontal && m_corrColumns && section >= correctionColumn()) {
        const int k = section - correctionColumn();
        return QStringLiteral("pH-%1 %2")
            .arg(k / 2 + 1)
            .arg(k % 2 ? QStringLiteral("grade") : QStringLiteral("corrected"));
    }
    if (orientation == Qt::Horizontal) return section < m_captions.size() ? m_captions[section] : QVariant();
    return section;  // rows are numbered as DATA numbers them
}

DataGrid::DataGrid(QWidget *parent) : QTableView(parent) {
    setModel(&m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);  // rows to copy
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);  // uniform rows scroll fast
    // Room for five-digit row numbers from the start: a long log does not shift the columns.
    verticalHeader()->setMinimumWidth(verticalHeader()->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 14);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &now, const QModelIndex &before) {
                if (now.row() != before.row()) emit rowChanged();
            });
}

void DataGrid::removeColumnAt(int position) {
    if (position < 0 || position >= m_captions.size()) return;
    const int row = currentRecord();
    m_captions.removeAt(position);
    m_widthsTwips.removeAt(position);
    m_model.removeCaption(position);
    applyColumns();
    restoreRow(row);
}

void DataGrid::addColumnAt(int position, const QString &caption, int widthTwips) {
    position = std::clamp(position, 0, int(m_captions.size()));
    const int row = currentRecord();
    m_captions.insert(position, caption);
    m_widthsTwips.insert(position, widthTwips);
    m_model.insertCaption(position, caption);
    applyColumns();
    restoreRow(row);
}

int DataGrid::columnWidthTwips(int column) const {
    return column >= 0 && column < m_widthsTwips.size() ? m_widthsTwips[column] : 0;
}

void DataGrid::applyColumns() {
    // The set widths are minimums: a column is never narrower than its caption or a typical
    // value in this font, so nothing is clipped.
    const QFontMetrics header(horizontalHeader()->font()), cells(font());
    for (int c = 0; c < m_captions.size(); ++c) {
        const int set =
            m_widthsTwips[c] > 0 ? twipsToPixels(m_widthsTwips[c]) : horizontalHeader()->defaultSectionSize();
        // Readings carry two or three digits before the point: all eleven columns fit the
        // window's smallest width beside five-digit row numbers.
        const QString typical = c == 0 ? QStringLiteral("12/31/2099 23:59:59") : QStringLiteral("-00.0000");
        setColumnWidth(
            c, std::max({set, header.horizontalAdvance(m_captions[c]) + 12, cells.horizontalAdvance(typical) + 10}));
    }
    if (m_model.hasFlags())
        setColumnWidth(int(m_captions.size()), std::max(header.horizontalAdvance(QStringLiteral("Flags")) + 10,
                                                        cells.horizontalAdvance(QStringLiteral("SFDT")) + 8));
    // The QC column beside it still lets the eleven columns and the flags fit the smallest window.
    if (m_model.hasFlags())
        setColumnWidth(int(m_captions.size()) + 1, std::max(header.horizontalAdvance(QStringLiteral("QC")) + 10,
                                                            cells.horizontalAdvance(QStringLiteral("9/9")) + 6));
    // The correction columns: a pH value, then a grade's name.
    if (const int first = m_model.correctionColumn(); first >= 0)
        for (int k = 0; k < 4; ++k)
            setColumnWidth(
                first + k,
                std::max(
                    header.horizontalAdvance(m_model.headerData(first + k, Qt::Horizontal, Qt::DisplayRole).toString()),
                    cells.horizontalAdvance(k % 2 ? QStringLiteral("Not reported") : QStringLiteral("-00.0000"))) +
                    12);
}

void DataGrid::restoreRow(int row) {
    // Putting back the row a reset took away is no row change.
    if (row < 0 || row >= m_model.rowCount() || m_model.columnCount() == 0) return;
    QSignalBlocker block(selectionModel());
    selectionModel()->setCurrentIndex(m_model.index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    viewport()->update();
}

void DataGrid::showCorrections() {
    const int row = currentRecord();
    m_model.showCorrections();
    applyColumns();
    restoreRow(row);
}

void DataGrid::bindTable(DataTable *table) {
    m_model.bind(table);
    applyColumns();  // a reset puts the widths back to the default
}

void DataGrid::refreshGrid() {
    const int row = currentRecord();
    m_model.refresh();
    applyColumns();
    restoreRow(row);
}

int DataGrid::currentRecord() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() : -1;
}

void DataGrid::setCurrentRecord(int row) {
    if (row < 0 || row >= m_model.rowCount() || m_model.columnCount() == 0 || row == currentRecord()) return;
    const QModelIndex i = m_model.index(row, 0);
    selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(i);
}
