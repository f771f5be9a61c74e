#pragma once
// The main window's thirteen entry fields: what each holds at start, how it is checked
// when it loses the focus, and what a change of its text does.
#include "fields/fieldinterfaces.h"

#include <QString>
#include <QStringView>
#include <vector>

class Formatter;

struct EntryFieldRule {
    enum class Check { FixedNumeric, DateTime };
    enum class OnChange { ComputeNeeded, RebuildPlot };

    QString name;         // objectName of the field (txtPH1Slope ...)
    QString initialText;  // as the window opens, not yet canonical
    Check check = Check::FixedNumeric;
    qint16 places = 0;  // FixedNumeric
    QString pattern;    // DateTime
    int flags = 0;
    QString message;
    OnChange onChange = OnChange::ComputeNeeded;
    int thermistor = 0;  // 1..3: whose readout follows a valid leave; 0 for the others
};

// The thirteen rows, in the order txtPH1Slope ... txtEnd.
const std::vector<EntryFieldRule> &entryFieldRules();
// The initial text of a field by object name: the one place the defaults live (the Y limits
// and the design time range among them); empty for an unknown name.
QString entryFieldInitialText(QStringView name);
// The row of the field with that object name, or nullptr.
const EntryFieldRule *findEntryFieldRule(QStringView name);

// The focus-loss check of a field: rewrites its text or reports the failure.
bool checkEntryField(const Formatter &fmt, IEntryField &ef, const EntryFieldRule &rule);
