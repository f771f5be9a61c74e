#include "fileio/patternmatcher.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <random>

namespace {

// Every match of the pattern in the subject, as (position, text).
QStringList allMatches(PatternMatcher &m, const QString &subject) {
    QStringList out;
    for (bool ok = m.Match(subject); ok; ok = m.MatchNext())
        out << QString::number(m.MatchStart()) + u':' + m.MatchedText();
    return out;
}

QStringList numbers(const QString &subject) {
    PatternMatcher m(patterns::kNumber);
    QStringList out;
    for (bool ok = m.Match(subject); ok; ok = m.MatchNext()) out << m.MatchedText();
    return out;
}

}  // namespace

TEST(PatternMatcher, NumberPatternTakesTheLongestMatchAtTheLeftmostPlace) {
    for (auto engine : {PatternMatcher::Engine::Auto, PatternMatcher::Engine::Posix}) {
        SCOPED_TRACE(engine == PatternMatcher::Engine::Auto ? "scanner" : "regexec");
        PatternMatcher m(patterns::kNumber, engine);
        auto list = [&](const QString &s) {
            QStringList out;
            for (bool ok = m.Match(s); ok; ok = m.MatchNext()) out << m.MatchedText();
            return out;
        };
        EXPECT_EQ(list("58.25"), QStringList{"58.25"});
        EXPECT_EQ(list("1.5e3"), QStringList{"1.5e3"});
        EXPECT_EQ(list("15e2"), (QStringList{"15", "2"}));
        EXPECT_EQ(list("12-13"), (QStringList{"12", "-13"}));
        EXPECT_EQ(list(",-.5,+7,1.,x.y"), (QStringList{"-.5", "+7", "1"}));
        EXPECT_EQ(list("1.5e+"), QStringList{"1.5"});
        EXPECT_EQ(list("no digits"), QStringList{});
    }
}

TEST(PatternMatcher, ScannerAgreesWithRegexecOnEdgeAndRandomTexts) {
    PatternMatcher fastNumber(patterns::kNumber), slowNumber(patterns::kNumber, PatternMatcher::Engine::Posix);
    PatternMatcher fastTime(patterns::kRecordTime), slowTime(patterns::kRecordTime, PatternMatcher::Engine::Posix);
    ASSERT_TRUE(fastNumber.usesScanner());
    ASSERT_TRUE(fastTime.usesScanner());
    ASSERT_FALSE(slowNumber.usesScanner());

    QStringList subjects = {"",
                            "-",
                            "+",
                            ".",
                            "-.",
                            "+.5",
                            "..5",
                            "1..5",
                            "1.2.3",
                            "1e5",
                            "1.e5",
                            ".5e-3x",
                            "1.5E+10",
                            "1.5e",
                            "1.5e-",
                            "--5",
                            "+-5",
                            "5-",
                            "0007",
                            "12:00:00",
                            "29:59:59",
                            "30:00:00",
                            "23:60:00",
                            "12:00:0",
                            "1:00:00",
                            " 12:00:00",
                            "12:00:00,20.5,21",
                            "\"12:00:00\",20.5",
                            "12:0a:00",
                            QString::fromLatin1("\xe9"
                                                "5\xb5.5")};
    // Random texts over the characters that matter to both patterns.
    const char alphabet[] = "0123456789.:-+eE ,a#";
    std::mt19937 rng(20040513);
    for (int i = 0; i < 20000; ++i) {
        QString s;
        const int len = int(rng() % 16);
        for (int k = 0; k < len; ++k) s += QChar(alphabet[rng() % (sizeof alphabet - 1)]);
        subjects << s;
    }
    for (const QString &s : subjects) {
        ASSERT_EQ(allMatches(fastNumber, s), allMatches(slowNumber, s)) << s.toStdString();
        ASSERT_EQ(allMatches(fastTime, s), allMatches(slowTime, s)) << s.toStdString();
    }
}

TEST(PatternMatcher, ReplaceAndResultText) {
    PatternMatcher hash(patterns::kHash);
    ASSERT_TRUE(hash.Match("#2004-5-13#"));
    EXPECT_EQ(hash.ResultText(), "#2004-5-13#");  // nothing replaced yet
    int replaced = 0;
    for (bool ok = true; ok; ok = hash.MatchNext()) replaced += hash.ReplaceMatch(QString());
    EXPECT_EQ(replaced, 2);
    EXPECT_EQ(hash.ResultText(), "2004-5-13");

    PatternMatcher number(patterns::kNumber);
    ASSERT_TRUE(number.Match("a1b22c"));
    EXPECT_TRUE(number.ReplaceMatch("<x>"));
    EXPECT_FALSE(number.ReplaceMatch("again"));  // the current match is gone
    ASSERT_TRUE(number.MatchNext());
    EXPECT_EQ(number.MatchedText(), "22");
    EXPECT_TRUE(number.ReplaceMatch(""));
    EXPECT_EQ(number.ResultText(), "a<x>bc");

    EXPECT_FALSE(number.Match("none"));
    EXPECT_FALSE(number.ReplaceMatch(""));
    EXPECT_EQ(number.ResultText(), "none");
    EXPECT_EQ(number.MatchedText(), "");
}

