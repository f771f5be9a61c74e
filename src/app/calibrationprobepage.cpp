#include "app/calibrationprobepage.h"
#include "app/calibrationpointrow.h"
#include "compute/calibrationreport.h"
#include "compute/calibrationspan.h"
#include "model/datatable.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace {
QLabel *resultLabel(QWidget *parent, const char *name) {
    auto *l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

const char *verdictColour(Verdict v) {
    switch (v) {
    case Verdict::Pass: return "color: #007000";
    case Verdict::Warn: return "color: #a06000";
    case Verdict::Fail: break;
    }
    return "color: #b00000";
}
}  // namespace

CalibrationProbePage::CalibrationProbePage(int probe, BufferSet set, QWidget *parent)
    : QWidget(parent), m_probe(probe), m_set(set) {
    setObjectName(QStringLiteral("pagePH%1").arg(probe + 1));
    lblThermistor = resultLabel(this, "lblThermistor");
    // Five points do not fit a small screen: they scroll, the results stay in view.
    auto *points = new QWidget;
    m_pointsLayout = new QVBoxLayout(points);
    m_pointsLayout->setContentsMargins(0, 0, 0, 0);
    m_pointsLayout->addStretch();
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scrPoints"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(points);
    scroll->setMinimumHeight(300);
    cmdAddPoint = new QPushButton(QStringLiteral("Add point"), this);
    cmdAddPoint->setObjectName(QStringLiteral("cmdAddPoint"));
    cmdAddPoint->setToolTip(QStringLiteral("Add a buffer point (at most %1)").arg(kMaxBufferPoints));

    lblSlope = resultLabel(this, "lblSlope");
    lblSlopePercent = resultLabel(this, "lblSlopePercent");
    lblOffset = resultLabel(this, "lblOffset");
    lblVerdict = resultLabel(this, "lblVerdict");
    lblMessage = resultLabel(this, "lblMessage");
    lblMessage->setWordWrap(true);
    chkApply = new QCheckBox(QStringLiteral("Apply to pH-%1").arg(probe + 1), this);
    chkApply->setObjectName(QStringLiteral("chkApply"));
    chkApply->setToolTip(QStringLiteral("Write this slope and offset into the pH-%1 fields on Apply").arg(probe + 1));

    auto *results = new QFormLayout;
    results->addRow(QStringLiteral("Slope factor"), lblSlope);
    results->addRow(QStringLiteral("Slope"), lblSlopePercent);
    results->addRow(QStringLiteral("Offset"), lblOffset);
    results->addRow(QStringLiteral("Verdict"), lblVerdict);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblThermistor);
    layout->addWidget(scroll, 1);
    layout->addWidget(cmdAddPoint, 0, Qt::AlignLeft);
    layout->addLayout(results);
    layout->addWidget(lblMessage);
    layout->addWidget(chkApply);

    connect(cmdAddPoint, &QPushButton::clicked, this, &CalibrationProbePage::addPoint);
    connect(chkApply, &QCheckBox::toggled, this, &CalibrationProbePage::resultChanged);
    addPoint();  // the neutral buffer first, then the acid one
    addPoint();
}

void CalibrationProbePage::setSource(const Source &source) {
    m_source = source;
    lblThermistor->setText(QStringLiteral("Temperature from thermistor T%1, corrected by %2 \u00B0C")
                               .arg(std::clamp(source.thermistor, 0, 2) + 1)
                               .arg(source.thermCorr, 0, 'f', 3));
    recompute();
}

void CalibrationProbePage::setLimits(const CalibrationLimits &limits) {
    m_limits = limits;
    recompute();
}

void CalibrationProbePage::setBufferSet(BufferSet set) {
    m_set = set;
    for (CalibrationPointRow *row : m_rows) row->setBufferSet(set);
}

void CalibrationProbePage::takeSpan(int fromRow, int toRow) {
    CalibrationPointRow *row = target();
    row->setSpanTexts(QString::number(fromRow), QString::number(toRow));
    take(row);
}

bool CalibrationProbePage::wantsApply() const { return m_result.ok && chkApply->isEnabled() && chkApply->isChecked(); }

