// Currency, date, time, SSN, zip and name operations of the formatter.
#include "fields/formatter.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace modFormatterConstants;

namespace {

struct Case {
    const char *in;
    int flags;
    bool ok;
    const char *out;
};

using TextOp = bool (Formatter::*)(QString &, int) const;

void runCases(TextOp op, std::initializer_list<Case> cases) {
    const Formatter f;
    for (const Case &c : cases) {
        QString s = QString::fromLatin1(c.in);
        EXPECT_EQ((f.*op)(s, c.flags), c.ok) << c.in;
        EXPECT_EQ(s, QString::fromLatin1(c.out)) << c.in;
    }
}

class NameField : public IEntryField {
public:
    QString value;
    QString text() const override { return value; }
    void setText(const QString &t) override { value = t; }
    void setFocus() override {}
};

}  // namespace

TEST(FormatterFormats, Currency) {
    runCases(&Formatter::FormatCurrency,
             {
                 {"1234.5", 0, true, "$1,234.50"},
                 {"$1,234.50", 0, true, "$1,234.50"},  // passes again unchanged
                 {"-1234.5", 0, true, "-$1,234.50"},
                 {"-$1,234.50", 0, true, "-$1,234.50"},
                 {"($1,234.50)", 0, true, "-$1,234.50"},
                 {"$-7", 0, true, "-$7.00"},
                 {"1234567.891", 0, true, "$1,234,567.89"},
                 {"0.005", 0, true, "$0.01"},
                 {"12,345", 0, true, "$12,345.00"},
                 {"1e3", 0, true, "$1,000.00"},
                 {"0", 0, true, ""},
                 {"0", fmtShowZero, true, "$0.00"},
                 {"$0.00", 0, true, ""},
                 {"", 0, true, ""},
                 {"", fmtShowZero, true, "$0.00"},
                 {"", fmtRequired, false, ""},
                 {"abc", 0, false, "abc"},
                 {"1,23", 0, false, "1,23"},
                 {"(-5)", 0, false, "(-5)"},
                 {"$", 0, false, "$"},
                 {"922337203685478", 0, false, "922337203685478"},  // beyond the 64-bit fixed point
             });
    const Formatter f;
    EXPECT_EQ(f.FormattedCurrencyString(QStringLiteral("abc"), 0), QString());
    EXPECT_EQ(f.FormattedCurrencyString(QStringLiteral("12"), 0), QStringLiteral("$12.00"));
    EXPECT_EQ(f.FormattedCurrencyString(QStringLiteral("922337203685477.5807"), 0),
              QStringLiteral("$922,337,203,685,477.58"));
}

TEST(FormatterFormats, DateDropsTheTime) {
    runCases(&Formatter::FormatDate, {
                                         {"3/7/2005 2:05 PM", 0, true, "03/07/2005"},
                                         {"2005-12-25", 0, true, "12/25/2005"},
                                         {"31/31/2005", 0, false, "31/31/2005"},
                                         {"", 0, true, ""},
                                         {"", fmtRequired, false, ""},
                                     });
}

TEST(FormatterFormats, TimeNeedsItsOwnMarker) {
    runCases(&Formatter::FormatTime, {
                                         {"2:05 PM", 0, true, "02:05 pm"},
                                         {"2:05 p", 0, true, "02:05 pm"},
                                         {"2:05 PM   ", 0, true, "02:05 pm"},
                                         {"12:30 am", 0, true, "12:30 am"},
                                         {"3/7/2005 11:59:59 AM", 0, true, "11:59 am"},
                                         {"14:05", 0, false, "14:05"},
                                         {"2:05p", 0, false, "2:05p"},
                                         {"", 0, true, ""},
                                         {"", fmtRequired, false, ""},
                                     });
}

TEST(FormatterFormats, SocialSecurityNumber) {
    runCases(&Formatter::FormatSSN, {
                                        {"123 45 6789", 0, true, "123-45-6789"},
                                        {"123456789", 0, true, "123-45-6789"},
                                        {"12345678", 0, false, "12345678"},
                                        {"", 0, true, ""},
                                        {"", fmtRequired, false, ""},
                                    });
}

TEST(FormatterFormats, Zip) {
    runCases(&Formatter::FormatZip, {
                                        {"12345", 0, true, "12345"},
                                        {"123456789", 0, true, "12345-6789"},
                                        {"12345 6789", 0, true, "12345-6789"},
                                        {"1234567", 0, false, "1234567"},
                                        {"", 0, true, ""},
                                    });
}

TEST(FormatterFormats, NameComponentsAndComposedName) {
    const Formatter f;
    QString first, middle, last;
    f.GetNameComponents(QStringLiteral("  john quincy adams public "), first, middle, last);
    EXPECT_EQ(QStringList({first, middle, last}), QStringList({"John", "Q", "Public"}));
    f.GetNameComponents(QStringLiteral("PUBLIC, JOHN"), first, middle, last);
    EXPECT_EQ(QStringList({first, middle, last}), QStringList({"John", "", "Public"}));

    const std::pair<const char *, const char *> names[] = {
        {"john q public", "Public, John Q."},
        {"PUBLIC, JOHN QUINCY", "Public, John Q."},
        {"John Public", "Public, John"},
        {"John  Public", "Public, John"},  // two blanks: no middle initial
        {"Cher", "Cher"},
        {"Smith,John", "Smith,john"},
    };
    for (const auto &[in, out] : names) {
        NameField ef;
        ef.value = QString::fromLatin1(in);
        EXPECT_TRUE(f.FormatNameField(ef, fmtRequired));
        EXPECT_EQ(ef.value, QString::fromLatin1(out)) << in;
    }
    NameField empty;
    EXPECT_TRUE(f.FormatNameField(empty, 0));
    EXPECT_EQ(empty.value, QString());
}
