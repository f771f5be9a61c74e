#include "fileio/classifyline.h"
#include "model/datetime.h"
#include "model/numbertext.h"
#include "support/scripted_interaction.h"

#include <QFile>
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>

namespace {

struct Classified {
    int code;
    QString line;
    Values values;
};

Classified classify(const QString &text, ScriptedInteraction &ui) {
    Classified c{0, text, {}};
    c.code = classifyLine(c.line, c.values, ui);
    return c;
}

Classified classify(const QString &text) {
    ScriptedInteraction ui;
    Classified c = classify(text, ui);
    EXPECT_TRUE(ui.messages.isEmpty()) << text.toStdString();
    return c;
}

std::vector<Cell> cells(std::initializer_list<Cell> l) { return l; }

}  // namespace

TEST(ClassifyLine, BlankAndUnknownLines) {
    EXPECT_EQ(classify("").code, linecode::Blank);
    EXPECT_EQ(classify("\"\"").code, linecode::Blank);
    EXPECT_EQ(classify("pH Probe Logger").code, linecode::Other);
    EXPECT_EQ(classify(" 12:00:00,1,2").code, linecode::Other);  // a leading blank: no record
    EXPECT_EQ(classify("Slope2:,57.9").code, linecode::Other);   // Slope2 without Slope
    EXPECT_EQ(classify("#1850-1-1#").code, linecode::Other);     // second year digit 8

    // Codes without a value reset the values to one empty entry from step 4 on.
    Classified c = classify("unknown");
    EXPECT_EQ(c.values.list, cells({Cell()}));
}

TEST(ClassifyLine, RecordsQuotedOrNot) {
    Classified quoted = classify("\"12:00:00\",20.5,21,19.75");
    EXPECT_EQ(quoted.code, linecode::Record);
    EXPECT_EQ(quoted.line, "12:00:00,20.5,21,19.75");
    EXPECT_EQ(quoted.values.list, cells({Cell("12:00:00"), 20.5, 21.0, 19.75}));
    EXPECT_EQ(classify("12:00:00,20.5,21,19.75").values.list, quoted.values.list);

    // The time's own digits are not numbers of the record.
    EXPECT_EQ(classify("29:59:59").values.list, cells({Cell("29:59:59")}));
    EXPECT_EQ(classify("08:00:00 1.5e3 15e2 12-13 +4 -.5").values.list,
              cells({Cell("08:00:00"), 1500.0, 15.0, 2.0, 12.0, -13.0, 4.0, -0.5}));
    EXPECT_EQ(classify("08:00:00,58.25").values.list, cells({Cell("08:00:00"), 58.25}));
    EXPECT_EQ(classify("30:00:00,1").code, linecode::Other);
    EXPECT_EQ(classify("12:60:00,1").code, linecode::Other);
    // A number beyond a double's range is left empty rather than failing the line.
    EXPECT_EQ(classify("08:00:00,1.0e999,2").values.list, cells({Cell("08:00:00"), Cell(), 2.0}));
}

TEST(ClassifyLine, ColumnHeaderNames) {
    Classified c = classify("\"Time\",\"Therm 1\",\"pH-1\",\"Total_Vol./h\"");
    EXPECT_EQ(c.code, linecode::ColumnHeader);
    EXPECT_EQ(c.values.list, cells({Cell("Time"), Cell("Therm 1"), Cell("pH-1"), Cell("Total_Vol./h"), Cell()}));
    EXPECT_EQ(classify("Time Therm1").values.list, cells({Cell("Time Therm1"), Cell()}));
    EXPECT_EQ(classify("Timestamp,a").values.list, cells({Cell("Timestamp"), Cell("a"), Cell()}));
    EXPECT_EQ(classify("Time, Flow ,").values.list, cells({Cell("Time"), Cell("Flow"), Cell()}));
    EXPECT_EQ(classify("time,a").code, linecode::Other);
}

TEST(ClassifyLine, StartDateValidity) {
    Classified c = classify("\"Start Date:\",#2004-5-13#");
    EXPECT_EQ(c.code, linecode::StartDate);
    EXPECT_EQ(c.values.value, Cell("2004-5-13"));
    EXPECT_EQ(startDateValue(c.values.value.string()), dt::fromDate(2004, 5, 13));
    EXPECT_EQ(startDateValue(u" 2004-05-013 "), dt::fromDate(2004, 5, 13));

    // A #-date wins over a key on the same line.
    EXPECT_EQ(classify("Probe 1 Calibration Date:,#2004-5-12#").code, linecode::StartDate);

    for (const char *bad : {"#2004-13-45#", "#2003-2-29#", "#2004-0-1#"}) {
        ScriptedInteraction ui;
        EXPECT_EQ(classify(bad, ui).code, linecode::InvalidStartDate) << bad;
        ASSERT_EQ(ui.messages.size(), 1);
        const RecordedMessage &m = ui.messages[0];
        EXPECT_EQ(m.text,
                  "parsing error, I thought there should be a date here\r\nbut its invalid format. I'll ignore it");
        EXPECT_EQ(m.title, "Brinewick");
        EXPECT_EQ(m.buttons, MsgButtons::Ok);
        EXPECT_EQ(m.icon, MsgIcon::None);
    }
    EXPECT_FALSE(startDateValue(u"2004-99999999999-1"));
}

