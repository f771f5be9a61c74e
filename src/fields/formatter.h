#pragma once
// Validating formatter for single-line entry fields. Each kind of value has a text
// operation (checks a text and, when valid, rewrites it in canonical form; never throws,
// leaves a refused text as typed) and a field operation (the same on an entry field, with
// the failure reported as the flags ask: beep, message, focus back).
#include "fields/fieldinterfaces.h"
#include "fields/formatterconstants.h"

#include <QString>
#include <functional>
#include <optional>

class IInteraction;

class Formatter {
public:
    // Field failures are reported through ui (beep, message box); without one they are not.
    Formatter() = default;
    explicit Formatter(IInteraction &ui) : m_ui(&ui) {}

    using Message = std::optional<QString>;  // absent is not the same as empty

    bool FormatCurrency(QString &vAmount, int lFlags) const;
    QString FormattedCurrencyString(QString vAmount, int lFlags) const;
    bool FormatCurrencyField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl = nullptr,
                             const Message &sMessage = std::nullopt) const;
    bool FormatDate(QString &sDate, int lFlags) const;
    bool FormatDateField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl = nullptr,
                         const Message &sMessage = std::nullopt) const;
    bool FormatSSN(QString &sSSN, int lFlags) const;
    bool FormatSSNField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl = nullptr,
                        const Message &sMessage = std::nullopt) const;
    bool FormatTime(QString &sTime, int lFlags) const;
    bool FormatTimeField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl = nullptr,
                         const Message &sMessage = std::nullopt) const;
    bool FormatZip(QString &sZip, int lFlags) const;
    bool FormatZipField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl = nullptr,
                        const Message &sMessage = std::nullopt) const;
    bool FormatNameField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl = nullptr,
                         const Message &sMessage = std::nullopt) const;
    void GetNameComponents(const QString &sName, QString &sFirst, QString &sMiddle, QString &sLast) const;

    // The text is never rewritten; the value rounded half to even is what is compared.
    bool FormatLong(QString &sLong, int lFlags, std::optional<double> vMinValue = std::nullopt,
                    std::optional<double> vMaxValue = std::nullopt) const;
    bool FormatIntegerOnly(QString &sLong, int lFlags, std::optional<double> vMinValue = std::nullopt,
                           std::optional<double> vMaxValue = std::nullopt) const;
    bool FormatLongField(IEntryField &ef, int lFlags, std::optional<double> vMinValue = std::nullopt,
                         std::optional<double> vMaxValue = std::nullopt, IMessageControl *cMessageControl = nullptr,
                         const Message &sMessage = std::nullopt) const;
    bool FormatIntegerOnlyField(IEntryField &ef, int lFlags, std::optional<double> vMinValue = std::nullopt,
                                std::optional<double> vMaxValue = std::nullopt,
                                IMessageControl *cMessageControl = nullptr,
                                const Message &sMessage = std::nullopt) const;
    bool FormatFixedNumeric(QString &sNum, int lFlags, qint16 iDecimalPlaces) const;
    bool FormatFixedNumericField(IEntryField &ef, int lFlags, qint16 iDecimalPlaces,
                                 IMessageControl *cMessageControl = nullptr,
                                 const Message &sMessage = std::nullopt) const;
    bool FormatScientific(QString &sNum, int lFlags, qint16 iDecimalPlaces) const;
    bool FormatScientificField(IEntryField &ef, int lFlags, qint16 iDecimalPlaces,
                               IMessageControl *cMessageControl = nullptr,
                               const Message &sMessage = std::nullopt) const;
    bool FormatDateTime(QString &sDate, int lFlags, const QString &theFormat) const;
    bool FormatDateTimeField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl = nullptr,
                             const Message &sMessage = std::nullopt,
                             const std::optional<QString> &displayFormat = std::nullopt) const;

private:
    struct PreparedMessage {
        QString text;
        bool useMessageBox = false;
    };
    PreparedMessage PrepareErrorMessage(int lFlags, const QString &requiredText, const QString &optionalText,
                                        const Message &sMessage, IMessageControl *cMessageControl) const;
    void ReportFieldError(IEntryField &ef, int lFlags, bool useMessageBox, const QString &message,
                          IMessageControl *cMessageControl) const;
    QString ComposeName(const QString &sFirst, const QString &sMiddle, const QString &sLast, bool &lastNameFirst) const;

    // The field procedure shared by every field operation but the name field.
    bool runField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl, const Message &sMessage,
                  const QString &requiredText, const QString &optionalText,
                  const std::function<bool(QString &)> &textOp) const;

    IInteraction *m_ui = nullptr;
};
