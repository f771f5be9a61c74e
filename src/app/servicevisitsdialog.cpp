#include "app/servicevisitsdialog.h"

#include "compute/buffertables.h"
#include "model/datetime.h"
#include "model/interaction.h"
#include "model/numbertext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QAbstractItemView>
#include <QLabel>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <optional>

namespace {
const char *const svdHeaders[ServiceVisitsDialog::kColumns] = {
    "Date and time", "Fouling error",     "Probe before", "Probe after", "Reference before",    "Reference after",
    "Buffer pH",     "Reading in buffer", "Drift error",  "Buffer 2 pH", "Reading in buffer 2", "Drift error 2",
    "Note"};

// A buffer's nominal pH picked from the buffer sets, or typed.
class SvdBufferDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override {
        auto *box = new QComboBox(parent);
        box->setEditable(true);
        for (const BufferTable &b : bufferTables()) box->addItem(QString::fromUtf8(b.label), b.nominal);
        box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 24);  // whole names in the list
        return box;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override {
        static_cast<QComboBox *>(editor)->setEditText(index.data().toString());
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override {
        // A buffer picked gives its nominal pH; a typed value stands as typed.
        const auto *box = static_cast<QComboBox *>(editor);
        const int picked = box->findText(box->currentText());
        model->setData(index, picked >= 0 ? generalNumberText(box->itemData(picked).toDouble())
                                          : box->currentText().trimmed());
    }
};

QString svdText(const QTableWidget *t, int row, int column) {
    const QTableWidgetItem *item = t->item(row, column);
    return item ? item->text().trimmed() : QString();
}

QString svdNumber(double v) { return std::isnan(v) ? QString() : generalNumberText(v); }
}  // namespace

ServiceVisitsDialog::ServiceVisitsDialog(const std::vector<ServiceVisit> &visits, const CorrectionSettings &settings,
                                         IInteraction &ui, QWidget *parent)
    : QDialog(parent), m_ui(ui) {
    setObjectName(QStringLiteral("frmServiceVisits"));
    setWindowTitle(QStringLiteral("Service Visits"));
    auto *layout = new QVBoxLayout(this);
    auto *hint = new QLabel(QStringLiteral(
        "Errors in pH. Fouling: the reading before cleaning minus after, the reference meter's change taken out "
        "(type it, or the four readings). Drift: the cleaned probe's reading in a check buffer minus the buffer's "
        "pH (type it, or the reading)."));
    hint->setWordWrap(true);
    layout->addWidget(hint);

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("tabServiceVisits"));
    for (int p = 0; p < 2; ++p) {
        auto *t = new QTableWidget(0, kColumns);
        t->setObjectName(QStringLiteral("tblVisitsPH%1").arg(p + 1));
        QStringList headers;
        for (const char *h : svdHeaders) headers << QString::fromLatin1(h);
        t->setHorizontalHeaderLabels(headers);
        t->horizontalHeader()->setStretchLastSection(true);
        // No caption cut: each column at least as wide as its caption.
        for (int c = 0; c < kColumns; ++c)
            t->setColumnWidth(c, std::max(t->columnWidth(c),
                                          t->horizontalHeader()->fontMetrics().horizontalAdvance(headers[c]) + 24));
        t->setColumnWidth(colWhen, t->fontMetrics().horizontalAdvance(QStringLiteral("12/31/2099 23:59:59")) + 16);
        for (int c : {colBuffer, colBuffer2}) t->setItemDelegateForColumn(c, new SvdBufferDelegate(t));
        connect(t, &QTableWidget::cellChanged, this, [this, t](int row, int column) { cellEdited(t, row, column); });
        m_tables[std::size_t(p)] = t;
        m_tabs->addTab(t, QStringLiteral("pH-%1").arg(p + 1));
    }
    layout->addWidget(m_tabs, 1);

    auto *rowButtons = new QHBoxLayout;
    auto button = [&](const char *name, const QString &text) {
        auto *b = new QPushButton(text);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        rowButtons->addWidget(b);
        return b;
    };
    connect(button("cmdAddVisit", QStringLiteral("&Add Visit")), &QPushButton::clicked, this,
            [this] { addVisit(m_tabs->currentIndex()); });
    connect(button("cmdRemoveVisit", QStringLiteral("&Remove Visit")), &QPushButton::clicked, this, [this] {
        QTableWidget *t = m_tables[std::size_t(m_tabs->currentIndex())];
        if (t->currentRow() >= 0) t->removeRow(t->currentRow());
    });
    connect(button("cmdImportVisits", QStringLiteral("&Import...")), &QPushButton::clicked, this, [this] {
        const QString path =
            chooseFile ? chooseFile()
                       : QFileDialog::getOpenFileName(this, QStringLiteral("Import Service Visits"), QString(),
                                                      QStringLiteral("Visits (*.csv);;All Files (*)"));
        if (!path.isEmpty()) importFile(path);
    });
    rowButtons->addStretch(1);
    layout->addLayout(rowButtons);

    auto *grades = new QGridLayout;
    m_carryOn = new QCheckBox(QStringLiteral("Carry the last correction on"));
    m_carryOn->setObjectName(QStringLiteral("chkCarryOn"));
    m_carryOn->setToolTip(QStringLiteral("Records before the first visit take its whole correction, those after the "
                                         "last visit the last one's; otherwise they get none"));
    grades->addWidget(m_carryOn, 0, 0, 1, 8);
    const char *names[4] = {"txtGradeExcellent", "txtGradeGood", "txtGradeFair", "txtGradeMaxAllowable"};
    const char *captions[4] = {"Excellent up to", "Good up to", "Fair up to", "Maximum allowable"};
    for (std::size_t i = 0; i < 4; ++i) {
        auto *box = new QDoubleSpinBox;
        box->setObjectName(QLatin1String(names[i]));
        box->setDecimals(3);
        box->setRange(0, 14);
        box->setSingleStep(0.1);
        box->setSuffix(QStringLiteral(" pH"));
        m_limits[i] = box;
        grades->addWidget(new QLabel(QLatin1String(captions[i])), 1, int(2 * i));
        grades->addWidget(box, 1, int(2 * i + 1));
    }
    auto *note = new QLabel(QStringLiteral("Grades by the sum of the absolute corrections; a record past the maximum "
                                           "allowable is not reported. Defaults: USGS Techniques and Methods 1-D3."));
    note->setEnabled(false);
    grades->addWidget(note, 2, 0, 1, 8);
    layout->addLayout(grades);

    auto *buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults);
    buttons->setObjectName(QStringLiteral("btnServiceVisits"));
    connect(buttons, &QDialogButtonBox::accepted, this, &ServiceVisitsDialog::tryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this, [this] {
        const GradeLimits d;
        for (std::size_t i = 0; i < 4; ++i)
            m_limits[i]->setValue(std::array{d.excellent, d.good, d.fair, d.maxAllowable}[i]);
    });
    layout->addWidget(buttons);
    showVisits(visits, settings);
    resize(1100, 460);
}

