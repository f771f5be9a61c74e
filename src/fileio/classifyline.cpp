#include "fileio/classifyline.h"

#include "fileio/patternmatcher.h"
#include "model/datetime.h"
#include "model/numbertext.h"

#include <charconv>
#include <string>

using namespace linecode;

namespace {

Cell numberCell(QStringView text) {
    const std::optional<double> v = numberValue(text);
    return v ? Cell(*v) : Cell();
}

// The classifier's matchers, set up once per run.
struct Matchers {
    PatternMatcher time{patterns::kRecordTime}, number{patterns::kNumber};
    PatternMatcher header{patterns::kColumnHeader}, name{patterns::kColumnName};
    PatternMatcher date{patterns::kStartDate}, hash{patterns::kHash};
    PatternMatcher slope1{patterns::key("Probe 1 Slope:")}, slope2{patterns::key("Probe 2 Slope:")};
    PatternMatcher offset1{patterns::key("Probe 1 Offset:")}, offset2{patterns::key("Probe 2 Offset:")};
    PatternMatcher serial1{patterns::key("Probe 1 Serial Number:")}, serial2{patterns::key("Probe 2 Serial Number:")};
    PatternMatcher calDate1{patterns::key("Probe 1 Calibration Date:")},
        calDate2{patterns::key("Probe 2 Calibration Date:")};
    PatternMatcher bothSlope1{patterns::key("Slope:")}, bothSlope2{patterns::key("Slope2:")};
    PatternMatcher bothOffset1{patterns::key("Offset:")}, bothOffset2{patterns::key("Offset2:")};
    PatternMatcher bothSerial1{patterns::key("Serial Number:")}, bothSerial2{patterns::key("Serial Number2:")};

    // Every matcher lets go of the line once it is classified: a long line must not stay
    // alive in a dozen copies until the next one comes. A record used only the first two.
    void release(bool recordOnly) {
        time.release();
        number.release();
        if (recordOnly) return;
        for (PatternMatcher *m :
             {&header, &name, &date, &hash, &slope1, &slope2, &offset1, &offset2, &serial1, &serial2, &calDate1,
              &calDate2, &bothSlope1, &bothSlope2, &bothOffset1, &bothOffset2, &bothSerial1, &bothSerial2})
            m->release();
    }
};

// One set per thread: the halves of a long read are classified at once.
Matchers &matchers() {
    thread_local Matchers m;
    return m;
}

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

// Step 3: a line that starts with a time of day is a record.
int testRecord(const QString &line, Values &values, Matchers &m) {
    PatternMatcher &time = m.time, &number = m.number;
    if (!time.Match(line)) return 0;
    values.list.clear();
    values.list.emplace_back(time.MatchedText());
    const qsizetype timeEnd = time.MatchStart() + time.MatchedView().size();
    // With commas each field is one position: a field without a number ("", ERR, NaN) is an
    // empty cell, so the values after it keep their columns.
    const bool fields = line.indexOf(u',', timeEnd) >= 0;
    qsizetype after = timeEnd;  // the end of the last number, or of the time
    // The numbers after the time, found in the line itself: no copy of the line without it.
    const std::size_t cap = kMaxValues + 2;  // the time, kMaxValues numbers, one to tell a cut
    for (bool ok = number.Match(line, timeEnd); ok && values.list.size() < cap; ok = number.MatchNext()) {
        if (fields) {
            const qsizetype start = number.MatchStart();
            // The first comma ends the field before; each further one an empty field.
            for (qsizetype k = QStringView(line).sliced(after, start - after).count(u',') - 1;
                 k > 0 && values.list.size() < cap; --k)
                values.list.emplace_back();
            after = start + number.MatchedView().size();
        }
        if (values.list.size() < cap) values.list.push_back(numberCell(number.MatchedView()));
    }
    if (fields) {
        // Fields after the last number up to the last one that holds anything; empty fields at
        // the end add nothing.
        QStringView rest = QStringView(line).sliced(after);
        while (!rest.isEmpty() && (isBlank(rest.back()) || rest.back() == u',')) rest.chop(1);
        for (qsizetype k = rest.count(u','); k > 0 && values.list.size() < cap; --k) values.list.emplace_back();
    }
    return Record;
}

// Step 5: the column names, the leading "Time" included, then one empty entry.
int testColumnHeader(const QString &line, Values &values, Matchers &m) {
    PatternMatcher &header = m.header, &name = m.name;
    if (!header.Match(line)) return 0;
    values.list.clear();
    for (bool ok = name.Match(line); ok && values.list.size() <= std::size_t(kMaxValues); ok = name.MatchNext())
        values.list.emplace_back(name.MatchedView().trimmed().toString());
    values.list.emplace_back();
    return ColumnHeader;
}

// Step 6: a #yyyy-m-d# anywhere makes the line a start-date line, valid or not.
int testStartDate(const QString &line, Values &values, IInteraction &ui, Matchers &m) {
    PatternMatcher &date = m.date, &hash = m.hash;
    if (!date.Match(line)) return 0;
    for (bool ok = hash.Match(date.MatchedText()); ok; ok = hash.MatchNext()) hash.ReplaceMatch(QString());
    const QString text = hash.ResultText();
    if (startDateValue(text)) {
        values.value = Cell(text);
        return StartDate;
    }
    ui.message(QStringLiteral("parsing error, I thought there should be a date here\r\n"
                              "but its invalid format. I'll ignore it"),
               kAppTitle, MsgButtons::Ok, MsgIcon::None);
    return InvalidStartDate;
}

Cell firstNumberWithout(PatternMatcher &key, PatternMatcher &number) {
    key.ReplaceMatch(QString());
    return number.Match(key.ResultText()) ? numberCell(number.MatchedView()) : Cell(0.0);
}

// Steps 7 and 8: a per-probe number; probe 2's key is looked for in the unchanged line.
int testProbeNumber(const QString &line, Values &values, PatternMatcher &key1, PatternMatcher &key2,
                    PatternMatcher &number, int code1) {
    int code = 0;
    if (key1.Match(line)) {
        values.value = firstNumberWithout(key1, number);
        code = code1;
    }
    if (key2.Match(line)) {
        values.value = firstNumberWithout(key2, number);
        code = code1 + 1;
    }
    return code;
}

// Steps 9 and 10: the keys come out of the line, the rest is the value, untrimmed.
int testProbeText(QString &line, Values &values, PatternMatcher &key1, PatternMatcher &key2, int code1) {
    int code = 0;
    if (key1.Match(line)) {
        key1.ReplaceMatch(QString());
        line = key1.ResultText();
        code = code1;
    }
    if (key2.Match(line)) {
        key2.ReplaceMatch(QString());
        line = key2.ResultText();
        code = code1 + 1;
    }
    if (code) values.value = Cell(line);
    return code;
}

// Steps 11 to 13: both probes on one line; every number as text, then one empty entry.
int testBoth(const QString &line, Values &values, PatternMatcher &key1, PatternMatcher &key2, PatternMatcher &number,
             int code) {
    if (!key1.Match(line)) return 0;
    key1.ReplaceMatch(QString());
    QString rest = key1.ResultText();
    if (key2.Match(rest)) {
        key2.ReplaceMatch(QString());
        rest = key2.ResultText();
    }
    values.list.clear();
    for (bool ok = number.Match(rest); ok && values.list.size() < std::size_t(kMaxValues); ok = number.MatchNext())
        values.list.emplace_back(number.MatchedView().trimmed().toString());
    values.list.emplace_back();
    return code;
}

int testSlope(const QString &line, Values &values, Matchers &m) {
    return testProbeNumber(line, values, m.slope1, m.slope2, m.number, Slope1);
}

int testOffset(const QString &line, Values &values, Matchers &m) {
    return testProbeNumber(line, values, m.offset1, m.offset2, m.number, Offset1);
}

int testSerialNumber(QString &line, Values &values, Matchers &m) {
    return testProbeText(line, values, m.serial1, m.serial2, SerialNumber1);
}

int testCalibrationDate(QString &line, Values &values, Matchers &m) {
    return testProbeText(line, values, m.calDate1, m.calDate2, CalibrationDate1);
}

int testBothSlopes(const QString &line, Values &values, Matchers &m) {
    return testBoth(line, values, m.bothSlope1, m.bothSlope2, m.number, BothSlopes);
}

int testBothOffsets(const QString &line, Values &values, Matchers &m) {
    return testBoth(line, values, m.bothOffset1, m.bothOffset2, m.number, BothOffsets);
}

int testBothSerialNumbers(const QString &line, Values &values, Matchers &m) {
    return testBoth(line, values, m.bothSerial1, m.bothSerial2, m.number, BothSerialNumbers);
}

}  // namespace

