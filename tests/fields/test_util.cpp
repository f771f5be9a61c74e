// Text and widget helpers of the entry fields.
#include "fields/util.h"

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