TEST(PatternMatcher, QuotedTextIsLiteralAndCaseCounts) {
    PatternMatcher key(patterns::key("Serial Number2:"));
    EXPECT_TRUE(key.Match("x,Serial Number2:,1735"));
    EXPECT_EQ(key.MatchStart(), 2);
    EXPECT_FALSE(key.Match("serial number2:"));

    PatternMatcher dots("\"a.b(c)*\"");
    EXPECT_TRUE(dots.Match("xa.b(c)*y"));
    EXPECT_FALSE(dots.Match("axb(c)"));  // the point is not a wildcard inside quotes

    // "^" holds only at the start of the subject, also for the next match.
    PatternMatcher header(patterns::kColumnHeader, PatternMatcher::Engine::Posix);
    EXPECT_TRUE(header.Match("TimeTime"));
    EXPECT_FALSE(header.MatchNext());
    EXPECT_FALSE(header.Match(" Time"));

    EXPECT_THROW(PatternMatcher("([unclosed"), std::invalid_argument);
}

TEST(PatternMatcher, ColumnNamesAndLatin1Subjects) {
    PatternMatcher name(patterns::kColumnName);
    QStringList names;
    for (bool ok = name.Match("Time,Therm 1,pH-1,Total_Vol./h"); ok; ok = name.MatchNext()) names << name.MatchedText();
    EXPECT_EQ(names, (QStringList{"Time", "Therm 1", "pH-1", "Total_Vol./h"}));
    // A Latin-1 letter is no name character (ranges are by code, not by the user's locale),
    // and a NUL inside the line does not end it.
    names.clear();
    const QString subject = QString::fromLatin1(QByteArray("Temp\xb0"
                                                           "C\0pH",
                                                           9));
    for (bool ok = name.Match(subject); ok; ok = name.MatchNext()) names << name.MatchedText();
    EXPECT_EQ(names, (QStringList{"Temp", "C", "pH"}));
    EXPECT_EQ(numbers(QString::fromLatin1("\xb1"
                                          "7.5\xb0")),
              QStringList{"7.5"});
}

TEST(PatternMatcher, ClassifierScannersAgreeWithRegexec) {
    const QString patternsUnderTest[] = {patterns::kStartDate,    patterns::kColumnName,
                                         patterns::kColumnHeader, patterns::kHash,
                                         patterns::key("Slope:"), patterns::key("Probe 1 Slope:")};
    QStringList subjects = {"#2004-5-13#",
                            "x#1999-12-31#y#2004-1-1#",
                            "#2004-5-#",
                            "##2004-05-13##",
                            "#3004-5-13#",
                            "#2104-5-13",
                            "#2004--13#",
                            "Time,Therm 1,pH-1",
                            "TimeTime",
                            " Time",
                            "Slope:Slope2:",
                            "Probe 1 Slope: 0.98",
                            QString::fromLatin1("T\xe9me/_.x")};
    const char alphabet[] = "0129-#TimeSlop: 1_/.,\"P";
    std::mt19937 rng(20040602);
    for (int i = 0; i < 20000; ++i) {
        QString s;
        const int len = int(rng() % 24);
        for (int k = 0; k < len; ++k) s += QChar(alphabet[rng() % (sizeof alphabet - 1)]);
        subjects << s;
    }
    for (const QString &pattern : patternsUnderTest) {
        PatternMatcher fast(pattern), slow(pattern, PatternMatcher::Engine::Posix);
        ASSERT_TRUE(fast.usesScanner()) << pattern.toStdString();
        for (const QString &s : subjects) ASSERT_EQ(allMatches(fast, s), allMatches(slow, s)) << s.toStdString();
    }
    // A search that starts inside the subject finds what the rest of it holds.
    PatternMatcher number(patterns::kNumber);
    ASSERT_TRUE(number.Match("08:00:00,7.5", 8));
    EXPECT_EQ(number.MatchedText(), "7.5");
    EXPECT_FALSE(number.Match("12", 3));
}
