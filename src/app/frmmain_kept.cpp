// Calibration values a log did not give: the fields keep the previous ones, and say so.
#include "app/frmmain.h"
#include "fields/entryfieldrules.h"
#include "fields/ui/widgetutil.h"
#include "model/numbertext.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>

namespace {
const QLatin1String kMarkName("keptMark");

QAction *markOf(QLineEdit *field) { return field->findChild<QAction *>(kMarkName); }

void clearMark(QLineEdit *field) {
    if (QAction *mark = markOf(field)) mark->setVisible(false);
    field->setToolTip(QString());
}
}  // namespace

void frmMain::buildKeptLabel() {
    // Two lines kept free under the fields from the start, so the message moves nothing.
    lblKept = new QLabel(Frame3);
    lblKept->setObjectName(QStringLiteral("lblKept"));
    lblKept->setWordWrap(true);
    lblKept->setMinimumHeight(2 * lblKept->fontMetrics().lineSpacing());
    if (auto *grid = qobject_cast<QGridLayout *>(Frame3->layout()))
        grid->addWidget(lblKept, grid->rowCount(), 0, 1, grid->columnCount());
    for (QLineEdit *field : {txtPH1Slope, txtPH2Slope, txtPH1Offset, txtPH2Offset}) {
        QAction *mark =
            field->addAction(style()->standardIcon(QStyle::SP_MessageBoxInformation), QLineEdit::TrailingPosition);
        mark->setObjectName(kMarkName);
        mark->setVisible(false);
        // The person's own value is no longer the kept one.
        connect(field, &QLineEdit::textEdited, mark, [field] { clearMark(field); });
    }
}

void frmMain::showKeptCalibration() {
    const ReadReport &report = m_workbench->readReport();
    QLineEdit *const slopes[2] = {txtPH1Slope, txtPH2Slope}, *const offsets[2] = {txtPH1Offset, txtPH2Offset};
    const QString source = report.keptFromEarlierFile ? QStringLiteral("kept from the previous file")
                                                      : QStringLiteral("kept at its initial value");
    const QString file = QFileInfo(m_workbench->path()).fileName();
    for (std::size_t i = 0; i < 2; ++i) {
        for (auto [field, kept] :
             {std::pair{slopes[i], report.slopeKept[i]}, std::pair{offsets[i], report.offsetKept[i]}}) {
            if (!kept) {
                clearMark(field);
                continue;
            }
            const QString tip = QStringLiteral("Not in %1: %2").arg(file, source);
            markOf(field)->setVisible(true);
            markOf(field)->setToolTip(tip);
            field->setToolTip(tip);
        }
    }
    const QStringList names = report.keptNames();
    QStringList lines;
    if (!names.isEmpty())
        lines << QStringLiteral("Not in this file, %1: %2").arg(source, names.join(QStringLiteral(", ")));
    // No log gives the thermistor choices and corrections: the person's from before stay.
    const QStringList choices = report.keptFromEarlierFile ? changedThermistorSettings() : QStringList();
    if (!choices.isEmpty())
        lines << QStringLiteral("Kept from the previous file: %1").arg(choices.join(QStringLiteral(", ")));
    lblKept->setText(lines.join(u'\n'));
}

QStringList frmMain::changedThermistorSettings() const {
    QStringList out;
    const std::array<QRadioButton *, 3> *choice[2] = {&optPH1Thermistor, &optPH2Thermistor};
    const QLineEdit *corr[2] = {txtPH1Corr, txtPH2Corr};
    const auto changed = [](const QLineEdit *field) {
        const std::optional<double> now = readNumber(field->text()),
                                    initial = readNumber(entryFieldInitialText(field->objectName()));
        return now && initial ? *now != *initial : field->text() != entryFieldInitialText(field->objectName());
    };
    for (std::size_t i = 0; i < 2; ++i) {
        if (const int t = Util::checkedIndex(*choice[i]); t != 0)
            out << QStringLiteral("pH-%1 thermistor T%2").arg(i + 1).arg(t + 1);
        if (changed(corr[i])) out << QStringLiteral("pH-%1 corr %2").arg(i + 1).arg(corr[i]->text());
    }
    for (std::size_t i = 0; i < 3; ++i)
        if (changed(txtThermistorCorr[i]))
            out << QStringLiteral("T%1 corr %2").arg(i + 1).arg(txtThermistorCorr[i]->text());
    return out;
}
