// Number and date-time text operations of the formatter.
#include "fields/formatter.h"

#include <gtest/gtest.h>

using namespace modFormatterConstants;

namespace {

struct NumberCase {
    const char *in;
    int places;
    int flags;
    bool ok;
    const char *out;  // the text afterwards (as typed when refused)
};

}  // namespace

TEST(FormatterNumbers, FixedNumericRoundsAndRefuses) {
    const Formatter f;
    const NumberCase cases[] = {
        {"1.5", 4, 0, true, "1.5000"},
        {"-2.71828", 4, 0, true, "-2.7183"},
        {" 2 ", 4, 0, true, "2.0000"},
        {"1.00005", 4, 0, true, "1.0001"},  // half away from zero on the decimal form
        {"0.125", 2, 0, true, "0.13"},
        {"-0.125", 2, 0, true, "-0.13"},
        {"9.995", 2, 0, true, "10.00"},      // carry into a new digit
        {"-0.00001", 4, 0, true, "0.0000"},  // no "-0.0000"
        {"1e3", 2, 0, true, "1000.00"},
        {".5", 3, 0, true, "0.500"},
        {"123456789012.345", 2, 0, true, "123456789012.35"},
        {"2.50", 0, 0, true, "2.5"},  // general form
        {"2.50", -3, 0, true, "2.5"},
        {"100", 0, 0, true, "100"},
        {"-0.0125", 0, 0, true, "-0.0125"},
        {"abc", 4, 0, false, "abc"},
        {"1.2.3", 4, 15, false, "1.2.3"},
        {"1,5", 4, 0, false, "1,5"},
        {"nan", 2, 0, false, "nan"},
        {"inf", 2, 0, false, "inf"},
        {"", 4, 0, true, ""},
        {"", 4, 19, true, ""},  // flags 19 carry no fmtRequired
        {"", 4, fmtRequired, false, ""},
        {"   ", 4, 0, false, "   "},  // blanks are not empty
    };
    for (const NumberCase &c : cases) {
        QString s = QString::fromLatin1(c.in);
        EXPECT_EQ(f.FormatFixedNumeric(s, c.flags, qint16(c.places)), c.ok) << c.in;
        EXPECT_EQ(s, QString::fromLatin1(c.out)) << c.in;
    }
}

TEST(FormatterNumbers, ScientificMantissaAndExponent) {
    const Formatter f;
    const NumberCase cases[] = {
        {"654.3", 3, 0, true, "6.543e02"},
        {"0.00012", 3, 0, true, "1.2e-04"},
        {"-654.3", 2, 0, true, "-6.54e02"},
        {"9.9999", 2, 0, true, "1e01"},  // rounding carries into the exponent
        {"1", 3, 0, true, "1e00"},
        {"0", 2, 0, true, "0e00"},
        {"1.5e300", 1, 0, true, "1.5e300"},
        {"12.50", 0, 0, true, "12.5"},
        {"x", 2, 0, false, "x"},
        {"", 2, 0, true, ""},
        {"", 2, fmtRequired, false, ""},
    };
    for (const NumberCase &c : cases) {
        QString s = QString::fromLatin1(c.in);
        EXPECT_EQ(f.FormatScientific(s, c.flags, qint16(c.places)), c.ok) << c.in;
        EXPECT_EQ(s, QString::fromLatin1(c.out)) << c.in;
    }
}

