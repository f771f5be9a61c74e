// Calibration segments in the window: the choice beside the fields names the current record's
// segment, the fields show it, and an edit or a buffer calibration goes to one segment.
#include "app/calibrationdialog.h"
#include "window_fixture.h"
#include "workbench/workbench.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

class SegmentsTest : public WindowTest {
protected:
    // 20 records from 8:00, half an hour apart; a calibration line after the tenth (12:30).
    void openTwoSegments() {
        QStringList lines = makeLog(LogRecipe{});
        lines.insert(lines.size() - 10, QStringLiteral("\"Probe 1 Slope:\",57.5"));
        w = shownWindow();
        open(*w, files.writeLines(QStringLiteral("day2.asc"), lines, "\r\n"));
        name = w->findChild<QLabel *>(QStringLiteral("lblSegment"));
        next = w->findChild<QPushButton *>(QStringLiteral("cmdNextSegment"));
        applyAll = w->findChild<QPushButton *>(QStringLiteral("cmdApplyToAllSegments"));
        ASSERT_TRUE(name && next && applyAll);
    }
    double ph1(int row) { return w->dataSet().DATA().cell(row, colPH1).number(); }
    std::unique_ptr<frmMain> w;
    QLabel *name = nullptr;
    QPushButton *next = nullptr, *applyAll = nullptr;
};

}  // namespace

TEST_F(SegmentsTest, TheFieldsFollowTheCurrentRecordsSegmentAndAnEditStaysWithIt) {
    openTwoSegments();
    ASSERT_TRUE(name->isVisible());
    EXPECT_TRUE(applyAll->isVisible());
    EXPECT_EQ(name->text(), QStringLiteral("Segment 1 of 2: from 5/13/2004 08:00:00, day2.asc"));
    EXPECT_EQ(w->txtPH1Slope->text(), QStringLiteral("58.2"));

    // Across the boundary with the step buttons: the fields switch, and that is no edit.
    w->showRecord(9);
    w->cmdStep[3]->click();
    EXPECT_EQ(w->TDBGrid1->currentRecord(), 10);
    EXPECT_EQ(name->text(), QStringLiteral("Segment 2 of 2: from 5/13/2004 13:00:00, day2.asc"));
    EXPECT_FALSE(next->isEnabled());
    EXPECT_EQ(w->txtPH1Slope->text(), QStringLiteral("57.5"));
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute"));
    w->cmdStep[2]->click();
    EXPECT_EQ(w->txtPH1Slope->text(), QStringLiteral("58.2"));

    // An edit not yet computed survives a trip to the other segment, then applies to its own.
    const double before[2] = {ph1(9), ph1(10)};
    w->txtPH1Corr->setText(QStringLiteral("0.1000"));
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute (needed)"));
    w->showRecord(15);
    EXPECT_EQ(w->txtPH1Corr->text(), QStringLiteral("0.0000"));
    w->showRecord(3);
    EXPECT_EQ(w->txtPH1Corr->text(), QStringLiteral("0.1000"));
    w->cmdCompute->click();
    EXPECT_NEAR(ph1(9), before[0] + 0.1, 1e-9);
    EXPECT_EQ(ph1(10), before[1]);
    const auto &segments = w->workbench().segments();
    EXPECT_EQ(segments[0].origin, CalibrationOrigin::Edit);
    EXPECT_EQ(segments[1].origin, CalibrationOrigin::LogLine);

    // The next segment's button goes to its first record.
    next->click();
    EXPECT_EQ(w->TDBGrid1->currentRecord(), 10);

    // Apply to All Segments copies the fields (segment 2's now) to every segment.
    w->txtPH1Corr->setText(QStringLiteral("0.2000"));
    applyAll->click();
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute (needed)"));
    w->cmdCompute->click();
    EXPECT_NEAR(ph1(10), before[1] + 0.2, 1e-9);
    w->showRecord(0);
    EXPECT_EQ(w->txtPH1Slope->text(), QStringLiteral("57.5"));
    EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(SegmentsTest, BufferCalibrationGoesToTheSegmentChosenInTheDialog) {
    openTwoSegments();
    w->showRecord(12);
    w->mnuCalibrate->trigger();
    auto *dialog = w->findChild<CalibrationDialog *>(QStringLiteral("frmCalibrate"));
    ASSERT_TRUE(dialog);
    auto *target = dialog->findChild<QComboBox *>(QStringLiteral("cboApplySegment"));
    ASSERT_TRUE(target && target->isVisible());
    EXPECT_EQ(target->currentIndex(), 1);  // the current record's
    emit dialog->applied(0, 1.01, 0.002);
    EXPECT_EQ(w->txtPH1Slope->text(), QStringLiteral("1.0100"));
    EXPECT_EQ(w->workbench().segments()[1].origin, CalibrationOrigin::BufferCalibration);

    target->setCurrentIndex(0);
    emit dialog->applied(1, 0.99, 0.001);
    EXPECT_EQ(w->txtPH2Slope->text(), QStringLiteral("1"));  // the fields show segment 2
    const auto &first = w->workbench().segments()[0];
    EXPECT_EQ(first.origin, CalibrationOrigin::BufferCalibration);
    EXPECT_EQ(first.calibration.slope[1], 0.99);
    EXPECT_EQ(w->cmdCompute->text(), QStringLiteral("Compute (needed)"));
}

TEST_F(SegmentsTest, OneSegmentShowsNoChoice) {
    w = shownWindow();
    open(*w, files.writeLines(QStringLiteral("one.asc"), makeLog(LogRecipe{}), "\r\n"));
    EXPECT_FALSE(w->findChild<QWidget *>(QStringLiteral("fraSegment"))->isVisible());
    EXPECT_FALSE(w->findChild<QPushButton *>(QStringLiteral("cmdApplyToAllSegments"))->isVisible());
    w->mnuCalibrate->trigger();
    auto *dialog = w->findChild<CalibrationDialog *>(QStringLiteral("frmCalibrate"));
    ASSERT_TRUE(dialog);
    EXPECT_FALSE(dialog->findChild<QWidget *>(QStringLiteral("fraApplySegment"))->isVisible());
}
