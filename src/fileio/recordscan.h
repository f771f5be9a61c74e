#pragma once
// The quick road for record lines: the time of day and the numbers after it read from the raw
// bytes in one pass, with no text made. A line the scan does not fully accept goes to the
// classifier, which reads every line the same, only slower.
#include "fileio/classifyline.h"

#include <QByteArrayView>
#include <array>
#include <optional>

struct ScannedRecord {
    int hour = 0, minute = 0, second = 0;
    int count = 0;  // numbers after the time
    std::array<double, kMaxValues> numbers;
};

// True when the line is a record whose fields the classifier reads as the scan does: a time of
// day (in double quotes or not), then numbers apart by commas, blanks or tabs. False for any
// other line, for records with more than kMaxValues numbers or a number beyond a double, and
// for an empty field between two commas.
bool scanRecord(QByteArrayView line, ScannedRecord &out);

// A match of the number pattern as numberValue reads it, bit for bit: short decimals here,
// anything else (exponents, long mantissas) through the general reader.
std::optional<double> recordNumber(const char *first, const char *last);
