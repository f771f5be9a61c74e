// Calibration values a log did not give: the fields keep the previous ones, and say so.
#include "app/frmmain.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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
    lblKept->setText(names.isEmpty()
                         ? QString()
                         : QStringLiteral("Not in this file, %1: %2").arg(source, names.join(QStringLiteral(", "))));
}
