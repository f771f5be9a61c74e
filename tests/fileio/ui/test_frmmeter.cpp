#include "fileio/ui/frmmeter.h"
#include "fileio/progressmeter.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {
// Counts n lines in, then bumps n times.
void run(ProgressMeter &meter, int n) {
    for (int i = 0; i < n; ++i) meter.BumpNumRecords();
    for (int i = 0; i < n; ++i) meter.Bump();
}
}  // namespace

TEST(FrmMeter, WindowShowsTextAndBar) {
    frmMeter w;
    EXPECT_EQ(w.windowTitle(), "Progress");
    EXPECT_FALSE(w.isModal());
    auto *text = w.findChild<QLineEdit *>("Text1");
    auto *bar = w.findChild<QProgressBar *>("ProgressBar1");
    ASSERT_TRUE(text && bar);
    EXPECT_EQ(text->text(), "Text1");
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(bar->maximum(), 100);

    ProgressMeter meter(&w);
    run(meter, 4);
    EXPECT_EQ(text->text(), "4 records processed (100%)");
    EXPECT_EQ(bar->value(), 100);
    w.showMeter();
    EXPECT_TRUE(w.isVisible());
    w.hideMeter();
    EXPECT_FALSE(w.isVisible());
}

TEST(FrmMeter, CancelAndEscapeGetThroughWhileOtherInputWaitsForTheRead) {
    QWidget other;
    auto *check = new QCheckBox(QStringLiteral("other"), &other);
    other.show();
    frmMeter w(&other);
    auto *cancel = w.findChild<QPushButton *>("cmdCancel");
    ASSERT_TRUE(cancel);
    EXPECT_EQ(cancel->text(), "Cancel");

    w.showMeter();
    EXPECT_TRUE(w.isVisible());
    ASSERT_TRUE(w.windowHandle());
    EXPECT_TRUE(w.windowHandle()->isExposed());  // painted before the read goes on
    EXPECT_FALSE(w.cancelRequested());
    // Clicks that wait while the read runs arrive when it asks: only the meter's count.
    QTimer::singleShot(0, &w, [&] {
        QTest::mouseClick(check, Qt::LeftButton);
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    EXPECT_TRUE(w.cancelRequested());
    EXPECT_FALSE(check->isChecked());
    EXPECT_TRUE(w.isVisible());  // the read hides it once it has stopped
    w.hideMeter();
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_TRUE(check->isChecked());  // after the read the window takes input again

    // The next read starts afresh. Escape on the meter, Escape in the window that waits for the
    // read, and the close box cancel it without closing the meter.
    for (int way = 0; way < 3; ++way) {
        w.showMeter();
        EXPECT_FALSE(w.cancelRequested());
        if (way == 0) QTest::keyClick(&w, Qt::Key_Escape);
        if (way == 1) QTimer::singleShot(0, &w, [&] { QTest::keyClick(check, Qt::Key_Escape); });
        if (way == 2) w.close();
        EXPECT_TRUE(w.cancelRequested()) << way;
        EXPECT_TRUE(w.isVisible());
        EXPECT_FALSE(cancel->isEnabled());
        w.hideMeter();
    }
    EXPECT_FALSE(w.isVisible());
}