TEST(ClassifyLine, PerProbeNumbers) {
    Classified s1 = classify("\"Probe 1 Slope:\",58.2");
    EXPECT_EQ(s1.code, linecode::Slope1);
    EXPECT_EQ(s1.values.value, Cell(58.2));
    EXPECT_EQ(s1.line, "Probe 1 Slope:,58.2");  // only quotes are removed from a slope line
    EXPECT_EQ(classify("Probe 2 Slope: -57.9").values.value, Cell(-57.9));
    EXPECT_EQ(classify("Probe 2 Slope: -57.9").code, linecode::Slope2);
    EXPECT_EQ(classify("Probe 1 Slope:").values.value, Cell(0.0));
    EXPECT_EQ(classify("Probe 1 Offset:,0.0125").code, linecode::Offset1);
    Classified o2 = classify("Probe 2 Offset:,-1.25e-2");
    EXPECT_EQ(o2.code, linecode::Offset2);
    EXPECT_EQ(o2.values.value, Cell(-0.0125));
    // Probe 2's key is looked for in the unchanged line: its first number is probe 1's "1".
    Classified both = classify("Probe 1 Slope:,58,Probe 2 Slope:,57");
    EXPECT_EQ(both.code, linecode::Slope2);
    EXPECT_EQ(both.values.value, Cell(1.0));
}

TEST(ClassifyLine, SerialNumbersAndCalibrationDatesKeepTheirSeparator) {
    Classified s = classify("\"Probe 1 Serial Number:\",\"A-17\"");
    EXPECT_EQ(s.code, linecode::SerialNumber1);
    EXPECT_EQ(s.values.value, Cell(",A-17"));
    EXPECT_EQ(s.line, ",A-17");
    EXPECT_EQ(classify("Probe 2 Serial Number: B 9 ").values.value, Cell(" B 9 "));
    Classified d = classify("\"Probe 2 Calibration Date:\",\"5/12/2004\"");
    EXPECT_EQ(d.code, linecode::CalibrationDate2);
    EXPECT_EQ(d.values.value, Cell(",5/12/2004"));
    Classified both = classify("Probe 1 Serial Number:1,Probe 2 Serial Number:2");
    EXPECT_EQ(both.code, linecode::SerialNumber2);
    EXPECT_EQ(both.values.value, Cell("1,2"));
}

TEST(ClassifyLine, BothProbeLinesWithZeroOneAndTwoNumbers) {
    Classified two = classify("Slope:,58.1,Slope2:,57.9");
    EXPECT_EQ(two.code, linecode::BothSlopes);
    EXPECT_EQ(two.values.list, cells({Cell("58.1"), Cell("57.9"), Cell()}));
    EXPECT_EQ(two.line, "Slope:,58.1,Slope2:,57.9");
    EXPECT_EQ(classify("Slope: 58.1").values.list, cells({Cell("58.1"), Cell()}));
    EXPECT_EQ(classify("Slope:").values.list, cells({Cell()}));

    Classified off = classify("\"Offset:\",1.5e-2,\"Offset2:\",-2");
    EXPECT_EQ(off.code, linecode::BothOffsets);
    EXPECT_EQ(off.values.list, cells({Cell("1.5e-2"), Cell("-2"), Cell()}));

    Classified ser = classify("Serial Number:,1734,Serial Number2:,A-1735");
    EXPECT_EQ(ser.code, linecode::BothSerialNumbers);
    EXPECT_EQ(ser.values.list, cells({Cell("1734"), Cell("-1735"), Cell()}));
}

TEST(NumberValue, ConvertsEveryFormOfTheNumberPattern) {
    EXPECT_EQ(numberValue(u"58.25"), 58.25);
    EXPECT_EQ(numberValue(u"+7"), 7.0);
    EXPECT_EQ(numberValue(u"-.5"), -0.5);
    EXPECT_EQ(numberValue(u"1.5E+3"), 1500.0);
    EXPECT_EQ(numberValue(u"0000000000000000000000000000000000000000000000000000000000000000000012"), 12.0);
    EXPECT_FALSE(numberValue(u"1.0e999"));
}

