#pragma once
// The report of one open log: what file it was, what it held, how it was calibrated and read.
// Built the same way by the window and the batch command; report printing lays it out.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

class Workbench;

// A heading with rows; a table of two columns is a list of names and values.
struct ReportTable {
    QString heading;
    QStringList columns;  // empty: no header row
    QList<QStringList> rows;
};

struct ReportContent {
    QString title;
    QList<ReportTable> before;  // above the plot
    QString plotCaption;        // empty: no plot
    QList<ReportTable> after;   // below the plot
    QString footer;
};

struct ReportExtras {
    QDateTime made;
    bool plot = false;                             // the report shows the plot
    std::array<QStringList, 2> bufferCalibration;  // per probe; empty when none was made
    bool zoomed = false;                           // the plot and statistics are those of the zoomed range
};

ReportContent buildReport(const Workbench &workbench, const ReportExtras &extras);

// The whole report as plain text, a line per row: what the printed pages say.
QString reportText(const ReportContent &content);
