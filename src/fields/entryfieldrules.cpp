#include "fields/entryfieldrules.h"
#include "fields/formatter.h"

namespace {

using Check = EntryFieldRule::Check;
using OnChange = EntryFieldRule::OnChange;

EntryFieldRule number(const char *name, const char *initial, qint16 places, int flags, const char *message,
                      OnChange onChange, int thermistor = 0) {
    return {QString::fromLatin1(name),
            QString::fromLatin1(initial),
            Check::FixedNumeric,
            places,
            QString(),
            flags,
            QString::fromLatin1(message),
            onChange,
            thermistor};
}

EntryFieldRule dateTime(const char *name, const char *initial, const char *message) {
    return {QString::fromLatin1(name),
            QString::fromLatin1(initial),
            Check::DateTime,
            0,
            QStringLiteral("mm/d/yyyy Hh:Nn:Ss"),
            15,
            QString::fromLatin1(message),
            OnChange::RebuildPlot,
            0};
}

std::vector<EntryFieldRule> makeRules() {
    const OnChange compute = OnChange::ComputeNeeded, plot = OnChange::RebuildPlot;
    return {
        number("txtPH1Slope", "1.00", 4, 15, "pH-1 slope must be valid floating point number", compute),
        number("txtPH2Slope", "1.00", 4, 15, "pH-2 slope must be valid floating point number", compute),
        number("txtPH1Offset", "0.00", 4, 15, "pH-1 offset must be valid floating point number", compute),
        number("txtPH2Offset", "0.00", 4, 15, "pH-2 offset must be valid floating point number", compute),
        number("txtPH1Corr", "0.00", 4, 15, "pH-1 corr must be valid floating point number", compute),
        number("txtPH2Corr", "0.00", 4, 15, "pH-2 corr must be valid floating point number", compute),
        // 19: beep and focus back only, and an empty correction is allowed.
        number("txtThermistor1Corr", "0.00", 3, 19, "Thermistor-1 corr must be valid floating point number", compute,
               1),
        number("txtThermistor2Corr", "0.00", 3, 15, "Thermistor-2 corr must be valid floating point number", compute,
               2),
        number("txtThermistor3Corr", "0.00", 3, 15, "Thermistor-3 corr must be valid floating point number", compute,
               3),
        number("txtYMax", "9.0", 2, 15, "YMax must be valid floating point number", plot),
        number("txtYMin", "6.0", 2, 15, "YMin must be valid floating point number", plot),
        dateTime("txtStart", "1/1/1988 00:00:00", "start must be valid datetime"),
        dateTime("txtEnd", "1/1/1999 00:00:00", "end must be valid datetime"),
    };
}

}  // namespace

const std::vector<EntryFieldRule> &entryFieldRules() {
    static const std::vector<EntryFieldRule> rules = makeRules();
    return rules;
}

const EntryFieldRule *findEntryFieldRule(QStringView name) {
    for (const EntryFieldRule &s : entryFieldRules())
        if (s.name == name) return &s;
    return nullptr;
}

QString entryFieldInitialText(QStringView name) {
    const EntryFieldRule *rule = findEntryFieldRule(name);
    return rule ? rule->initialText : QString();
}

bool checkEntryField(const Formatter &fmt, IEntryField &ef, const EntryFieldRule &rule) {
    if (rule.check == EntryFieldRule::Check::DateTime)
        return fmt.FormatDateTimeField(ef, rule.flags, nullptr, rule.message, rule.pattern);
    return fmt.FormatFixedNumericField(ef, rule.flags, rule.places, nullptr, rule.message);
}
