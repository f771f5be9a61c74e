#pragma once
// Test double for IInteraction: records every message and answers from a script.
#include "model/interaction.h"

#include <QList>
#include <deque>

struct RecordedMessage {
    QString text, title;
    MsgButtons buttons;
    MsgIcon icon;
};

class ScriptedInteraction : public IInteraction {
public:
    // Answers for Yes/No questions, used in order; when used up, Yes.
    std::deque<MsgAnswer> answers;
    // The answer to the "left out" message: "Load All Records" or OK.
    bool loadAll = false;
    QList<RecordedMessage> messages;
    int beeps = 0;
    int busyDepth = 0;
    int busyMax = 0;
    int eventPumps = 0;

    MsgAnswer message(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon) override;
    void beep() override { ++beeps; }
    void pushBusyCursor() override { busyMax = std::max(busyMax, ++busyDepth); }
    void popBusyCursor() override { --busyDepth; }
    void processPendingEvents() override { ++eventPumps; }

    // Answers to askText in order (a null QString: cancelled); when used up, cancelled. The
    // labels asked with go to `asked`.
    std::deque<QString> textAnswers;
    QStringList asked;
    std::optional<QString> askText(const QString &title, const QString &label) override;

    QStringList texts() const;
};
