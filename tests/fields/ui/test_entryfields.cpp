// The entry fields' behaviour through real focus changes in an offscreen window.
#include "fields/ui/entryfieldbinder.h"
#include "fields/formatter.h"
#include "app/qtinteraction.h"
#include "support/scripted_interaction.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace {

const QColor kHighlight(255, 224, 192);

class EntryFields : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(window.get());
        for (const char *name : {"txtPH1Slope", "txtPH2Offset", "txtThermistor1Corr", "txtStart", "txtYMin"}) {
            auto *edit = new QLineEdit(window.get());
            layout->addWidget(edit);
            const EntryFieldRule *rule = findEntryFieldRule(QString::fromLatin1(name));
            ASSERT_NE(rule, nullptr) << name;
            const QString n = rule->name;
            bindEntryField(
                edit, *rule, fmt, [this, n] { ++changes[n]; }, [this, n] { ++validLeaves[n]; });
            fields[n] = edit;
        }
        elsewhere = new QLineEdit(window.get());  // not bound: somewhere to move the focus to
        layout->addWidget(elsewhere);
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        firstFocus = QApplication::focusWidget();
        firstSelection = fields.at(QStringLiteral("txtPH1Slope"))->selectedText();
        leaveTo(elsewhere);
        changes.clear();
        validLeaves.clear();
    }
    void TearDown() override { window.reset(); }

    QLineEdit *field(const char *name) { return fields.at(QString::fromLatin1(name)); }
    void settle() {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }
    void enter(QLineEdit *f) {
        f->setFocus(Qt::TabFocusReason);
        settle();
    }
    void leaveTo(QWidget *w) {
        w->setFocus(Qt::TabFocusReason);
        settle();
    }
    static QColor base(QLineEdit *f) { return f->palette().color(QPalette::Base); }

    ScriptedInteraction ui;
    Formatter fmt{ui};
    std::unique_ptr<QWidget> window;
    QLineEdit *elsewhere = nullptr;
    QWidget *firstFocus = nullptr;
    QString firstSelection;
    std::map<QString, QLineEdit *> fields;
    std::map<QString, int> changes, validLeaves;
};

}  // namespace

TEST(EntryFieldRules, ThirteenRowsAsTheWindowUsesThem) {
    const auto &rules = entryFieldRules();
    ASSERT_EQ(rules.size(), 13u);
    EXPECT_EQ(rules.front().name, QStringLiteral("txtPH1Slope"));
    const EntryFieldRule *end = findEntryFieldRule(u"txtEnd");
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end->message, QStringLiteral("end must be valid datetime"));
    EXPECT_EQ(end->pattern, QStringLiteral("mm/d/yyyy Hh:Nn:Ss"));
    EXPECT_EQ(end->initialText, QStringLiteral("1/1/1999 00:00:00"));
    int flags19 = 0, thermistors = 0, plotFields = 0;
    for (const auto &s : rules) {
        flags19 += s.flags == 19;
        thermistors += s.thermistor != 0;
        plotFields += s.onChange == EntryFieldRule::OnChange::RebuildPlot;
        // Every initial text passes its own check.
        QString t = s.initialText;
        const bool ok = s.check == EntryFieldRule::Check::DateTime
                            ? Formatter().FormatDateTime(t, s.flags, s.pattern)
                            : Formatter().FormatFixedNumeric(t, s.flags, s.places);
        EXPECT_TRUE(ok) << qPrintable(s.name);
    }
    EXPECT_EQ(flags19, 1);
    EXPECT_EQ(thermistors, 3);
    EXPECT_EQ(plotFields, 4);
    EXPECT_EQ(findEntryFieldRule(u"txtNothing"), nullptr);
}

TEST_F(EntryFields, TypingAndLeavingRewritesAndReportsEveryChange) {
    QLineEdit *slope = field("txtPH1Slope");
    EXPECT_EQ(firstFocus, slope);  // the window opened with the focus in it, text selected
    EXPECT_EQ(firstSelection, QStringLiteral("1.00"));
    EXPECT_EQ(slope->text(), QStringLiteral("1.0000"));  // initial "1.00", left once
    enter(slope);
    EXPECT_EQ(base(slope), kHighlight);
    EXPECT_EQ(slope->selectedText(), QStringLiteral("1.0000"));
    QTest::keyClicks(slope, QStringLiteral("1.25"));  // replaces the selection
    EXPECT_EQ(changes["txtPH1Slope"], 4);
    leaveTo(elsewhere);
    EXPECT_EQ(slope->text(), QStringLiteral("1.2500"));
    EXPECT_EQ(changes["txtPH1Slope"], 5);
    EXPECT_EQ(base(slope), QColor(Qt::white));
    EXPECT_EQ(validLeaves["txtPH1Slope"], 1);
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(ui.beeps, 0);
}

