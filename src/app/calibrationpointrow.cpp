#include "app/calibrationpointrow.h"
#include "model/numbertext.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
template <typename T> T *named(T *w, const char *name) {
    w->setObjectName(QLatin1String(name));
    return w;
}

QLineEdit *edit(QWidget *parent, const char *name, const QString &placeholder, const QString &tip) {
    auto *e = named(new QLineEdit(parent), name);
    e->setPlaceholderText(placeholder);
    e->setToolTip(tip);
    return e;
}

QString degrees(double t) { return QString::number(t, 'f', 2) + QStringLiteral(" \u00B0C"); }
}  // namespace

CalibrationPointRow::CalibrationPointRow(int number, BufferSet set, int bufferIndex, QWidget *parent)
    : QGroupBox(parent), m_set(set) {
    cboBuffer = named(new QComboBox(this), "cboBuffer");
    cboBuffer->setEditable(true);
    cboBuffer->setInsertPolicy(QComboBox::NoInsert);
    // Typing 4.01 must give the typed 4.01, not complete to the table's "4.01 phthalate".
    cboBuffer->setCompleter(nullptr);
    cboBuffer->setToolTip(QStringLiteral("The buffer: pick one (its pH at the point's temperature; the set's "
                                         "buffers first, then the others) or type a pH, used as it stands"));
    fillBuffers();
    cboBuffer->setCurrentIndex(bufferIndex);
    lblBufferPH = named(new QLabel(this), "lblBufferPH");
    txtMV = edit(this, "txtMV", QStringLiteral("mV"),
                 QStringLiteral("The probe's raw reading in the buffer, mV, as the logger records it: it rises "
                                "with pH, the opposite sign of a bench meter's mV"));
    txtTemperature = edit(this, "txtTemperature", QStringLiteral("\u00B0C"),
                          QStringLiteral("The buffer's temperature, degrees Celsius"));
    txtFrom = edit(this, "txtFrom", QStringLiteral("from"),
                   QStringLiteral("First record of the span: a record number or a date-time"));
    txtTo = edit(this, "txtTo", QStringLiteral("to"),
                 QStringLiteral("Last record of the span: a record number or a date-time"));
    cmdTake = named(new QPushButton(QStringLiteral("Take from records"), this), "cmdTake");
    cmdTake->setToolTip(QStringLiteral("Average the probe's reading and its thermistor's corrected temperature "
                                       "over the records From..To"));
    cmdRemovePoint = named(new QPushButton(QStringLiteral("Remove"), this), "cmdRemovePoint");
    cmdRemovePoint->setToolTip(QStringLiteral("Remove this buffer point"));
    lblSpan = named(new QLabel(this), "lblSpan");
    lblSpan->setWordWrap(true);
    lblResidual = named(new QLabel(this), "lblResidual");

    auto *g = new QGridLayout(this);
    g->addWidget(new QLabel(QStringLiteral("Buffer"), this), 0, 0);
    g->addWidget(cboBuffer, 0, 1);
    g->addWidget(lblBufferPH, 0, 2, 1, 2);
    g->addWidget(lblResidual, 0, 4);
    g->addWidget(cmdRemovePoint, 0, 5);
    g->addWidget(new QLabel(QStringLiteral("Reading"), this), 1, 0);
    g->addWidget(txtMV, 1, 1);
    g->addWidget(new QLabel(QStringLiteral("Temperature"), this), 1, 2);
    g->addWidget(txtTemperature, 1, 3);
    g->addWidget(new QLabel(QStringLiteral("Records"), this), 2, 0);
    g->addWidget(txtFrom, 2, 1);
    g->addWidget(txtTo, 2, 2, 1, 2);
    g->addWidget(cmdTake, 2, 4, 1, 2);
    g->addWidget(lblSpan, 3, 0, 1, 6);

    for (QWidget *w :
         {static_cast<QWidget *>(cboBuffer), static_cast<QWidget *>(txtMV), static_cast<QWidget *>(txtTemperature),
          static_cast<QWidget *>(txtFrom), static_cast<QWidget *>(txtTo)})
        w->installEventFilter(this);
    connect(cboBuffer, &QComboBox::currentTextChanged, this, [this] {
        showBufferPH();
        emit changed();
    });
    for (QLineEdit *e : {txtMV, txtTemperature}) {
        connect(e, &QLineEdit::textChanged, this, [this] {
            showBufferPH();
            emit changed();
        });
        // Typed over: no longer the span's reading.
        connect(e, &QLineEdit::textEdited, this, [this] {
            if (!m_unstable) return;
            m_unstable = false;
            lblSpan->setStyleSheet(QString());
            emit changed();
        });
    }
    connect(txtFrom, &QLineEdit::returnPressed, this, &CalibrationPointRow::takeRequested);
    connect(txtTo, &QLineEdit::returnPressed, this, &CalibrationPointRow::takeRequested);
    connect(cmdTake, &QPushButton::clicked, this, &CalibrationPointRow::takeRequested);
    connect(cmdRemovePoint, &QPushButton::clicked, this, &CalibrationPointRow::removeRequested);
    setNumber(number);
    showBufferPH();
}

