#include "app/segmentselector.h"
#include "app/mainwindowui.h"
#include "fields/entryfieldrules.h"
#include "fields/ui/widgetutil.h"
#include "model/numbertext.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <cmath>

namespace {
bool sameValues(const Calibration &a, const Calibration &b) {
    return a.slope == b.slope && a.offset == b.offset && a.corr == b.corr && a.thermistor == b.thermistor;
}

// A field keeps its text while it reads as the value (0.9850 stays 0.9850). A log's value is
// shown as an open shows it, any other as the field's own check writes it.
void showValue(QLineEdit *field, double v, bool fromLog = false) {
    if (std::isnan(v) || readNumber(field->text()) == v) return;
    const EntryFieldRule *rule = findEntryFieldRule(field->objectName());
    field->setText(fromLog || !rule ? generalNumberText(v) : numtext::fieldNumberText(v, rule->places));
}
}  // namespace

SegmentSelector::SegmentSelector(Workbench &wb, MainWindowUi &ui, QGridLayout &grid, int row, Hooks hooks)
    : QObject(grid.parentWidget()), m_wb(wb), m_ui(ui), m_hooks(std::move(hooks)),
      m_box(new QWidget(grid.parentWidget())), m_name(new QLabel(m_box)),
      m_previous(new QPushButton(QStringLiteral("<"), m_box)), m_next(new QPushButton(QStringLiteral(">"), m_box)),
      m_applyAll(new QPushButton(QStringLiteral("Apply to All Segments"), m_box)) {
    m_box->setObjectName(QStringLiteral("fraSegment"));
    // The whole name on two lines rather than a wider side panel.
    m_name->setObjectName(QStringLiteral("lblSegment"));
    m_name->setWordWrap(true);
    m_name->setMinimumHeight(2 * m_name->fontMetrics().lineSpacing() + 2);
    m_name->setToolTip(QStringLiteral("The calibration segment of the current record: the fields show it, and an "
                                      "edit applies to it alone"));
    const std::pair<QPushButton *, const char *> buttons[] = {
        {m_previous, "cmdPreviousSegment"}, {m_next, "cmdNextSegment"}, {m_applyAll, "cmdApplyToAllSegments"}};
    for (auto [button, name] : buttons) {
        button->setObjectName(QLatin1String(name));
        button->setAutoDefault(false);
    }
    for (QPushButton *b : {m_previous, m_next})
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("<")) + 18);
    m_previous->setToolTip(QStringLiteral("To the first record of the previous segment"));
    m_next->setToolTip(QStringLiteral("To the first record of the next segment"));
    m_applyAll->setToolTip(QStringLiteral("Copy the fields to every calibration segment; Compute then uses them"));
    auto *g = new QGridLayout(m_box);
    g->setContentsMargins(0, 0, 0, 6);
    g->setSpacing(3);
    g->addWidget(m_name, 0, 0, 1, 4);
    g->addWidget(m_previous, 1, 0);
    g->addWidget(m_next, 1, 1);
    g->addWidget(m_applyAll, 1, 3);
    g->setColumnStretch(2, 1);
    grid.addWidget(m_box, row, 0, 1, grid.columnCount());
    m_box->hide();
    connect(m_previous, &QPushButton::clicked, this, [this] { go(-1); });
    connect(m_next, &QPushButton::clicked, this, [this] { go(1); });
    connect(m_applyAll, &QPushButton::clicked, this, &SegmentSelector::applyToAll);
    m_shownValues = m_wb.calibration();
}

CalibrationTexts SegmentSelector::fieldTexts() const {
    CalibrationTexts t;
    t.slope = {m_ui.txtPH1Slope->text(), m_ui.txtPH2Slope->text()};
    t.offset = {m_ui.txtPH1Offset->text(), m_ui.txtPH2Offset->text()};
    t.corr = {m_ui.txtPH1Corr->text(), m_ui.txtPH2Corr->text()};
    t.thermistor = {Util::checkedIndex(m_ui.optPH1Thermistor), Util::checkedIndex(m_ui.optPH2Thermistor)};
    for (std::size_t i = 0; i < 3; ++i) t.thermistorCorr[i] = m_ui.txtThermistorCorr[i]->text();
    return t;
}

bool SegmentSelector::storeFields() {
    const bool ok = m_wb.validateInputs(fieldTexts());
    m_shown = m_wb.shownSegment();
    m_shownValues = m_wb.calibration();
    return ok;
}

