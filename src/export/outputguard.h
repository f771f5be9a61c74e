#pragma once
// Before anything is written: no output of a run may be the same file as one of its inputs or
// as another of its outputs. Links count: files are compared by canonical path and by device
// and inode.
#include <QList>
#include <QString>

struct NamedFile {
    QString what;  // how a message names it: "--csv", "the log"
    QString path;  // "-" stands for standard input (an input) or standard output (an output)
};

// A message naming both files of the first clash, empty when every output is a file of its own.
QString sameFileConflict(const QList<NamedFile> &inputs, const QList<NamedFile> &outputs);
