#include "fileio/progressmeter.h"
#include "support/scripted_interaction.h"

#include <gtest/gtest.h>

namespace {

struct RecordingView : IMeterView {
    QStringList texts;
    QList<int> progress;
    int shown = 0, hidden = 0;
    void showMeter() override { ++shown; }
    void hideMeter() override { ++hidden; }
    void setText(const QString &t) override { texts << t; }
    void setProgress(int p) override { progress << p; }
};

// Counts n lines in, then bumps n times.
void run(ProgressMeter &meter, int n) {
    for (int i = 0; i < n; ++i) meter.BumpNumRecords();
    for (int i = 0; i < n; ++i) meter.Bump();
}

}  // namespace

TEST(ProgressMeter, FiveLinesUpdateEveryTime) {
    RecordingView view;
    ScriptedInteraction ui;
    ProgressMeter meter(&view, &ui);
    EXPECT_EQ(meter.text(), "Text1");
    run(meter, 5);
    EXPECT_EQ(meter.GetNumRecords(), 5);
    EXPECT_EQ(view.texts,
              (QStringList{"1 records processed (20%)", "2 records processed (40%)", "3 records processed (60%)",
                           "4 records processed (80%)", "5 records processed (100%)"}));
    EXPECT_EQ(view.progress, (QList<int>{20, 40, 60, 80, 100}));
    EXPECT_EQ(ui.eventPumps, 5);
}

TEST(ProgressMeter, ThousandLinesUpdateElevenTimes) {
    RecordingView view;
    ScriptedInteraction ui;
    ProgressMeter meter(&view, &ui);
    run(meter, 1000);
    ASSERT_EQ(view.texts.size(), 11);
    EXPECT_EQ(view.texts[0], "1 records processed (0%)");
    EXPECT_EQ(view.texts[1], "95 records processed (10%)");  // 9.5 rounds to the even 10
    EXPECT_EQ(view.texts[2], "195 records processed (20%)");
    EXPECT_EQ(view.texts.last(), "995 records processed (100%)");
    EXPECT_EQ(meter.text(), "995 records processed (100%)");
    EXPECT_EQ(ui.eventPumps, 11);
}

TEST(ProgressMeter, RoundingJumpsAndEmptyCounts) {
    RecordingView view;
    ProgressMeter meter(&view);
    meter.setNumRecords(8);
    meter.Bump();
    EXPECT_EQ(view.texts, QStringList{"1 records processed (12%)"});  // 12.5 rounds to even

    // A jump past several steps lags: the following bumps catch up one step each.
    RecordingView jumps;
    ProgressMeter big(&jumps);
    big.setNumRecords(2);
    big.setStepSize(25);
    big.Bump();  // 50 %: next update 25
    big.Bump();  // 100 %: next update 50
    EXPECT_EQ(jumps.progress, (QList<int>{50, 100}));

    ProgressMeter none(&view);
    none.Bump();  // no records counted: counts, shows nothing, divides by nothing
    EXPECT_EQ(none.processed(), 1);
    EXPECT_EQ(none.text(), "Text1");

    // Counts beyond 16 bits stay true.
    ProgressMeter many;
    run(many, 40000);
    EXPECT_EQ(many.GetNumRecords(), 40000);
    EXPECT_EQ(many.text(), "39800 records processed (100%)");
}
