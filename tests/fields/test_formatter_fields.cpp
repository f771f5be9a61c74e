// Field operations: what is written back, and how a failure is reported.
#include "fields/formatter.h"
#include "support/scripted_interaction.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace modFormatterConstants;

namespace {

// Records the order of beep, message and focus.
struct Log {
    QStringList steps;
};

class LoggingInteraction : public ScriptedInteraction {
public:
    explicit LoggingInteraction(Log &log) : m_log(log) {}
    MsgAnswer message(const QString &text, const QString &title, MsgButtons b, MsgIcon i) override {
        m_log.steps << QStringLiteral("message");
        return ScriptedInteraction::message(text, title, b, i);
    }
    void beep() override {
        m_log.steps << QStringLiteral("beep");
        ScriptedInteraction::beep();
    }

private:
    Log &m_log;
};

class FakeField : public IEntryField {
public:
    FakeField(Log &log, const char *text) : m_log(log), value(QString::fromLatin1(text)) {}
    QString text() const override { return value; }
    void setText(const QString &t) override {
        value = t;
        ++writes;
    }
    void setFocus() override {
        m_log.steps << QStringLiteral("focus");
        if (refuseFocus) throw std::runtime_error("cannot take the focus");
    }
    Log &m_log;
    QString value;
    int writes = 0;
    bool refuseFocus = false;
};

class FakeCaption : public IMessageControl {
public:
    void setCaption(const QString &c) override {
        if (broken) throw std::runtime_error("no caption");
        caption = c;
    }
    QString caption;
    bool broken = false;
};

struct FormatterFields : ::testing::Test {
    Log log;
    LoggingInteraction ui{log};
    Formatter fmt{ui};
};

const QString kNumberRequired =
    QStringLiteral("This field requires a number.  The number is allowed to have decimal places.");

}  // namespace

