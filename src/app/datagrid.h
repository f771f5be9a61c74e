#pragma once
// The Table tab's grid: a QTableView over the DATA table, read in place (no copy).
#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>
#include <cstdint>
#include <functional>
#include <vector>

class DataTable;
struct Join;
struct ProbeCorrections;

class DataTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void bind(DataTable *table);
    void setCaptions(const QStringList &captions);
    // One column in or out: the rows stay as they are, so nothing per row is redone.
    void insertCaption(int position, const QString &caption);
    void removeCaption(int position);
    void refresh();
    // Rows from `first` on were appended to the table: inserted, the others left as they are.
    void appendRows(int first);
    // Rows from `rows` on hold no computed pH and are drawn grey.
    void setComputedRows(int rows);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Flags kept beside the table: the columns "Flags" (letters) and "QC" (the probes'
    // aggregates, "1/3"), and the flagged rows' colour by the worse aggregate (datagrid_flags.cpp).
    // Null: none. The tooltip is of a row.
    using FlagTip = std::function<QString(int row)>;
    void setFlags(const std::vector<std::uint16_t> *flags, const std::vector<std::uint16_t> *aggregates,
                  FlagTip tooltip);
    bool hasFlags() const { return m_flags != nullptr; }
    // The letter of a row's mark after its flags (B bad, Q doubtful), 0 for none.
    using MarkLetter = std::function<char(int row)>;
    void setMarkLetter(MarkLetter letter) { m_markLetter = std::move(letter); }
    // Of a deployment: a column "Log" after the flags naming each row's log (`names` indexed as
    // the join's logs). Null or fewer than two names: none.
    void setLogs(const Join *join, QStringList names);
    int logColumn() const { return m_join ? int(m_captions.size()) + (m_flags ? 2 : 0) : -1; }
    // Each probe's corrections (they must outlive the model): while either has any, the columns
    // "pH-1 corrected", "pH-1 grade", "pH-2 corrected", "pH-2 grade" follow the others.
    void setCorrections(const ProbeCorrections *ph1, const ProbeCorrections *ph2);
    // The corrections changed: the columns come or go, or their cells are read again.
    void showCorrections();
    // The first correction column, -1 without them.
    int correctionColumn() const {
        return m_corrColumns ? int(m_captions.size()) + (m_flags ? 2 : 0) + (m_join ? 1 : 0) : -1;
    }

private:
    QVariant flagData(const QModelIndex &index, int role) const;
    QVariant correctionData(int row, int column) const;
    bool correctionsPresent() const;
    DataTable *m_table = nullptr;
    int m_rows = 0;  // as the views were last told: a read in progress may change the table
    QStringList m_captions;
    int m_computedRows = 0;
    const std::vector<std::uint16_t> *m_flags = nullptr, *m_aggregates = nullptr;
    FlagTip m_flagTip;
    MarkLetter m_markLetter;
    const Join *m_join = nullptr;
    QStringList m_logNames;
    const ProbeCorrections *m_corr[2] = {nullptr, nullptr};
    bool m_corrColumns = false;  // as the views were last told
};

class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget *parent = nullptr);

    // Column operations the window relies on.
    int columnCountOfGrid() const { return m_captions.size(); }
    void removeColumnAt(int position);
    void addColumnAt(int position, const QString &caption, int widthTwips);
    QStringList captions() const { return m_captions; }
    int columnWidthTwips(int column) const;

    void bindTable(DataTable *table);
    // The flags column at the right end; its position is the number of captions.
    void setFlags(const std::vector<std::uint16_t> *flags, const std::vector<std::uint16_t> *aggregates,
                  DataTableModel::FlagTip tooltip);
    void setMarkLetter(DataTableModel::MarkLetter letter) { m_model.setMarkLetter(std::move(letter)); }
    void setLogs(const Join *join, const QStringList &names);
    void setCorrections(const ProbeCorrections *ph1, const ProbeCorrections *ph2) { m_model.setCorrections(ph1, ph2); }
    void showCorrections();
    void refreshGrid();
    // Rows appended to the table from `first` on (a followed log); the current row stays.
    void appendRows(int first) { m_model.appendRows(first); }
    void setComputedRows(int rows) { m_model.setComputedRows(rows); }
    // Row of the current record in DATA, or -1 without one.
    int currentRecord() const;
    // Shows and selects the row; setting the row that is already current raises nothing.
    void setCurrentRecord(int row);

signals:
    void rowChanged();

private:
    void applyColumns();
    void restoreRow(int row);
    DataTableModel m_model;
    QStringList m_captions;
    QList<int> m_widthsTwips;  // 0: the grid's default width
};

int twipsToPixels(double twips);
double pixelsToTwips(int pixels);
