#include "fileio/ui/frmmeter.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QVBoxLayout>

frmMeter::frmMeter(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMeter"));
    setWindowTitle(QStringLiteral("Progress"));
    setModal(false);
    m_text = new QLineEdit(QStringLiteral("Text1"), this);
    m_text->setObjectName(QStringLiteral("Text1"));
    m_text->setReadOnly(true);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressBar1"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    setMinimumWidth(320);
}

void frmMeter::showMeter() {
    show();
    raise();
}

void frmMeter::hideMeter() { hide(); }

void frmMeter::setText(const QString &text) { m_text->setText(text); }

void frmMeter::setProgress(int percent) { m_bar->setValue(percent); }
