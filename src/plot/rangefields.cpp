#include "plot/rangefields.h"

#include "model/datetime.h"
#include "model/numbertext.h"

#include <QRegularExpression>
#include <cmath>

bool isCompleteDateTime(const QString &text) {
    static const QRegularExpression fullDate(QStringLiteral("(^|[^0-9])[0-9]{4}([^0-9]|$)"));
    return dt::parse(text).has_value() && fullDate.match(text).hasMatch();
}

namespace {
// One pair: the first value must lie below the second.
template <typename Read>
void takePair(const QString &low, const QString &high, const QString &seenLow, const QString &seenHigh,
              QString &validLow, QString &validHigh, QString &lowWhy, QString &highWhy, Read read,
              const char *lowReason, const char *highReason) {
    const auto a = read(low), b = read(high);
    if (!a || !b) return;  // still being typed: the focus-loss check speaks for it
    if (*a < *b) {
        validLow = low;
        validHigh = high;
        return;
    }
    if (high != seenHigh || low == seenLow)
        highWhy = QString::fromLatin1(highReason);
    else
        lowWhy = QString::fromLatin1(lowReason);
}
}  // namespace

RangeProblems takeValidRange(const RangeTexts &now, RangeTexts &valid, RangeTexts &seen) {
    RangeProblems p;
    const auto date = [](const QString &t) { return isCompleteDateTime(t) ? dt::parse(t) : std::nullopt; };
    const auto number = [](const QString &t) {
        const std::optional<double> v = readNumber(t);
        return v && std::isfinite(*v) ? v : std::nullopt;
    };
    takePair(now.start, now.end, seen.start, seen.end, valid.start, valid.end, p.start, p.end, date,
             "Start must be earlier than End", "End must be later than Start");
    takePair(now.yMin, now.yMax, seen.yMin, seen.yMax, valid.yMin, valid.yMax, p.yMin, p.yMax, number,
             "Min must be below Max", "Max must be above Min");
    seen = now;
    return p;
}