namespace {

int classifyWith(QString &line, Values &values, IInteraction &ui, Matchers &m) {
    if (int code = testRecord(line, values, m)) return code;
    values.list.assign(1, Cell());
    values.value = Cell();
    if (int code = testColumnHeader(line, values, m)) return code;
    if (int code = testStartDate(line, values, ui, m)) return code;
    if (int code = testSlope(line, values, m)) return code;
    if (int code = testOffset(line, values, m)) return code;
    if (int code = testSerialNumber(line, values, m)) return code;
    if (int code = testCalibrationDate(line, values, m)) return code;
    if (int code = testBothSlopes(line, values, m)) return code;
    if (int code = testBothOffsets(line, values, m)) return code;
    if (int code = testBothSerialNumbers(line, values, m)) return code;
    return Other;
}

}  // namespace

int classifyLine(QString &line, Values &values, IInteraction &ui) {
    line.remove(u'"');
    if (line.isEmpty()) return Blank;
    Matchers &m = matchers();
    const int code = classifyWith(line, values, ui, m);
    m.release(code == Record);
    return code;
}

std::optional<double> startDateValue(QStringView text) {
    const QStringView t = text.trimmed();
    const qsizetype first = t.indexOf(u'-'), second = first < 0 ? -1 : t.indexOf(u'-', first + 1);
    if (second < 0) return std::nullopt;
    bool okY = false, okM = false, okD = false;
    const int y = t.left(first).toInt(&okY);
    const int m = t.mid(first + 1, second - first - 1).toInt(&okM);
    const int d = t.mid(second + 1).toInt(&okD);
    if (!okY || !okM || !okD || !dt::isValidDate(y, m, d)) return std::nullopt;
    return dt::fromDate(y, m, d);
}

std::optional<double> numberValue(QStringView text) {
    // Number matches are ASCII; from_chars is exact and takes no "+" sign. (A hand-written
    // fast path measured no faster on record numbers, so there is none.)
    if (text.startsWith(u'+')) text = text.mid(1);
    char small[64];
    std::string large;
    char *buf = small;
    if (text.size() > qsizetype(sizeof small)) {
        large.resize(std::size_t(text.size()));
        buf = large.data();
    }
    for (qsizetype i = 0; i < text.size(); ++i) buf[i] = char(text[i].unicode());
    return decimalNumber(buf, buf + text.size());
}
