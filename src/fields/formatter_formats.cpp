// Currency, date, time, social security number, zip code and name operations of the formatter.
#include "fields/formatter.h"
#include "fields/formatter_private.h"
#include "model/datetime.h"
#include "model/numbertext.h"

using namespace modFormatterConstants;
using fmtdetail::emptyPass;
using fmtdetail::kDateOptional;
using fmtdetail::kDateRequired;
using fmtdetail::guarded;

namespace {

const QString kCurrencyRequired = QStringLiteral("This field requires a dollar amount.");
const QString kCurrencyOptional = QStringLiteral("Anything in this field must be a dollar amount.");
const QString kSSNRequired = QStringLiteral("This field requires a social security number.");
const QString kSSNOptional = QStringLiteral("Anything in this field must be a social security number.");
const QString kTimeRequired = QStringLiteral("This field requires a time.");
const QString kTimeOptional = QStringLiteral("Anything in this field must be a time.");
const QString kZipRequired = QStringLiteral("This field requires a US zip code.");
const QString kZipOptional = QStringLiteral("Anything in this field must be a US zip code.");
const QString kNameRequired =
    QStringLiteral("This field requires a person's name.  You can enter the name in any reasonable format.");
const QString kNameOptional =
    QStringLiteral("Anything in this field must be a person's name.  You can enter the name in any reasonable format.");

QString digitsOf(const QString &text) {
    QString out;
    for (QChar c : text)
        if (c >= u'0' && c <= u'9') out += c;
    return out;
}

// Names are split at blanks (spaces) only, as they are typed.
QString trimBlanks(const QString &s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == u' ') ++b;
    while (e > b && s[e - 1] == u' ') --e;
    return s.mid(b, e - b);
}

QString capitalised(const QString &s) { return s.isEmpty() ? s : s.left(1).toUpper() + s.mid(1).toLower(); }

}  // namespace

bool Formatter::FormatCurrency(QString &vAmount, int lFlags) const {
    return guarded([&] {
        if (vAmount.isEmpty() && !(lFlags & fmtRequired)) {
            if (lFlags & fmtShowZero) vAmount = numtext::currencyText(0);
            return true;
        }
        std::optional<qint64> amount = numtext::readCurrency(vAmount);
        if (!amount) return false;
        if (*amount == 0 && !(lFlags & fmtShowZero))
            vAmount.clear();
        else
            vAmount = numtext::currencyText(*amount);
        return true;
    });
}

QString Formatter::FormattedCurrencyString(QString vAmount, int lFlags) const {
    return FormatCurrency(vAmount, lFlags) ? vAmount : QString();
}

bool Formatter::FormatCurrencyField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl,
                                    const Message &sMessage) const {
    return runField(ef, lFlags, cMessageControl, sMessage, kCurrencyRequired, kCurrencyOptional,
                    [&](QString &t) { return FormatCurrency(t, lFlags); });
}

bool Formatter::FormatDate(QString &sDate, int lFlags) const {
    return guarded([&] {
        if (emptyPass(sDate, lFlags)) return true;
        std::optional<double> v = dt::parse(sDate);
        if (!v) return false;
        sDate = dt::format(*v, u"mm/dd/yyyy");
        return true;
    });
}

bool Formatter::FormatDateField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl,
                                const Message &sMessage) const {
    return runField(ef, lFlags, cMessageControl, sMessage, kDateRequired, kDateOptional,
                    [&](QString &t) { return FormatDate(t, lFlags); });
}

bool Formatter::FormatSSN(QString &sSSN, int lFlags) const {
    return guarded([&] {
        if (emptyPass(sSSN, lFlags)) return true;
        const QString d = digitsOf(sSSN);
        if (d.size() != 9) return false;
        sSSN = d.left(3) + u'-' + d.mid(3, 2) + u'-' + d.mid(5);
        return true;
    });
}

bool Formatter::FormatSSNField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl,
                               const Message &sMessage) const {
    return runField(ef, lFlags, cMessageControl, sMessage, kSSNRequired, kSSNOptional,
                    [&](QString &t) { return FormatSSN(t, lFlags); });
}