TEST_F(EntryFields, BadTextKeepsTheFocusWithoutPingPong) {
    QLineEdit *offset = field("txtPH2Offset");
    QLineEdit *yMin = field("txtYMin");
    yMin->setText(QStringLiteral("junk"));  // a second bad field on the way must not answer back
    offset->setText(QStringLiteral("abc"));
    enter(offset);
    leaveTo(yMin);
    EXPECT_EQ(ui.beeps, 1);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_EQ(ui.messages[0].text, QStringLiteral("pH-2 offset must be valid floating point number"));
    EXPECT_EQ(ui.messages[0].title, QString());
    EXPECT_EQ(QApplication::focusWidget(), offset);
    EXPECT_EQ(offset->text(), QStringLiteral("abc"));
    EXPECT_EQ(offset->selectedText(), QStringLiteral("abc"));
    EXPECT_EQ(base(offset), kHighlight);
    EXPECT_EQ(base(yMin), QColor(Qt::white));
    EXPECT_EQ(yMin->text(), QStringLiteral("junk"));
    EXPECT_EQ(validLeaves["txtPH2Offset"], 0);

    // Mended, it can be left.
    offset->setText(QStringLiteral("-0.5"));
    leaveTo(elsewhere);
    EXPECT_EQ(offset->text(), QStringLiteral("-0.5000"));
    EXPECT_EQ(base(offset), QColor(Qt::white));
    EXPECT_EQ(ui.messages.size(), 1);
}

TEST_F(EntryFields, ThermistorOneAcceptsEmptyAndRefusesLettersQuietly) {
    QLineEdit *t1 = field("txtThermistor1Corr");
    enter(t1);
    t1->clear();
    leaveTo(elsewhere);
    EXPECT_EQ(t1->text(), QString());
    EXPECT_EQ(base(t1), QColor(Qt::white));
    EXPECT_EQ(validLeaves["txtThermistor1Corr"], 1);

    enter(t1);
    QTest::keyClicks(t1, QStringLiteral("warm"));
    leaveTo(elsewhere);
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_TRUE(ui.messages.isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), t1);
    EXPECT_EQ(validLeaves["txtThermistor1Corr"], 1);
}

TEST_F(EntryFields, RangeFieldsTakeTheirCanonicalForms) {
    QLineEdit *start = field("txtStart");
    start->setText(QStringLiteral("3/7/2005"));
    enter(start);
    const int before = changes["txtStart"];
    leaveTo(elsewhere);
    EXPECT_EQ(start->text(), QStringLiteral("03/7/2005 00:00:00"));
    EXPECT_EQ(changes["txtStart"], before + 1);

    QLineEdit *yMin = field("txtYMin");
    yMin->setText(QStringLiteral("6"));
    enter(yMin);
    leaveTo(elsewhere);
    EXPECT_EQ(yMin->text(), QStringLiteral("6.00"));
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(EntryFields, RealMessageBoxThenFocusBack) {
    QtInteraction qt(window.get());
    const Formatter real(qt);
    auto *end = new QLineEdit(window.get());
    window->layout()->addWidget(end);
    bindEntryField(end, *findEntryFieldRule(u"txtEnd"), real, {});
    end->setText(QStringLiteral("the end"));
    settle();
    QStringList shown;
    QTimer closer;  // answers the modal box as a person would
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            shown << box->text();
            box->accept();
        }
    });
    closer.start(10);
    enter(end);
    leaveTo(field("txtYMin"));
    for (int i = 0; i < 100 && (QApplication::focusWidget() != end || !shown.size()); ++i) QTest::qWait(10);
    settle();
    EXPECT_EQ(QApplication::focusWidget(), end);
    EXPECT_EQ(shown, QStringList({"end must be valid datetime"}));
    EXPECT_EQ(end->selectedText(), QStringLiteral("the end"));
    EXPECT_EQ(base(end), kHighlight);
    EXPECT_EQ(base(field("txtYMin")), QColor(Qt::white));
    EXPECT_EQ(field("txtYMin")->text(), QStringLiteral("6.0"));  // passed through, not checked
}
