#include "fuzz_support.h"

#include <QCoreApplication>
#include <cmath>
#include <cstdio>
#include <cstdlib>

MsgAnswer FuzzInteraction::message(const QString &, const QString &, MsgButtons buttons, MsgIcon) {
    if (buttons != MsgButtons::YesNo) return MsgAnswer::Ok;
    const bool yes = m_nextYes;
    m_nextYes = !m_nextYes;
    return yes ? MsgAnswer::Yes : MsgAnswer::No;
}

void require(bool condition, const char *what) {
    if (condition) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

void checkInvariants(clsDataSet &ds) {
    const int rows = ds.rowcount();
    require(rows >= 0 && rows <= kMaxRecords, "rowcount() within 0..32767");
    DataTable &table = ds.DATA();
    require(ds.isInitialized(), "DATA() finalizes");
    require(table.rowCount() == rows, "DATA().rowCount() == rowcount()");
    for (int r = 0; r < rows; ++r) {
        require(std::isfinite(table.rowDay(r)), "every stored record has a real date-time");
        require(table.cell(r, colDateTime).isText(), "column 0 holds the date-time text");
    }
}

void ensureCoreApplication() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}