TEST_F(FormatterFields, BadTextBeepsShowsMessageThenGivesFocusBack) {
    FakeField ef(log, "abc");
    const QString msg = QStringLiteral("pH-2 offset must be valid floating point number");
    EXPECT_FALSE(fmt.FormatFixedNumericField(ef, 15, 4, nullptr, msg));
    EXPECT_EQ(log.steps, QStringList({"beep", "message", "focus"}));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0].text, msg);
    EXPECT_EQ(ui.messages[0].title, QString());
    EXPECT_EQ(ui.messages[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(ui.messages[0].icon, MsgIcon::None);
    EXPECT_EQ(ef.value, QStringLiteral("abc"));
    EXPECT_EQ(ef.writes, 0);
}

TEST_F(FormatterFields, DefaultMessagesFollowTheRequiredFlag) {
    FakeField a(log, "x");
    fmt.FormatFixedNumericField(a, 15, 2);
    FakeField b(log, "x");
    fmt.FormatScientificField(b, fmtShowMessage, 2);
    FakeField c(log, "x");
    fmt.FormatFixedNumericField(c, 15, 2, nullptr, QString());  // supplied empty is used as is
    EXPECT_EQ(ui.texts(), QStringList({kNumberRequired,
                                       "Anything in this field must be a number.  The number is allowed to have "
                                       "decimal places.",
                                       ""}));
}

TEST_F(FormatterFields, EachFieldOperationHasItsOwnDefaultTexts) {
    using Op = std::function<bool(IEntryField &, int)>;
    struct Row {
        Op op;
        const char *bad;
        const char *required;
        const char *optional;
    };
    const Row rows[] = {
        {[&](IEntryField &e, int fl) { return fmt.FormatCurrencyField(e, fl); }, "abc",
         "This field requires a dollar amount.", "Anything in this field must be a dollar amount."},
        {[&](IEntryField &e, int fl) { return fmt.FormatDateField(e, fl); }, "abc", "This field requires a date.",
         "Anything in this field must be a date."},
        {[&](IEntryField &e, int fl) { return fmt.FormatSSNField(e, fl); }, "12",
         "This field requires a social security number.", "Anything in this field must be a social security number."},
        {[&](IEntryField &e, int fl) { return fmt.FormatTimeField(e, fl); }, "14:05", "This field requires a time.",
         "Anything in this field must be a time."},
        {[&](IEntryField &e, int fl) { return fmt.FormatZipField(e, fl); }, "12", "This field requires a US zip code.",
         "Anything in this field must be a US zip code."},
        {[&](IEntryField &e, int fl) { return fmt.FormatLongField(e, fl); }, "abc", "This field requires an integer.",
         "Anything in this field must be an integer."},
        {[&](IEntryField &e, int fl) { return fmt.FormatIntegerOnlyField(e, fl); }, "1.5",
         "This field requires an integer.", "Anything in this field must be an integer."},
        {[&](IEntryField &e, int fl) { return fmt.FormatDateTimeField(e, fl); }, "abc", "This field requires a date.",
         "Anything in this field must be a date."},
        {[&](IEntryField &e, int fl) { return fmt.FormatNameField(e, fl); }, "",
         "This field requires a person's name.  You can enter the name in any reasonable format.", nullptr},
    };
    for (const Row &r : rows) {
        ui.messages.clear();
        FakeField req(log, r.bad);
        EXPECT_FALSE(r.op(req, 15)) << r.required;
        if (r.optional) {
            FakeField opt(log, r.bad);
            EXPECT_FALSE(r.op(opt, fmtShowMessage)) << r.optional;
        }
        QStringList expected{QString::fromLatin1(r.required)};
        if (r.optional) expected << QString::fromLatin1(r.optional);
        EXPECT_EQ(ui.texts(), expected);
    }
}

TEST_F(FormatterFields, Flags19BeepAndFocusWithoutMessageAndAcceptEmpty) {
    FakeField bad(log, "abc");
    EXPECT_FALSE(fmt.FormatFixedNumericField(bad, 19, 3, nullptr, QStringLiteral("Thermistor-1 corr")));
    EXPECT_EQ(log.steps, QStringList({"beep", "focus"}));
    EXPECT_TRUE(ui.messages.isEmpty());
    log.steps.clear();
    FakeField empty(log, "");
    EXPECT_TRUE(fmt.FormatFixedNumericField(empty, 19, 3));
    EXPECT_TRUE(log.steps.isEmpty());
    EXPECT_EQ(empty.value, QString());
}

TEST_F(FormatterFields, MessageControlTakesTheMessageAndKeepsIt) {
    FakeCaption label;
    FakeField ef(log, "abc");
    EXPECT_FALSE(fmt.FormatFixedNumericField(ef, 15, 2, &label));
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(label.caption, kNumberRequired);
    ef.value = QStringLiteral("2");
    EXPECT_TRUE(fmt.FormatFixedNumericField(ef, 15, 2, &label));
    EXPECT_EQ(ef.value, QStringLiteral("2.00"));
    EXPECT_EQ(label.caption, kNumberRequired);  // never cleared by the formatter
}

TEST_F(FormatterFields, FailingStepsDoNotStopTheOthers) {
    FakeCaption broken;
    broken.broken = true;
    FakeField ef(log, "abc");
    ef.refuseFocus = true;
    EXPECT_FALSE(fmt.FormatFixedNumericField(ef, 15, 2, &broken));
    EXPECT_EQ(log.steps, QStringList({"beep", "focus"}));

    const Formatter silent;  // no interaction: nothing to beep or show with
    FakeField other(log, "abc");
    EXPECT_FALSE(silent.FormatFixedNumericField(other, 15, 2));
}

TEST_F(FormatterFields, ValidTextIsWrittenBackOnlyWhenItChanges) {
    FakeField ef(log, "1.5");
    EXPECT_TRUE(fmt.FormatFixedNumericField(ef, 15, 4));
    EXPECT_EQ(ef.value, QStringLiteral("1.5000"));
    EXPECT_EQ(ef.writes, 1);
    EXPECT_TRUE(fmt.FormatFixedNumericField(ef, 15, 4));
    EXPECT_EQ(ef.writes, 1);
    EXPECT_TRUE(log.steps.isEmpty());

    FakeField when(log, "3/7/2005 2:05 PM");
    EXPECT_TRUE(fmt.FormatDateTimeField(when, 15, nullptr, std::nullopt, QStringLiteral("mm/d/yyyy Hh:Nn:Ss")));
    EXPECT_EQ(when.value, QStringLiteral("03/7/2005 14:05:00"));
    FakeField general(log, "3/7/2005 2:05 PM");
    EXPECT_TRUE(fmt.FormatDateTimeField(general, 15));  // absent pattern: the general form
    EXPECT_EQ(general.value, QStringLiteral("3/7/2005 14:05:00"));

    FakeField month(log, "12.4");
    EXPECT_TRUE(fmt.FormatLongField(month, 15 | fmtCheckRange, 1, 12));
    EXPECT_EQ(month.value, QStringLiteral("12.4"));
    month.value = QStringLiteral("12.7");
    EXPECT_FALSE(fmt.FormatLongField(month, 15 | fmtCheckRange, 1, 12));
}

TEST_F(FormatterFields, RequiredNameRefusesBlanks) {
    FakeField ef(log, "   ");
    EXPECT_FALSE(fmt.FormatNameField(ef, 15));
    EXPECT_EQ(ef.value, QStringLiteral("   "));
    EXPECT_EQ(log.steps, QStringList({"beep", "message", "focus"}));
}