bool Formatter::FormatTime(QString &sTime, int lFlags) const {
    return guarded([&] {
        if (emptyPass(sTime, lFlags)) return true;
        std::optional<double> v = dt::parse(sTime);
        if (!v) return false;
        // Only 12-hour times with a marker of their own ("2:05 pm", "2:05 p") are times here.
        QString tail = sTime;
        while (tail.endsWith(u' ')) tail.chop(1);
        tail = tail.right(2);
        while (tail.startsWith(u' ')) tail.remove(0, 1);
        tail = tail.toLower();
        if (tail != u"am" && tail != u"pm" && tail != u"a" && tail != u"p") return false;
        sTime = dt::format(*v, u"hh:mm am/pm");
        return true;
    });
}

bool Formatter::FormatTimeField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl,
                                const Message &sMessage) const {
    return runField(ef, lFlags, cMessageControl, sMessage, kTimeRequired, kTimeOptional,
                    [&](QString &t) { return FormatTime(t, lFlags); });
}

bool Formatter::FormatZip(QString &sZip, int lFlags) const {
    return guarded([&] {
        if (emptyPass(sZip, lFlags)) return true;
        const QString d = digitsOf(sZip);
        if (d.size() == 5)
            sZip = d;
        else if (d.size() == 9)
            sZip = d.left(5) + u'-' + d.mid(5);
        else
            return false;
        return true;
    });
}

bool Formatter::FormatZipField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl,
                               const Message &sMessage) const {
    return runField(ef, lFlags, cMessageControl, sMessage, kZipRequired, kZipOptional,
                    [&](QString &t) { return FormatZip(t, lFlags); });
}

bool Formatter::FormatNameField(IEntryField &ef, int lFlags, IMessageControl *cMessageControl,
                                const Message &sMessage) const {
    const PreparedMessage prepared =
        PrepareErrorMessage(lFlags, kNameRequired, kNameOptional, sMessage, cMessageControl);
    const QString original = ef.text();
    // Blanks alone would be composed into an empty name: a required field refuses them too.
    if ((lFlags & fmtRequired) && trimBlanks(original).isEmpty()) {
        ReportFieldError(ef, lFlags, prepared.useMessageBox, prepared.text, cMessageControl);
        return false;
    }
    QString first, middle, last;
    GetNameComponents(original, first, middle, last);
    bool lastNameFirst = true;
    const QString composed = ComposeName(first, middle, last, lastNameFirst);
    if (composed != original) ef.setText(composed);
    return true;
}

void Formatter::GetNameComponents(const QString &sName, QString &sFirst, QString &sMiddle, QString &sLast) const {
    const QString s = trimBlanks(sName);
    sFirst.clear();
    sMiddle.clear();
    sLast.clear();
    const qsizetype firstBlank = s.indexOf(u' ');
    const qsizetype comma = s.indexOf(u',');
    if (firstBlank < 0) {
        sLast = s;  // one word, with or without a comma
    } else if (comma >= 0) {
        sLast = trimBlanks(s.left(comma));
        const QString rest = trimBlanks(s.mid(comma + 1));
        const qsizetype blank = rest.indexOf(u' ');
        if (blank < 0) {
            sFirst = rest;
        } else {
            sFirst = trimBlanks(rest.left(blank));
            sMiddle = trimBlanks(rest.mid(blank + 1)).left(1);
        }
    } else {
        const qsizetype lastBlank = s.lastIndexOf(u' ');
        sFirst = trimBlanks(s.left(firstBlank));
        sLast = trimBlanks(s.mid(lastBlank + 1));
        if (lastBlank != firstBlank) sMiddle = trimBlanks(s.mid(firstBlank + 1, lastBlank - firstBlank - 1)).left(1);
    }
    sFirst = capitalised(sFirst);
    sMiddle = capitalised(sMiddle);
    sLast = capitalised(sLast);
}

QString Formatter::ComposeName(const QString &sFirst, const QString &sMiddle, const QString &sLast,
                               bool &lastNameFirst) const {
    if (sLast.isEmpty()) lastNameFirst = false;
    QString out;
    if (lastNameFirst) {
        out = sLast;
        if (!(sFirst + sMiddle).isEmpty()) out += QStringLiteral(", ");
        if (!sFirst.isEmpty()) out += sFirst;
        if (!sMiddle.isEmpty()) out += u' ' + sMiddle.left(1) + u'.';
    } else {
        if (!sFirst.isEmpty()) out += sFirst + u' ';
        if (!sMiddle.isEmpty()) out += sMiddle.left(1) + QStringLiteral(". ");
        if (!sLast.isEmpty()) out += sLast;
    }
    return out;
}