TEST(FormatterNumbers, LongComparesTheRoundedValueAndNeverRewrites) {
    const Formatter f;
    struct L {
        const char *in;
        int flags;
        std::optional<double> min, max;
        bool ok;
    };
    const L cases[] = {
        {"12.4", fmtCheckRange, 1, 12, true},
        {"12.7", fmtCheckRange, 1, 12, false},  // 13
        {"12.5", fmtCheckRange, 1, 12, true},   // halves to even: 12
        {"13.5", fmtCheckRange, 1, 14, true},   // 14
        {"13.5", fmtCheckRange, 1, 13, false},
        {"0.5", fmtCheckRange, 1, 12, false},  // 0
        {"1.5", fmtCheckRange, 1, 12, true},   // 2
        {"500", 0, 1, 12, true},               // limits ignored without fmtCheckRange
        {"-5", fmtCheckRange, 0, std::nullopt, false},
        {"500", fmtCheckRange, 0, std::nullopt, true},
        {"500", fmtCheckRange, std::nullopt, 100, false},
        {"3e9", 0, std::nullopt, std::nullopt, false},  // not a 32-bit integer
        {"abc", 0, std::nullopt, std::nullopt, false},
        {"", 0, std::nullopt, std::nullopt, true},
        {"", fmtRequired, std::nullopt, std::nullopt, false},
    };
    for (const L &c : cases) {
        QString s = QString::fromLatin1(c.in);
        EXPECT_EQ(f.FormatLong(s, c.flags, c.min, c.max), c.ok) << c.in;
        EXPECT_EQ(s, QString::fromLatin1(c.in)) << c.in;
    }
}

TEST(FormatterNumbers, IntegerOnlyRefusesPointsAndExponents) {
    const Formatter f;
    QString s;
    for (const char *bad : {"12.0", "1E3", "1e3", ".5"}) {
        s = QString::fromLatin1(bad);
        EXPECT_FALSE(f.FormatIntegerOnly(s, 0)) << bad;
    }
    s = QStringLiteral("12");
    EXPECT_TRUE(f.FormatIntegerOnly(s, fmtCheckRange, 1, 12));
    s = QStringLiteral("13");
    EXPECT_FALSE(f.FormatIntegerOnly(s, fmtCheckRange, 1, 12));
    s = QString();
    EXPECT_TRUE(f.FormatIntegerOnly(s, 0));
}

TEST(FormatterNumbers, DateTimePatterns) {
    const Formatter f;
    struct D {
        const char *in, *pattern;
        bool ok;
        const char *out;
    };
    const char *window = "mm/d/yyyy Hh:Nn:Ss";
    const D cases[] = {
        {"3/7/2005 2:05 PM", window, true, "03/7/2005 14:05:00"},
        {"3/7/2005", window, true, "03/7/2005 00:00:00"},
        {"14:05", window, true, "12/30/1899 14:05:00"},
        {"03/7/2005 14:05:09", window, true, "03/7/2005 14:05:09"},  // its own output reads back
        {"12/31/2005 23:59:59", window, true, "12/31/2005 23:59:59"},
        {"31/31/2005", window, false, "31/31/2005"},
        {"3/7/2005 2:05:09 PM", "m/d/yyyy h:n:s", true, "3/7/2005 14:5:9"},
        {"3/7/2005 2:05 PM", "hh:mm am/pm", true, "02:05 pm"},  // m after an hour: minutes
        {"3/7/2005 2:05 PM", "HH:MM AM/PM", true, "02:05 PM"},
        {"3/7/2005 12:30 AM", "h:nn am/pm", true, "12:30 am"},
        {"3/7/2005 2:05 PM", "dd/mm/yyyy", true, "07/03/2005"},
        {"3/7/2005 2:05 PM", "", true, "3/7/2005 14:05:00"},
        {"3/7/2005", "", true, "3/7/2005"},
        {"14:05", "", true, "14:05:00"},
        {"", window, true, ""},
        {"soon", window, false, "soon"},
    };
    for (const D &c : cases) {
        QString s = QString::fromLatin1(c.in);
        EXPECT_EQ(f.FormatDateTime(s, 0, QString::fromLatin1(c.pattern)), c.ok) << c.in << " / " << c.pattern;
        EXPECT_EQ(s, QString::fromLatin1(c.out)) << c.in << " / " << c.pattern;
    }
    QString empty;
    EXPECT_FALSE(f.FormatDateTime(empty, fmtRequired, QString::fromLatin1(window)));
}
