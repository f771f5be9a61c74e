#include "fileio/ui/frmmeter.h"
#include "fileio/progressmeter.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>

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
