#include "app/qtinteraction.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QMessageBox>

MsgAnswer QtInteraction::message(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon) {
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::Stop: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    }
    if (buttons == MsgButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    if (buttons == MsgButtons::SaveDiscardCancel) {
        box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Save);
        const int pressed = box.exec();
        return pressed == QMessageBox::Save      ? MsgAnswer::Save
               : pressed == QMessageBox::Discard ? MsgAnswer::Discard
                                                 : MsgAnswer::Cancel;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    QPushButton *loadAll = nullptr;
    if (buttons == MsgButtons::OkLoadAll) {
        loadAll = box.addButton(QStringLiteral("Load All Records"), QMessageBox::AcceptRole);
        loadAll->setObjectName(QStringLiteral("cmdLoadAllRecords"));
        loadAll->setToolTip(QStringLiteral("Read this file again with every record, however long it is"));
    }
    box.exec();
    return loadAll && box.clickedButton() == loadAll ? MsgAnswer::LoadAll : MsgAnswer::Ok;
}

void QtInteraction::beep() { QApplication::beep(); }
void QtInteraction::pushBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
void QtInteraction::popBusyCursor() { QApplication::restoreOverrideCursor(); }

void QtInteraction::processPendingEvents() {
    // Repaint only: user input must not run in the middle of a read.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

std::optional<QString> QtInteraction::askText(const QString &title, const QString &label) {
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, title, label, QLineEdit::Normal, QString(), &ok);
    if (!ok) return std::nullopt;
    return text;
}
