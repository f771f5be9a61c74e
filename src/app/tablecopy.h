#pragma once
// The Table tab's keys beyond a plain view: Ctrl+C copies the selected rows for a
// spreadsheet, and Ctrl+End goes to the last record without leaving the Time column.
#include <QList>
#include <QString>

class QAbstractItemModel;
class QTableView;

// The rows, in the order given, as tab-separated lines, the column captions first.
QString rowsAsText(const QAbstractItemModel &model, const QList<int> &rows);

void addTableKeys(QTableView *view);