void CalibrationProbePage::addPoint() {
    if (int(m_rows.size()) >= kMaxBufferPoints) return;
    static constexpr int kOrder[] = {1, 0, 2, 1, 0};  // neutral, acid, base, then again
    auto *row = new CalibrationPointRow(int(m_rows.size()) + 1, m_set, kOrder[m_rows.size()], this);
    m_rows.push_back(row);
    m_pointsLayout->insertWidget(m_pointsLayout->count() - 1, row);  // above the stretch
    connect(row, &CalibrationPointRow::changed, this, &CalibrationProbePage::recompute);
    connect(row, &CalibrationPointRow::activated, this, [this, row] { m_current = row; });
    connect(row, &CalibrationPointRow::takeRequested, this, [this, row] { take(row); });
    connect(row, &CalibrationPointRow::removeRequested, this, [this, row] { removePoint(row); });
    recompute();
}

void CalibrationProbePage::removePoint(CalibrationPointRow *row) {
    if (m_rows.size() <= 1) return;
    m_rows.erase(std::find(m_rows.begin(), m_rows.end(), row));
    if (m_current == row) m_current = nullptr;
    row->hide();
    row->deleteLater();
    for (std::size_t i = 0; i < m_rows.size(); ++i) m_rows[i]->setNumber(int(i) + 1);
    recompute();
}

void CalibrationProbePage::take(CalibrationPointRow *row) {
    if (!m_source.table) {
        row->setSpanMessage(QStringLiteral("No log is open."));
        return;
    }
    const SpanRows rows = spanRowsFromTexts(*m_source.table, row->fromText(), row->toText());
    if (!rows.ok()) {
        row->setSpanMessage(rows.error);
        return;
    }
    const SpanStats s =
        spanStats(*m_source.table, rows.from, rows.to, {m_probe, m_source.thermistor, m_source.thermCorr}, m_limits);
    if (!s.ok()) {
        row->setSpanMessage(s.error);
        return;
    }
    row->setTaken(s.meanMV, s.meanTemperature,
                  QStringLiteral("Records %1 to %2: %3").arg(s.fromRow).arg(s.toRow).arg(spanSummary(s)), s.stable);
    // Done with this point: the next span picked on the plot goes to the next point without one.
    if (m_current == row) m_current = nullptr;
}

// The point whose fields last had the focus (or was added last); else the first without a
// reading; else the last.
CalibrationPointRow *CalibrationProbePage::target() const {
    if (m_current) return m_current;
    for (CalibrationPointRow *row : m_rows)
        if (!row->hasReading()) return row;
    return m_rows.back();
}

void CalibrationProbePage::recompute() {
    cmdAddPoint->setEnabled(int(m_rows.size()) < kMaxBufferPoints);
    for (CalibrationPointRow *row : m_rows) row->setRemovable(m_rows.size() > 1);

    std::vector<BufferPoint> points;
    QString why;
    for (CalibrationPointRow *row : m_rows) {
        const auto p = row->point(why);
        if (!p) break;
        points.push_back(*p);
    }
    m_points = points;
    const bool hadResult = m_result.ok;
    const Verdict hadVerdict = m_result.verdict;
    m_result =
        points.size() == m_rows.size() ? calibrate(points, m_source.currentSlope, m_limits) : CalibrationResult{};
    if (!m_result.ok && m_result.error.isEmpty()) m_result.error = why;

    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_rows[i]->setResidual(m_result.ok ? std::optional(m_result.residuals[i]) : std::nullopt);
    if (m_result.ok) {
        const CalibrationFieldTexts t = calibrationFieldTexts(m_result.slope, m_result.offset);
        lblSlope->setText(t.slope);
        lblSlopePercent->setText(QStringLiteral("%1 % of Nernst (%2)")
                                     .arg(m_result.slopePercent(), 0, 'f', 2)
                                     .arg(verdictText(m_result.slopeVerdict)));
        lblOffset->setText(
            QStringLiteral("%1 mV (%2)").arg(m_result.offsetMV(), 0, 'f', 1).arg(verdictText(m_result.offsetVerdict)));
        lblVerdict->setText(verdictText(m_result.verdict));
        lblVerdict->setStyleSheet(QLatin1String(verdictColour(m_result.verdict)));
        lblMessage->setText(m_result.note);
    } else {
        for (QLabel *l : {lblSlope, lblSlopePercent, lblOffset, lblVerdict}) l->clear();
        lblMessage->setText(m_result.error);
    }
    // A negative slope is never applied; a fail is offered unticked, a pass or warn ticked.
    chkApply->setEnabled(m_result.ok && m_result.slope > 0);
    if (m_result.ok != hadResult || m_result.verdict != hadVerdict)
        chkApply->setChecked(m_result.ok && m_result.verdict != Verdict::Fail);
    emit resultChanged();
}

QStringList CalibrationProbePage::reportLines() const {
    ProbeCalibration c;
    c.points = m_points;
    c.result = m_result;
    return calibrationReportLines(m_probe, c);
}