void CalibrationPointRow::setNumber(int number) {
    setObjectName(QStringLiteral("point%1").arg(number));
    setTitle(QStringLiteral("Point %1").arg(number));
}

void CalibrationPointRow::setBufferSet(BufferSet set) {
    if (set == m_set) return;
    const auto old = bufferSet(m_set);
    const QString text = cboBuffer->currentText();
    int place = -1;
    for (std::size_t i = 0; i < old.size(); ++i)
        if (findBuffer(text) == &old[i]) place = int(i);
    m_set = set;
    const QSignalBlocker block(cboBuffer);
    cboBuffer->clear();
    fillBuffers();
    if (place >= 0)
        cboBuffer->setCurrentIndex(place);
    else
        cboBuffer->setEditText(text);  // a typed pH or another set's buffer stays
    showBufferPH();
    emit changed();
}

void CalibrationPointRow::setRemovable(bool removable) { cmdRemovePoint->setEnabled(removable); }

std::optional<BufferPoint> CalibrationPointRow::point(QString &why) const {
    const QString name = title();
    const auto mV = readNumber(txtMV->text());
    const auto T = readNumber(txtTemperature->text());
    if (!mV || !T) {
        why = QStringLiteral("%1: type the reading and the temperature, or take them from records.").arg(name);
        return std::nullopt;
    }
    const QString buffer = cboBuffer->currentText();
    if (const BufferTable *b = findBuffer(buffer)) {
        const auto pH = bufferPH(*b, *T);
        if (!pH) {
            why = QStringLiteral("%1: the %2 buffer is tabled from 0 to 50 \u00B0C only.").arg(name, buffer);
            return std::nullopt;
        }
        return BufferPoint{*pH, *mV, *T, m_unstable};
    }
    const auto pH = readNumber(buffer);
    if (!pH) {
        why = QStringLiteral("%1: \"%2\" is neither a buffer of the set nor a pH.").arg(name, buffer);
        return std::nullopt;
    }
    return BufferPoint{*pH, *mV, *T, m_unstable};
}

QString CalibrationPointRow::fromText() const { return txtFrom->text(); }
QString CalibrationPointRow::toText() const { return txtTo->text(); }

void CalibrationPointRow::setSpanTexts(const QString &from, const QString &to) {
    txtFrom->setText(from);
    txtTo->setText(to);
}

void CalibrationPointRow::setTaken(double mV, double temperature, const QString &summary, bool stable) {
    m_unstable = !stable;
    txtMV->setText(QString::number(mV, 'f', 3));
    txtTemperature->setText(QString::number(temperature, 'f', 3));
    emit changed();
    lblSpan->setText(summary);
    lblSpan->setStyleSheet(stable ? QString() : QStringLiteral("color: #b00000"));
}

void CalibrationPointRow::setSpanMessage(const QString &text) {
    lblSpan->setText(text);
    lblSpan->setStyleSheet(QStringLiteral("color: #b00000"));
}

void CalibrationPointRow::setResidual(std::optional<double> pH) {
    lblResidual->setText(pH ? QStringLiteral("residual %1%2 pH").arg(*pH >= 0 ? u"+" : u"").arg(*pH, 0, 'f', 4)
                            : QString());
}

bool CalibrationPointRow::hasReading() const { return !txtMV->text().trimmed().isEmpty(); }

bool CalibrationPointRow::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::FocusIn) emit activated();
    return QGroupBox::eventFilter(watched, event);
}

void CalibrationPointRow::fillBuffers() {
    for (const BufferTable &b : bufferSet(m_set)) cboBuffer->addItem(QLatin1String(b.label));
    cboBuffer->insertSeparator(cboBuffer->count());
    for (const BufferTable &b : bufferTables())
        if (b.set != m_set) cboBuffer->addItem(QLatin1String(b.label));
}

void CalibrationPointRow::showBufferPH() {
    const QString buffer = cboBuffer->currentText();
    const auto T = readNumber(txtTemperature->text());
    if (const BufferTable *b = findBuffer(buffer)) {
        const auto pH = T ? bufferPH(*b, *T) : std::nullopt;
        lblBufferPH->setText(pH ? QStringLiteral("pH %1 at %2").arg(*pH, 0, 'f', 3).arg(degrees(*T))
                                : QStringLiteral("pH %1 at 25 \u00B0C").arg(b->nominal, 0, 'f', 2));
    } else {
        lblBufferPH->setText(readNumber(buffer) ? QStringLiteral("typed pH") : QStringLiteral("not a pH"));
    }
}