// Below a double's range a number is 0 of its sign (underflow), above it no number.
TEST(NumberValue, UnderflowIsZeroOverflowNoNumber) {
    EXPECT_EQ(numberValue(u"1.0e-400"), 0.0);
    const std::optional<double> negative = numberValue(u"-1.0e-400");
    ASSERT_TRUE(negative);
    EXPECT_TRUE(*negative == 0.0 && std::signbit(*negative));
    EXPECT_EQ(numberValue(u"4.9e-324"), 4.9e-324);  // the smallest subnormal is still a number
    EXPECT_EQ(numberValue(u"+.1e-999"), 0.0);
    EXPECT_FALSE(numberValue(u"1.5e309"));
    const Classified c = classify("08:00:00,1.0e-400,1.0e999,-2.5e-330,7");
    ASSERT_EQ(c.values.list.size(), 5u);
    EXPECT_EQ(c.values.list[1], Cell(0.0));
    EXPECT_TRUE(c.values.list[2].isEmpty());
    EXPECT_EQ(c.values.list[3], Cell(-0.0));
    EXPECT_EQ(c.values.list[4], Cell(7.0));
    // The same for a number typed into a field or read from a both-probe line.
    EXPECT_EQ(readNumber(u" 1e-400 "), 0.0);
    EXPECT_EQ(readNumber(u"+1.0E-400"), 0.0);
    EXPECT_FALSE(readNumber(u"1e999"));
    EXPECT_FALSE(readNumber(u"1e-400x"));
    EXPECT_FALSE(readNumber(u"0x1p-2000"));
}

TEST(NumberValue, AgreesWithAnExactConversionOnRandomNumbers) {
    std::mt19937_64 rng(58);
    auto digits = [&](int n) {
        std::string s;
        for (int i = 0; i < n; ++i) s += char('0' + rng() % 10);
        return s;
    };
    for (int i = 0; i < 200000; ++i) {
        std::string s = rng() % 4 == 0 ? "-" : "";
        s += digits(int(rng() % 9));
        // Appended piece by piece: GCC's -O3 warns (-Wrestrict) on a "." + std::string temporary.
        if (rng() % 3 || s.empty() || s == "-") s.append(".").append(digits(1 + int(rng() % 12)));
        if (s.find('.') != std::string::npos && rng() % 3 == 0)
            s.append(rng() % 2 ? "e-" : "E").append(std::to_string(rng() % 40));
        double expected = 0;
        std::from_chars(s.data(), s.data() + s.size(), expected);
        const std::optional<double> got = numberValue(QString::fromStdString(s));
        ASSERT_TRUE(got) << s;
        ASSERT_EQ(std::memcmp(&*got, &expected, sizeof expected), 0) << s;  // bit for bit, -0 included
    }
}

namespace {

// Peak resident memory since the last reset, and the reset (Linux: "5" to clear_refs).
qint64 statusKb(const char *key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(std::strlen(key))).trimmed().split(' ').value(0).toLongLong();
    return -1;
}
bool resetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

}  // namespace

// The classifier's matchers share the line, not copy it: classifying a long line costs no more
// than a small part of the line itself (the line is 2 bytes a character).
TEST(ClassifyLine, ALongLineIsNotCopiedPerMatcher) {
    constexpr qsizetype kChars = 20 * 1024 * 1024;
    ScriptedInteraction ui;
    struct Case {
        const char *name;
        QByteArray start, fill;
        int code;
    };
    const Case cases[] = {{"record", "08:00:00", ",7", linecode::Record},
                          {"junk", "", "x", linecode::Other},
                          {"header", "Time", ",a", linecode::ColumnHeader},
                          {"dates", "", "#2004-5-", linecode::Other}};
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer's own memory hides what the classifier takes";
#endif
    if (!resetPeak()) GTEST_SKIP() << "no /proc/self/clear_refs";
    for (const Case &c : cases) {
        QString line = QString::fromLatin1(c.start + c.fill.repeated((kChars - c.start.size()) / c.fill.size()));
        Values values;
        ASSERT_TRUE(resetPeak());
        const qint64 before = statusKb("VmRSS:");
        EXPECT_EQ(classifyLine(line, values, ui), c.code) << c.name;
        const qint64 extraKb = statusKb("VmHWM:") - before;
        const qint64 lineKb = line.size() * 2 / 1024;
        EXPECT_LE(extraKb, lineKb / 2) << c.name << ": " << extraKb << " kB over a line of " << lineKb << " kB";
    }
}
