#pragma once
// The behaviour shared by the main window's entry fields: highlighted with the whole
// text selected while focused; checked and rewritten by the formatter when left; a bad
// text keeps the focus (beep, message, focus back as the field's flags ask).
#include "fields/entryfieldrules.h"

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <functional>

class Formatter;

class EntryFieldBinder : public QObject {
    Q_OBJECT
public:
    // onChange runs on every change of the text, by the person or by the program;
    // afterValidLeave after the field was left with a valid text (may be empty).
    EntryFieldBinder(QLineEdit *field, EntryFieldRule rule, const Formatter &fmt, std::function<void()> onChange,
                     std::function<void()> afterValidLeave = {});
    ~EntryFieldBinder() override;

    QLineEdit *field() const { return m_field; }
    const EntryFieldRule &rule() const { return m_rule; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class Field;
    void gotFocus(Qt::FocusReason reason);
    void lostFocus(Qt::FocusReason reason);
    void requestFocusBack();
    void giveFocusBack();

    QPointer<QLineEdit> m_field;
    EntryFieldRule m_rule;
    const Formatter &m_fmt;
    std::function<void()> m_afterValidLeave;
    bool m_focusBackPending = false;
    bool m_entered = false;  // has the focus as far as the person is concerned
};

// Binds the field (owned by it) and gives it its initial text when it has none.
EntryFieldBinder *bindEntryField(QLineEdit *field, const EntryFieldRule &rule, const Formatter &fmt,
                                 std::function<void()> onChange, std::function<void()> afterValidLeave = {});