void SegmentSelector::fillFields() {
    const QScopedValueRollback<bool> quiet(m_filling, true);
    const Calibration &c = m_wb.calibration();
    const CalibrationOrigin origin = m_wb.segments()[std::size_t(m_wb.shownSegment())].origin;
    const bool fromLog = origin == CalibrationOrigin::LogHeader || origin == CalibrationOrigin::LogLine;
    QLineEdit *const slopes[2] = {m_ui.txtPH1Slope, m_ui.txtPH2Slope},
                     *const offsets[2] = {m_ui.txtPH1Offset, m_ui.txtPH2Offset},
                     *const corrs[2] = {m_ui.txtPH1Corr, m_ui.txtPH2Corr};
    const std::array<QRadioButton *, 3> *const choices[2] = {&m_ui.optPH1Thermistor, &m_ui.optPH2Thermistor};
    for (std::size_t i = 0; i < 2; ++i) {
        showValue(slopes[i], c.slope[i], fromLog);
        showValue(offsets[i], c.offset[i], fromLog);
        showValue(corrs[i], c.corr[i]);
        (*choices[i])[std::size_t(std::clamp(c.thermistor[i], 0, 2))]->setChecked(true);
    }
    for (std::size_t i = 0; i < 3; ++i) showValue(m_ui.txtThermistorCorr[i], c.thermistorCorr[i]);
    m_shown = m_wb.shownSegment();
    m_shownValues = c;
}

void SegmentSelector::showRowSegment(int row) {
    const int segment = m_wb.segmentOf(row);
    if (segment != m_wb.shownSegment()) {
        storeFields();  // what is typed stays with the segment it was typed on
        m_wb.showSegment(segment);
        fillFields();
    }
    showChoice();
}

void SegmentSelector::opened() {
    m_shown = m_wb.shownSegment();
    m_shownValues = m_wb.calibration();
    refresh();
}

QString SegmentSelector::segmentName(int index) const {
    const auto &segments = m_wb.segments();
    const CalibrationSegment &s = segments[std::size_t(index)];
    const QString from = s.firstRow < m_wb.rowCount()
                             ? QStringLiteral("from ") + m_wb.openTable().text(s.firstRow, colDateTime)
                             : QStringLiteral("from the next record");
    return QStringLiteral("Segment %1 of %2: %3, %4").arg(index + 1).arg(segments.size()).arg(from, s.logName);
}

QStringList SegmentSelector::segmentNames() const {
    QStringList names;
    for (int i = 0; i < int(m_wb.segments().size()); ++i) names << segmentName(i);
    return names;
}

void SegmentSelector::refresh() {
    if (m_wb.shownSegment() != m_shown || !sameValues(m_wb.calibration(), m_shownValues)) {
        fillFields();
        if (m_hooks.computeNeeded) m_hooks.computeNeeded();
    }
    showChoice();
}

void SegmentSelector::showChoice() {
    const bool several = m_wb.isOpen() && m_wb.segments().size() > 1;
    m_box->setVisible(several);
    if (!several) return;
    const int segment = m_wb.segmentOf(m_wb.currentRecord());
    m_name->setText(segmentName(segment));
    const auto &segments = m_wb.segments();
    m_previous->setEnabled(segment > 0);
    m_next->setEnabled(segment + 1 < int(segments.size()) &&
                       segments[std::size_t(segment + 1)].firstRow < m_wb.rowCount());
}

void SegmentSelector::go(int step) {
    const auto &segments = m_wb.segments();
    const int segment = m_wb.segmentOf(m_wb.currentRecord()) + step;
    if (segment >= 0 && segment < int(segments.size()) && segments[std::size_t(segment)].firstRow < m_wb.rowCount())
        m_hooks.goToRecord(segments[std::size_t(segment)].firstRow);
}

void SegmentSelector::applyToAll() {
    bool stored = false;
    const auto change = [this, &stored] {
        stored = storeFields();
        if (stored) m_wb.applyToAllSegments(m_wb.calibration());
    };
    if (m_hooks.decide)
        m_hooks.decide(QStringLiteral("Apply to All Segments"), change);
    else
        change();
    if (stored && m_hooks.computeNeeded) m_hooks.computeNeeded();
}

void SegmentSelector::applyBufferCalibration(int segment, int probe, const QString &slope, const QString &offset) {
    const auto &segments = m_wb.segments();
    if (segment < 0 || segment >= int(segments.size())) return;
    storeFields();  // nothing typed in the other fields is lost
    const auto p = std::size_t(probe);
    Calibration c = segments[std::size_t(segment)].calibration;
    c.slope[p] = readNumber(slope).value_or(c.slope[p]);
    c.offset[p] = readNumber(offset).value_or(c.offset[p]);
    m_wb.setSegmentCalibration(segment, c, CalibrationOrigin::BufferCalibration);
    if (segment == m_wb.shownSegment()) {
        // The fields take the dialog's texts as they always have.
        (probe == 0 ? m_ui.txtPH1Slope : m_ui.txtPH2Slope)->setText(slope);
        (probe == 0 ? m_ui.txtPH1Offset : m_ui.txtPH2Offset)->setText(offset);
        m_shownValues = c;
    }
    if (m_hooks.computeNeeded) m_hooks.computeNeeded();
}