void ServiceVisitsDialog::showVisits(const std::vector<ServiceVisit> &visits, const CorrectionSettings &settings) {
    for (int p = 0; p < 2; ++p) {
        QTableWidget *t = m_tables[std::size_t(p)];
        t->setRowCount(0);
        for (const ServiceVisit &v : visitsOfProbe(visits, p + 1)) {
            const int row = t->rowCount();
            t->insertRow(row);
            fillRow(t, row, v);
        }
    }
    m_carryOn->setChecked(settings.carryOn);
    const GradeLimits &l = settings.limits;
    const std::array values{l.excellent, l.good, l.fair, l.maxAllowable};
    for (std::size_t i = 0; i < 4; ++i) m_limits[i]->setValue(values[i]);
}

void ServiceVisitsDialog::fillRow(QTableWidget *t, int row, const ServiceVisit &v) {
    m_filling = true;
    const QString texts[kColumns] = {dt::recordText(v.day),
                                     svdNumber(v.foulingError),
                                     {},
                                     {},
                                     {},
                                     {},
                                     svdNumber(v.bufferPH),
                                     {},
                                     svdNumber(v.driftError),
                                     svdNumber(v.buffer2PH),
                                     {},
                                     svdNumber(v.driftError2),
                                     v.note};
    for (int c = 0; c < kColumns; ++c) t->setItem(row, c, new QTableWidgetItem(texts[c]));
    m_filling = false;
}

void ServiceVisitsDialog::addVisit(int probe) {
    QTableWidget *t = m_tables[std::size_t(probe)];
    const int row = t->rowCount();
    t->insertRow(row);
    m_filling = true;
    for (int c = 0; c < kColumns; ++c) t->setItem(row, c, new QTableWidgetItem);
    m_filling = false;
    t->setCurrentCell(row, colWhen);
    t->editItem(t->item(row, colWhen));
}

void ServiceVisitsDialog::cellEdited(QTableWidget *t, int row, int column) {
    if (m_filling) return;
    auto num = [&](int c) { return readNumber(svdText(t, row, c)); };
    auto write = [&](int c, double v) {
        m_filling = true;
        if (!t->item(row, c)) t->setItem(row, c, new QTableWidgetItem);
        // Readings carry a few decimals: no binary residue (-0.15000000000000036) in the cell.
        t->item(row, c)->setText(generalNumberText(std::round(v * 1e9) / 1e9));
        m_filling = false;
    };
    if (column >= colProbeBefore && column <= colRefAfter) {
        const auto a = num(colProbeBefore), b = num(colProbeAfter), c = num(colRefBefore), d = num(colRefAfter);
        if (a && b && c && d) write(colFouling, foulingErrorOf(*a, *b, *c, *d));
    } else if (column == colBuffer || column == colReading || column == colBuffer2 || column == colReading2) {
        const bool second = column == colBuffer2 || column == colReading2;
        const auto buffer = num(second ? colBuffer2 : colBuffer), reading = num(second ? colReading2 : colReading);
        if (buffer && reading) write(second ? colDrift2 : colDrift, driftErrorOf(*reading, *buffer));
    }
}

