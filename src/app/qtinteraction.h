#pragma once
#include "model/interaction.h"

class QWidget;

// Message boxes, beep and busy cursor on Qt widgets.
class QtInteraction : public IInteraction {
public:
    explicit QtInteraction(QWidget *parent = nullptr) : m_parent(parent) {}
    MsgAnswer message(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon) override;
    void beep() override;
    void pushBusyCursor() override;
    void popBusyCursor() override;
    void processPendingEvents() override;
    std::optional<QString> askText(const QString &title, const QString &label) override;

private:
    QWidget *m_parent;
};
