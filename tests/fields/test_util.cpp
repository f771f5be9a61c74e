// Text and widget helpers of the entry fields.
#include "fields/util.h"
#include "fields/widgetutil.h"

#include <QLineEdit>
#include <gtest/gtest.h>

using Util::NextToken;
using Util::ReverseText;

namespace {
// Uses up whatever an earlier caller left in the shared remainder.
void drain() {
    while (NextToken(QString(), QStringLiteral("x"))) {}
}
}  // namespace

TEST(Util, ReverseTextTrimsThenReverses) {
    EXPECT_EQ(ReverseText(QStringLiteral("  abc  ")), QStringLiteral("cba"));
    EXPECT_EQ(ReverseText(QStringLiteral("   ")), QString());
    EXPECT_EQ(ReverseText(QString()), QString());
    EXPECT_EQ(ReverseText(QStringLiteral("a b")), QStringLiteral("b a"));
    const QString withPair = QStringLiteral("x") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("y");
    EXPECT_EQ(ReverseText(ReverseText(withPair)), withPair);
    EXPECT_TRUE(ReverseText(withPair).isValidUtf16());
}

TEST(Util, NextTokenHandsOutTokensThenNothing) {
    drain();
    const QString d = QStringLiteral("/\\");
    EXPECT_EQ(NextToken(QStringLiteral("a/b\\\\c"), d), QStringLiteral("a"));
    EXPECT_EQ(NextToken(QString(), d), QStringLiteral("b"));
    EXPECT_EQ(NextToken(QString(), d), QString());  // between two delimiters
    EXPECT_EQ(NextToken(QString(), d), QStringLiteral("c"));
    EXPECT_EQ(NextToken(QString(), d), std::nullopt);
    EXPECT_EQ(NextToken(QString(), d), std::nullopt);
    // A new text starts over; no delimiter gives the whole text.
    EXPECT_EQ(NextToken(QStringLiteral("whole"), d), QStringLiteral("whole"));
    EXPECT_EQ(NextToken(QString(), d), std::nullopt);
}

TEST(Util, FieldColorsAndSelection) {
    EXPECT_EQ(Util::colorFromBgr(0xC0E0FF), QColor(255, 224, 192));
    QLineEdit edit;
    Util::SetFieldColors(&edit, true);
    EXPECT_EQ(edit.palette().color(QPalette::Base), QColor(255, 224, 192));
    EXPECT_EQ(edit.palette().color(QPalette::Text), QColor(Qt::black));
    Util::SetFieldColors(&edit, false);
    EXPECT_EQ(edit.palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_EQ(edit.palette().color(QPalette::Text), QColor(Qt::black));

    edit.setText(QStringLiteral("7.25"));
    edit.setCursorPosition(1);
    Util::SelectAllText(&edit);
    EXPECT_EQ(edit.selectedText(), QStringLiteral("7.25"));
    Util::SetFieldColors(nullptr, true);  // quietly nothing
    Util::SelectAllText(nullptr);
}
