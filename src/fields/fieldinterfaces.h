#pragma once
// What the formatter's field operations need of an entry field and of a message label,
// so that they stay free of widgets and can be tested with fakes.
#include <QString>

class IEntryField {
public:
    virtual ~IEntryField() = default;
    virtual QString text() const = 0;
    virtual void setText(const QString &text) = 0;
    virtual void setFocus() = 0;
};

class IMessageControl {
public:
    virtual ~IMessageControl() = default;
    virtual void setCaption(const QString &caption) = 0;
};
