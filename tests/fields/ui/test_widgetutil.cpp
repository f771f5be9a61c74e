#include "fields/ui/widgetutil.h"

#include <gtest/gtest.h>

#include <QLineEdit>

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
