#pragma once
// What the plot may take from the range fields while the person types in them: a text that
// is no complete date-time or number yet, or a pair out of order, leaves the last valid range.
#include <QString>

struct RangeTexts {
    QString start, end;  // txtStart, txtEnd
    QString yMin, yMax;  // txtYMin, txtYMax
};

// Why a field's text breaks the order of its pair; empty when it does not.
struct RangeProblems {
    QString start, end, yMin, yMax;
};

// A date-time with its date written out in full (a four-digit year): "8/1/20" is on its way.
bool isCompleteDateTime(const QString &text);

// Takes the pairs of `now` whose texts are complete and in order into `valid`; a pair out of
// order is kept as it was, and the field that broke the order (the one that changed since the
// texts `seen` last time; End or Max when both or neither did) is named with the reason.
RangeProblems takeValidRange(const RangeTexts &now, RangeTexts &valid, RangeTexts &seen);
