#pragma once
// Export Table and Save Plot each start in the folder they last wrote to (remembered in the
// settings store), apart from the folder of the Open dialog; before their first save, in the
// log's folder.
#include <QString>

// The initial name for the dialog: that folder, the log's base name and `extension`.
QString saveStartName(const QString &key, const QString &logPath, const QString &extension);
void rememberSaveFolder(const QString &key, const QString &chosen);
