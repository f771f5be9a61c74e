#pragma once
// Everything that talks to the person goes through this interface, so that tests can
// answer questions and check each message's text, buttons, icon and title.
#include <QString>
#include <optional>

inline const QString kAppTitle = QStringLiteral("Brinewick");
inline const QString kAppVersion = QStringLiteral("1.1.1");

// OkLoadAll: OK beside "Load All Records" (the answer LoadAll).
enum class MsgButtons { Ok, YesNo, OkLoadAll, SaveDiscardCancel };
enum class MsgIcon { None, Stop, Question, Exclamation, Information };
enum class MsgAnswer { Ok, Yes, No, LoadAll, Save, Discard, Cancel };

class IInteraction {
public:
    virtual ~IInteraction() = default;
    // A modal message box; returns the button the person pressed.
    virtual MsgAnswer message(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon) = 0;
    virtual void beep() = 0;
    // Busy cursor on (nested calls count) and off.
    virtual void pushBusyCursor() = 0;
    virtual void popBusyCursor() = 0;
    // Lets pending repaints happen; never runs user input.
    virtual void processPendingEvents() = 0;
    // The answer to a Yes/No question given without a person (a command's option), if any: a
    // read on another thread, which cannot ask, gives that one.
    virtual std::optional<MsgAnswer> standingAnswer() const { return std::nullopt; }
    // A line of text asked for (a reason, a note); nothing when cancelled.
    virtual std::optional<QString> askText(const QString &title, const QString &label) {
        Q_UNUSED(title);
        Q_UNUSED(label);
        return std::nullopt;
    }
};

// Passes everything on to another interaction; a wrapper changes only what it must.
class ForwardingInteraction : public IInteraction {
public:
    explicit ForwardingInteraction(IInteraction &ui) : m_ui(ui) {}
    MsgAnswer message(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon) override {
        return m_ui.message(text, title, buttons, icon);
    }
    void beep() override { m_ui.beep(); }
    void pushBusyCursor() override { m_ui.pushBusyCursor(); }
    void popBusyCursor() override { m_ui.popBusyCursor(); }
    void processPendingEvents() override { m_ui.processPendingEvents(); }
    std::optional<MsgAnswer> standingAnswer() const override { return m_ui.standingAnswer(); }
    std::optional<QString> askText(const QString &title, const QString &label) override {
        return m_ui.askText(title, label);
    }

protected:
    IInteraction &m_ui;
};

// Busy cursor for the lifetime of a scope, restored however the scope is left.
class BusyCursor {
public:
    explicit BusyCursor(IInteraction &ui) : m_ui(ui) { m_ui.pushBusyCursor(); }
    ~BusyCursor() { m_ui.popBusyCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    IInteraction &m_ui;
};
