// Flags, failure reporting, and the number and date-time operations of the formatter.
#include "fields/formatter.h"
#include "fields/formatter_private.h"
#include "model/datetime.h"
#include "model/interaction.h"
#include "model/numbertext.h"

#include <cmath>

using namespace modFormatterConstants;

namespace fmtdetail {

bool emptyPass(const QString &text, int lFlags) { return text.isEmpty() && !(lFlags & fmtRequired); }

}  // namespace fmtdetail

using fmtdetail::emptyPass;
using fmtdetail::kDateOptional;
using fmtdetail::kDateRequired;
using fmtdetail::guarded;

namespace {

const QString kIntegerRequired = QStringLiteral("This field requires an integer.");
const QString kIntegerOptional = QStringLiteral("Anything in this field must be an integer.");
const QString kNumberRequired =
    QStringLiteral("This field requires a number.  The number is allowed to have decimal places.");
const QString kNumberOptional =
    QStringLiteral("Anything in this field must be a number.  The number is allowed to have decimal places.");

// Shared by FormatLong and FormatIntegerOnly once the text has passed their own test.
bool checkLong(const QString &text, int lFlags, std::optional<double> vMin, std::optional<double> vMax) {
    std::optional<double> v = readNumber(text);
    if (!v) return false;
    const double value = std::nearbyint(*v);  // default rounding: halves to even
    // Values that do not fit a 32-bit integer are not integers of this field.
    if (value < -2147483648.0 || value > 2147483647.0) return false;
    if ((lFlags & fmtCheckRange) && vMin && value < *vMin) return false;
    if ((lFlags & fmtCheckRange) && vMax && value > *vMax) return false;
    return true;
}

}  // namespace

Formatter::PreparedMessage Formatter::PrepareErrorMessage(int lFlags, const QString &requiredText,
                                                          const QString &optionalText, const Message &sMessage,
                                                          IMessageControl *cMessageControl) const {
    PreparedMessage out;
    if (!(lFlags & fmtShowMessage)) return out;
    out.useMessageBox = cMessageControl == nullptr;
    if (sMessage)
        out.text = *sMessage;
    else
        out.text = (lFlags & fmtRequired) ? requiredText : optionalText;
    return out;
}

void Formatter::ReportFieldError(IEntryField &ef, int lFlags, bool useMessageBox, const QString &message,
                                 IMessageControl *cMessageControl) const {
    // Each step is on its own: a step that fails does not stop the next one.
    if ((lFlags & fmtBeep) && m_ui) {
        try {
            m_ui->beep();
        } catch (...) {}
    }
    if (lFlags & fmtShowMessage) {
        try {
            if (useMessageBox) {
                if (m_ui) m_ui->message(message, QString(), MsgButtons::Ok, MsgIcon::None);
            } else if (cMessageControl) {
                cMessageControl->setCaption(message);
            }
        } catch (...) {}
    }
    if (lFlags & fmtSetFocus) {
        try {
            ef.setFocus();
        } catch (...) {}
    }
}

bool Formatter::runField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl, const Message &sMessage,
                         const QString &requiredText, const QString &optionalText,
                         const std::function<bool(QString &)> &textOp) const {
    const PreparedMessage prepared = PrepareErrorMessage(lFlags, requiredText, optionalText, sMessage, cMessageControl);
    const QString original = ef.text();
    QString text = original;
    if (textOp(text)) {
        // An unchanged text is not written, so no change notification is raised for it.
        if (text != original) ef.setText(text);
        return true;
    }
    ReportFieldError(ef, lFlags, prepared.useMessageBox, prepared.text, cMessageControl);
    return false;
}

bool Formatter::FormatLong(QString &sLong, int lFlags, std::optional<double> vMinValue,
                           std::optional<double> vMaxValue) const {
    return guarded([&] { return emptyPass(sLong, lFlags) || checkLong(sLong, lFlags, vMinValue, vMaxValue); });
}

bool Formatter::FormatIntegerOnly(QString &sLong, int lFlags, std::optional<double> vMinValue,
                                  std::optional<double> vMaxValue) const {
    return guarded([&] {
        if (emptyPass(sLong, lFlags)) return true;
        if (sLong.contains(u'.') || sLong.contains(u'e') || sLong.contains(u'E')) return false;
        return checkLong(sLong, lFlags, vMinValue, vMaxValue);
    });
}

bool Formatter::FormatLongField(IEntryField &ef, int lFlags, std::optional<double> vMinValue,
                                std::optional<double> vMaxValue, IMessageControl *cMessageControl,
                                const Message &sMessage) const {
    return runField(ef, lFlags, cMessageControl, sMessage, kIntegerRequired, kIntegerOptional,
                    [&](QString &t) { return FormatLong(t, lFlags, vMinValue, vMaxValue); });
}

bool Formatter::FormatIntegerOnlyField(IEntryField &ef, int lFlags, std::optional<double> vMinValue,
                                       std::optional<double> vMaxValue, IMessageControl *cMessageControl,
                                       const Message &sMessage) const {
    return runField(ef, lFlags, cMessageControl, sMessage, kIntegerRequired, kIntegerOptional,
                    [&](QString &t) { return FormatIntegerOnly(t, lFlags, vMinValue, vMaxValue); });
}

bool Formatter::FormatFixedNumeric(QString &sNum, int lFlags, qint16 iDecimalPlaces) const {
    return guarded([&] {
        if (emptyPass(sNum, lFlags)) return true;
        std::optional<double> v = readNumber(sNum);
        if (!v) return false;
        sNum = iDecimalPlaces > 0 ? numtext::fixed(*v, iDecimalPlaces) : generalNumberText(*v);
        return true;
    });
}

bool Formatter::FormatFixedNumericField(IEntryField &ef, int lFlags, qint16 iDecimalPlaces,
                                        IMessageControl *cMessageControl, const Message &sMessage) const {
    return runField(ef, lFlags, cMessageControl, sMessage, kNumberRequired, kNumberOptional,
                    [&](QString &t) { return FormatFixedNumeric(t, lFlags, iDecimalPlaces); });
}

bool Formatter::FormatScientific(QString &sNum, int lFlags, qint16 iDecimalPlaces) const {
    return guarded([&] {
        if (emptyPass(sNum, lFlags)) return true;
        std::optional<double> v = readNumber(sNum);
        if (!v) return false;
        sNum = iDecimalPlaces > 0 ? numtext::scientific(*v, iDecimalPlaces) : generalNumberText(*v);
        return true;
    });
}

bool Formatter::FormatScientificField(IEntryField &ef, int lFlags, qint16 iDecimalPlaces,
                                      IMessageControl *cMessageControl, const Message &sMessage) const {
    return runField(ef, lFlags, cMessageControl, sMessage, kNumberRequired, kNumberOptional,
                    [&](QString &t) { return FormatScientific(t, lFlags, iDecimalPlaces); });
}

bool Formatter::FormatDateTime(QString &sDate, int lFlags, const QString &theFormat) const {
    return guarded([&] {
        if (emptyPass(sDate, lFlags)) return true;
        std::optional<double> v = dt::parse(sDate);
        if (!v) return false;
        sDate = dt::format(*v, theFormat);
        return true;
    });
}

bool Formatter::FormatDateTimeField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl,
                                    const Message &sMessage, const std::optional<QString> &displayFormat) const {
    const QString pattern = displayFormat.value_or(QString());
    return runField(ef, lFlags, cMessageControl, sMessage, kDateRequired, kDateOptional,
                    [&](QString &t) { return FormatDateTime(t, lFlags, pattern); });
}
