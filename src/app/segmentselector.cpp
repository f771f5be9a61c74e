#include "app/segmentselector.h"
#include "app/mainwindowui.h"
#include "fields/entryfieldrules.h"
#include "fields/ui/widgetutil.h"
#include "model/numbertext.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QVBoxLayout>
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
      m_box(new QWidget(grid.parentWidget())), m_choice(new QComboBox(m_box)),
      m_applyAll(new QPushButton(QStringLiteral("Apply to All Segments"), m_box)) {
    m_box->setObjectName(QStringLiteral("fraSegment"));
    m_choice->setObjectName(QStringLiteral("cboSegment"));
    m_choice->setToolTip(QStringLiteral("The calibration segment of the current record: the fields show it, and "
                                        "an edit applies to it alone. Choose one to go to its first record."));
    // The side panel keeps its width; the list opens as wide as its texts.
    m_choice->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_choice->setMinimumContentsLength(24);
    m_applyAll->setObjectName(QStringLiteral("cmdApplyToAllSegments"));
    m_applyAll->setAutoDefault(false);
    m_applyAll->setToolTip(QStringLiteral("Copy the fields to every calibration segment; Compute then uses them"));
    auto *v = new QVBoxLayout(m_box);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    v->addWidget(m_choice);
    v->addWidget(m_applyAll, 0, Qt::AlignLeft);
    grid.addWidget(m_box, row, 0, 1, grid.columnCount());
    m_box->hide();
    connect(m_choice, &QComboBox::activated, this, &SegmentSelector::chosen);
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
    const QSignalBlocker block(m_choice);
    m_choice->setCurrentIndex(segment);
}

void SegmentSelector::opened() {
    m_shown = m_wb.shownSegment();
    m_shownValues = m_wb.calibration();
    refresh();
}

QStringList SegmentSelector::segmentNames() const {
    const auto &segments = m_wb.segments();
    const int n = int(segments.size());
    QStringList names;
    for (int i = 0; i < n; ++i) {
        const CalibrationSegment &s = segments[std::size_t(i)];
        const QString from = s.firstRow < m_wb.rowCount()
                                 ? QStringLiteral("from ") + m_wb.openTable().text(s.firstRow, colDateTime)
                                 : QStringLiteral("from the next record");
        names << QStringLiteral("Segment %1 of %2: %3, %4").arg(i + 1).arg(n).arg(from, s.logName);
    }
    return names;
}

void SegmentSelector::refresh() {
    if (m_wb.shownSegment() != m_shown || !sameValues(m_wb.calibration(), m_shownValues)) {
        fillFields();
        if (m_hooks.computeNeeded) m_hooks.computeNeeded();
    }
    const bool several = m_wb.isOpen() && m_wb.segments().size() > 1;
    {
        const QSignalBlocker block(m_choice);
        m_choice->clear();
        if (several) {
            const QStringList names = segmentNames();
            m_choice->addItems(names);
            int widest = 0;
            for (const QString &name : names)
                widest = std::max(widest, m_choice->fontMetrics().horizontalAdvance(name));
            m_choice->view()->setMinimumWidth(widest + 32);
            m_choice->setCurrentIndex(m_wb.segmentOf(m_wb.currentRecord()));
        }
    }
    m_box->setVisible(several);
}

void SegmentSelector::chosen(int index) {
    const auto &segments = m_wb.segments();
    if (index >= 0 && index < int(segments.size()) && segments[std::size_t(index)].firstRow < m_wb.rowCount()) {
        m_hooks.goToRecord(segments[std::size_t(index)].firstRow);
        return;
    }
    const QSignalBlocker block(m_choice);  // no record to go to yet
    m_choice->setCurrentIndex(m_wb.segmentOf(m_wb.currentRecord()));
}

void SegmentSelector::applyToAll() {
    if (!storeFields()) return;
    m_wb.applyToAllSegments(m_wb.calibration());
    if (m_hooks.computeNeeded) m_hooks.computeNeeded();
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