ServiceVisitsDialog::Result ServiceVisitsDialog::read() const {
    Result r;
    r.settings.carryOn = m_carryOn->isChecked();
    r.settings.limits = {m_limits[0]->value(), m_limits[1]->value(), m_limits[2]->value(), m_limits[3]->value()};
    for (int p = 0; p < 2; ++p) {
        const QTableWidget *t = m_tables[std::size_t(p)];
        for (int row = 0; row < t->rowCount(); ++row) {
            const QString where = QStringLiteral("pH-%1, visit %2").arg(p + 1).arg(row + 1);
            auto fail = [&](int column, const QString &why) {
                r.error = QStringLiteral("%1, \"%2\": %3").arg(where, QString::fromLatin1(svdHeaders[column]), why);
                r.visits.clear();
                return r;
            };
            // A number, nothing for an empty cell; false for a text that is none.
            auto number = [&](int column, std::optional<double> &out) {
                const QString text = svdText(t, row, column);
                out = text.isEmpty() ? std::nullopt : readNumber(text);
                return text.isEmpty() || out;
            };
            auto notNumber = [&](int column) {
                return fail(column, QStringLiteral("\"%1\" is not a number.").arg(svdText(t, row, column)));
            };
            ServiceVisit v;
            v.probe = p + 1;
            const QString when = svdText(t, row, colWhen);
            const std::optional<double> day = dt::parse(when);
            if (!day)
                return fail(colWhen, when.isEmpty() ? QStringLiteral("give the date and time (M/d/yyyy hh:mm:ss).")
                                                    : QStringLiteral("\"%1\" is not a date and time (M/d/yyyy "
                                                                     "hh:mm:ss).")
                                                          .arg(when));
            v.day = *day;
            std::array<std::optional<double>, kColumns> n{};
            for (int c = colFouling; c < colNote; ++c)
                if (!number(c, n[std::size_t(c)])) return notNumber(c);
            auto has = [&](int c) { return n[std::size_t(c)].has_value(); };
            auto at = [&](int c) { return *n[std::size_t(c)]; };
            if (has(colFouling))
                v.foulingError = at(colFouling);
            else if (has(colProbeBefore) && has(colProbeAfter) && has(colRefBefore) && has(colRefAfter))
                v.foulingError =
                    foulingErrorOf(at(colProbeBefore), at(colProbeAfter), at(colRefBefore), at(colRefAfter));
            else
                return fail(colFouling, QStringLiteral("give the error or all four readings."));
            // A buffer's drift: the error typed, or the reading in it.
            auto drift = [&](int buffer, int reading, int error, double &phOut, double &errorOut) {
                phOut = at(buffer);
                errorOut = has(error) ? at(error) : driftErrorOf(at(reading), at(buffer));
            };
            if (!has(colBuffer)) return fail(colBuffer, QStringLiteral("give the check buffer's pH."));
            if (!has(colDrift) && !has(colReading))
                return fail(colDrift, QStringLiteral("give the error or the reading."));
            drift(colBuffer, colReading, colDrift, v.bufferPH, v.driftError);
            const bool second = has(colBuffer2) || has(colReading2) || has(colDrift2);
            if (second) {
                if (!has(colBuffer2)) return fail(colBuffer2, QStringLiteral("give the second buffer's pH."));
                if (!has(colDrift2) && !has(colReading2))
                    return fail(colDrift2, QStringLiteral("give the error or the reading."));
                drift(colBuffer2, colReading2, colDrift2, v.buffer2PH, v.driftError2);
            }
            v.note = svdText(t, row, colNote);
            r.visits.push_back(v);
        }
    }
    const GradeLimits &l = r.settings.limits;
    if (!(l.excellent <= l.good && l.good <= l.fair && l.fair <= l.maxAllowable)) {
        r.error = QStringLiteral("The grade limits must rise from Excellent to the maximum allowable.");
        r.visits.clear();
        return r;
    }
    if (const QString why = checkVisits(r.visits); !why.isEmpty()) {
        r.error = why;
        r.visits.clear();
    }
    return r;
}

void ServiceVisitsDialog::tryAccept() {
    Result r = read();
    if (!r.error.isEmpty()) {
        m_ui.message(r.error, QStringLiteral("Service Visits"), MsgButtons::Ok, MsgIcon::Exclamation);
        return;
    }
    m_accepted = std::move(r);
    accept();
}

bool ServiceVisitsDialog::importFile(const QString &path) {
    QFile f(path);
    VisitsRead got;
    if (!f.open(QIODevice::ReadOnly))
        got.error = QStringLiteral("Cannot read %1: %2").arg(path, f.errorString());
    else
        got = parseVisitsCsv(f.readAll());
    if (got.error.isEmpty()) got.error = checkVisits(got.visits);
    if (!got.error.isEmpty()) {
        m_ui.message(got.error, QStringLiteral("Import Service Visits"), MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    showVisits(got.visits, read().settings);
    return true;
}
