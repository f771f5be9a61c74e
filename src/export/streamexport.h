#pragma once
// brinewick-export's road for a CSV alone: the log is read in blocks of records, and each
// block is computed, flagged and written before the next is read, so the table is never held
// whole. The output is the one the whole table gives, byte for byte.
#include "export/exportcli.h"

// Records handed on at a time.
inline constexpr int kStreamBlockRecords = 16384;

// Whether the options ask for nothing that needs the whole table: a CSV, and no plot, report,
// buffer points or statistics.
bool canStreamExport(const ExportOptions &options);

// Runs the export of the options' log to their CSV; messages go through `ui` as the whole
// road gives them, failures to standard error. Returns the exit status.
int streamExport(const ExportOptions &options, StderrInteraction &ui, int blockRecords = kStreamBlockRecords);
