#pragma once
// The "Statistics" dock: the statistics of the visible records, their flag counts and gaps, and
// the buttons that step to the previous or next flagged record.
#include "qc/qcletters.h"
#include "compute/statistics.h"

#include <QDockWidget>
#include <span>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;
class DataTable;
struct Gap;

class StatisticsPanel : public QDockWidget {
    Q_OBJECT
public:
    explicit StatisticsPanel(QWidget *parent = nullptr);

    // The table gives the first and last record's date-time; null: no log.
    void setStatistics(const RangeStats &stats, const FlagCounts &flags, const DataTable *table);
    // The gaps between the visible records: a line with their count and the longest, each gap
    // in its tooltip; nothing shows without one.
    void setGaps(std::span<const Gap> gaps, const DataTable *table);
    // The counts of each series' quality-control results, one line a series.
    void setQcCounts(const QString &text);

    QPushButton *previousButton() const { return m_previous; }
    QPushButton *nextButton() const { return m_next; }
    QCheckBox *includeBadBox() const { return m_includeBad; }

private:
    QLabel *m_range = nullptr, *m_volume = nullptr, *m_flags = nullptr, *m_qc = nullptr, *m_gaps = nullptr;
    QTableWidget *m_table = nullptr;
    QPushButton *m_previous = nullptr, *m_next = nullptr;
    QCheckBox *m_includeBad = nullptr;
    bool m_sized = false;  // the columns were sized to their texts once
};
