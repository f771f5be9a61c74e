#pragma once
// The formatter's field interfaces on Qt widgets.
#include "fields/fieldinterfaces.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>

class LineEditField : public IEntryField {
public:
    explicit LineEditField(QLineEdit *edit) : m_edit(edit) {}
    QString text() const override { return m_edit ? m_edit->text() : QString(); }
    void setText(const QString &text) override {
        if (m_edit) m_edit->setText(text);
    }
    void setFocus() override {
        if (m_edit) m_edit->setFocus(Qt::OtherFocusReason);
    }

private:
    QPointer<QLineEdit> m_edit;
};

class LabelMessageControl : public IMessageControl {
public:
    explicit LabelMessageControl(QLabel *label) : m_label(label) {}
    void setCaption(const QString &caption) override {
        if (m_label) m_label->setText(caption);
    }

private:
    QPointer<QLabel> m_label;
};
