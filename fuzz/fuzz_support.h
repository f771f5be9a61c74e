#pragma once
// What both fuzz targets share: a scripted person and the data set's invariants.
#include "model/clsdataset.h"
#include "model/interaction.h"

// Answers questions alternately Yes and No; shows nothing.
class FuzzInteraction : public IInteraction {
public:
    MsgAnswer message(const QString &, const QString &, MsgButtons buttons, MsgIcon) override;
    void beep() override {}
    void pushBusyCursor() override { ++m_busy; }
    void popBusyCursor() override { --m_busy; }
    void processPendingEvents() override {}
    int busyDepth() const { return m_busy; }

private:
    bool m_nextYes = true;
    int m_busy = 0;
};

// Aborts, with a note on stderr, when the data set breaks a rule the rest of the program
// relies on: at most kMaxRecords rows, the trimmed table as long as the row count, and a
// real date-time for every stored record.
void checkInvariants(clsDataSet &ds);

// Aborts with the message when the condition is false.
void require(bool condition, const char *what);

// Qt needs an application object for file access and text codecs; made once.
void ensureCoreApplication();
