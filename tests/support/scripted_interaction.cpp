#include "support/scripted_interaction.h"

MsgAnswer ScriptedInteraction::message(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon) {
    messages.append({text, title, buttons, icon});
    if (buttons == MsgButtons::Ok) return MsgAnswer::Ok;
    if (buttons == MsgButtons::OkLoadAll) return loadAll ? MsgAnswer::LoadAll : MsgAnswer::Ok;
    if (answers.empty()) return buttons == MsgButtons::SaveDiscardCancel ? MsgAnswer::Discard : MsgAnswer::Yes;
    MsgAnswer a = answers.front();
    answers.pop_front();
    return a;
}

QStringList ScriptedInteraction::texts() const {
    QStringList out;
    for (const auto &m : messages) out << m.text;
    return out;
}

std::optional<QString> ScriptedInteraction::askText(const QString &title, const QString &label) {
    Q_UNUSED(title);
    asked << label;
    if (textAnswers.empty()) return std::nullopt;
    const QString a = textAnswers.front();
    textAnswers.pop_front();
    if (a.isNull()) return std::nullopt;
    return a;
}
