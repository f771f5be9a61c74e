#pragma once
// brinewick-export's road for a CSV alone: the log is read in blocks of records, and each
// block is computed, flagged and written before the next is read, so the table is never held
// whole. The output is the one the whole table gives, byte for byte.
#include "export/exportcli.h"

#include <optional>

// Records handed on at a time.
inline constexpr int kStreamBlockRecords = 16384;

// Whether the options ask for nothing that needs the whole table: a CSV, and no plot, report,
// buffer points or statistics.
bool canStreamExport(const ExportOptions &options);

// Runs the export of the options' log to their CSV; messages go through `ui` as the whole
// road gives them, failures to standard error. Returns the exit status.
int streamExport(const ExportOptions &options, StderrInteraction &ui, int blockRecords = kStreamBlockRecords);

// Whether the options ask for a deployment's CSV (and its statistics) that can be streamed:
// --join of several logs with --all-records, no range, and nothing that needs the whole table.
bool canStreamJoin(const ExportOptions &options);

// The --join export streamed: the logs read one at a time in the order of their first record,
// each record written once no later log can meet it. Nothing (and nothing written or told)
// when the logs need the whole road: a log that cannot be read or tells a message, logs whose
// columns or probes differ, or a later log wider than the first rows.
std::optional<int> streamJoin(const ExportOptions &options, StderrInteraction &ui,
                              int blockRecords = kStreamBlockRecords);
