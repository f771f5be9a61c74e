#include "app/statisticspanel.h"

#include "model/clsdataset.h"
#include "model/datetime.h"
#include "model/deployment.h"
#include "model/numbertext.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {
// Decimals each series is read with; means and deviations get one more.
constexpr const auto &kDecimals = kStatDecimals;

QString number(double v, int decimals) {
    QString s = QString::number(v, 'f', decimals);
    return s == QStringLiteral("-0.") + QString(decimals, u'0') ? s.mid(1) : s;  // no "-0.0000"
}

QString recordTime(const DataTable &t, int row) {
    const double day = t.rowDay(row);
    return std::isfinite(day) ? dt::recordText(day) : t.text(row, colDateTime);
}
}  // namespace

StatisticsPanel::StatisticsPanel(QWidget *parent) : QDockWidget(QStringLiteral("Statistics"), parent) {
    setObjectName(QStringLiteral("dockStatistics"));
    auto *body = new QWidget;
    auto *v = new QVBoxLayout(body);
    m_range = new QLabel;
    m_range->setObjectName(QStringLiteral("lblStatRange"));
    m_range->setWordWrap(true);
    v->addWidget(m_range);

    m_table = new QTableWidget(kStatSeriesCount, 5);
    m_table->setObjectName(QStringLiteral("tblStatistics"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Count"), QStringLiteral("Min"), QStringLiteral("Max"),
                                        QStringLiteral("Mean"), QStringLiteral("SD")});
    QStringList names;
    for (int s = 0; s < kStatSeriesCount; ++s) names << statSeriesName(s);
    m_table->setVerticalHeaderLabels(names);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int r = 0; r < kStatSeriesCount; ++r)
        for (int c = 0; c < 5; ++c) {
            auto *item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_table->setItem(r, c, item);
        }
    // The whole table in view, no scrolling: the dock takes the width it needs.
    m_table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    v->addWidget(m_table);

    m_volume = new QLabel;
    m_volume->setObjectName(QStringLiteral("lblStatVolume"));
    v->addWidget(m_volume);
    m_flags = new QLabel;
    m_flags->setObjectName(QStringLiteral("lblFlagCounts"));
    m_flags->setWordWrap(true);
    v->addWidget(m_flags);
    m_qc = new QLabel;
    m_qc->setObjectName(QStringLiteral("lblQcCounts"));
    m_qc->setToolTip(QStringLiteral("Records by quality-control result: 1 pass, 2 not evaluated, 3 suspect, 4 fail, "
                                    "9 missing"));
    v->addWidget(m_qc);
    m_gaps = new QLabel;
    m_gaps->setObjectName(QStringLiteral("lblGaps"));
    m_gaps->setVisible(false);
    v->addWidget(m_gaps);
    m_includeBad = new QCheckBox(QStringLiteral("Include records marked Bad"));
    m_includeBad->setObjectName(QStringLiteral("chkIncludeBad"));
    m_includeBad->setToolTip(QStringLiteral("Records marked Bad are left out of the statistics unless this is ticked"));
    v->addWidget(m_includeBad);

    auto *buttons = new QHBoxLayout;
    m_previous = new QPushButton(QStringLiteral("< Suspect"));
    m_previous->setObjectName(QStringLiteral("cmdPrevFlagged"));
    m_previous->setToolTip(QStringLiteral("Previous flagged record (Ctrl+Left)"));
    m_next = new QPushButton(QStringLiteral("Suspect >"));
    m_next->setObjectName(QStringLiteral("cmdNextFlagged"));
    m_next->setToolTip(QStringLiteral("Next flagged record (Ctrl+Right)"));
    for (QPushButton *b : {m_previous, m_next}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    v->addLayout(buttons);
    v->addStretch(1);
    setWidget(body);
    setStatistics(RangeStats{}, FlagCounts{}, nullptr);
}

void StatisticsPanel::setStatistics(const RangeStats &stats, const FlagCounts &flags, const DataTable *table) {
    const int n = stats.records();
    m_range->setText(table && n ? QStringLiteral("%1 records, %2 to %3")
                                      .arg(n)
                                      .arg(recordTime(*table, stats.firstRow), recordTime(*table, stats.lastRow))
                                : QStringLiteral("No records in view"));
    bool resize = !m_sized;
    m_sized = true;
    for (int s = 0; s < kStatSeriesCount; ++s) {
        const SeriesStats &x = stats.series[std::size_t(s)];
        const int d = kDecimals[s];
        const QString texts[5] = {QString::number(x.count), x.count ? number(x.min, d) : QString(),
                                  x.count ? number(x.max, d) : QString(), x.count ? number(x.mean, d + 1) : QString(),
                                  x.count > 1 ? number(x.sd, d + 1)
                                  : x.count   ? QStringLiteral("-")
                                              : QString()};
        for (int c = 0; c < 5; ++c) {
            QTableWidgetItem *item = m_table->item(s, c);
            if (item->text() == texts[c]) continue;
            resize = resize || item->text().size() != texts[c].size();
            item->setText(texts[c]);
        }
    }
    // Wide enough for every column: the dock never hides the deviations behind a scroll bar.
    // Sized once all texts are in, and only when a text's length changed (the digits are all
    // of one width): measuring every text is most of a followed log's poll.
    if (resize) {
        m_table->resizeColumnsToContents();
        m_table->resizeRowsToContents();
        m_table->setMinimumWidth(m_table->verticalHeader()->sizeHint().width() + m_table->horizontalHeader()->length() +
                                 2 * m_table->frameWidth());
    }
    const VolumeStats &v = stats.volume;
    m_volume->setText(
        v.count ? QStringLiteral("Total Volume: first %1, last %2, difference %3")
                      .arg(generalNumberText(v.first), generalNumberText(v.last), generalNumberText(v.difference))
                : QStringLiteral("Total Volume: none"));
    m_flags->setText(flagCountsText(flags));
}

void StatisticsPanel::setGaps(std::span<const Gap> gaps, const DataTable *table) {
    if (gaps.empty() || !table) {
        m_gaps->setVisible(false);
        return;
    }
    // A tooltip of a few dozen lines at most: a log with a gap at every step still reads.
    constexpr std::size_t kListed = 30;
    double longest = 0;
    QStringList lines;
    for (const Gap &g : gaps) {
        longest = std::max(longest, g.toDay - g.fromDay);
        if (lines.size() < qsizetype(kListed))
            lines << QStringLiteral("%1 to %2, %3")
                         .arg(recordTime(*table, g.fromRow), recordTime(*table, g.toRow),
                              durationText(g.toDay - g.fromDay));
    }
    if (gaps.size() > kListed) lines << QStringLiteral("and %1 more").arg(gaps.size() - kListed);
    m_gaps->setText(QStringLiteral("Gaps: %1 (%2%3)")
                        .arg(gaps.size())
                        .arg(gaps.size() > 1 ? QStringLiteral("longest ") : QString(), durationText(longest)));
    m_gaps->setToolTip(lines.join(u'\n'));
    m_gaps->setVisible(true);
}

void StatisticsPanel::setQcCounts(const QString &text) { m_qc->setText(text); }
