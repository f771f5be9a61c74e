// What the window tells about the numbers it shows: kept calibration values, records the
// last Compute did not reach, and which file is open.
#include "window_fixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {
class NumbersTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        w = std::make_unique<frmMain>(&ui, &dialog);
    }
    QString log(const QString &name, const QStringList &calibration) {
        LogRecipe r;
        r.calibration = calibration;
        return files.writeLines(name, makeLog(r));
    }
    static bool marked(QLineEdit *e) {
        auto *mark = e->findChild<QAction *>(QStringLiteral("keptMark"));
        return mark && mark->isVisible();
    }
    QLabel *kept() { return w->findChild<QLabel *>(QStringLiteral("lblKept")); }
    std::unique_ptr<frmMain> w;
};
}  // namespace

TEST_F(NumbersTest, FieldsKeptFromThePreviousFileAreNamedAndMarkedUntilSet) {
    const QString full = log(QStringLiteral("full.asc"), LogRecipe().calibration);
    const QString partial = log(QStringLiteral("partial.asc"),
                                {QStringLiteral("\"Probe 1 Slope:\",57"), QStringLiteral("\"Probe 2 Offset:\",0.5")});
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Brinewick"));
    open(*w, full);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("full.asc - Brinewick"));
    ASSERT_NE(kept(), nullptr);
    EXPECT_TRUE(kept()->text().isEmpty());

    open(*w, partial);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("partial.asc - Brinewick"));
    EXPECT_EQ(kept()->text(), QStringLiteral("Not in this file, kept from the previous file: pH-1 offset, pH-2 slope"));
    EXPECT_EQ(w->txtPH2Slope->text(), QStringLiteral("1"));  // full.asc's value
    EXPECT_TRUE(marked(w->txtPH2Slope));
    EXPECT_TRUE(marked(w->txtPH1Offset));
    EXPECT_FALSE(marked(w->txtPH1Slope));
    EXPECT_FALSE(marked(w->txtPH2Offset));
    EXPECT_EQ(w->txtPH2Slope->toolTip(), QStringLiteral("Not in partial.asc: kept from the previous file"));
    EXPECT_TRUE(w->txtPH1Slope->toolTip().isEmpty());

    QTest::keyClicks(w->txtPH2Slope, QStringLiteral("1.01"));  // the person's own value
    EXPECT_FALSE(marked(w->txtPH2Slope));
    EXPECT_TRUE(w->txtPH2Slope->toolTip().isEmpty());
    EXPECT_TRUE(marked(w->txtPH1Offset));

    open(*w, full);
    EXPECT_FALSE(marked(w->txtPH1Offset));
    EXPECT_TRUE(kept()->text().isEmpty());
}

TEST_F(NumbersTest, TheFirstFileWithoutCalibrationKeepsTheInitialValues) {
    open(*w, log(QStringLiteral("bare.asc"), {}));
    EXPECT_EQ(kept()->text(),
              QStringLiteral(
                  "Not in this file, kept at its initial value: pH-1 slope, pH-1 offset, pH-2 slope, pH-2 offset"));
    EXPECT_EQ(w->txtPH1Slope->toolTip(), QStringLiteral("Not in bare.asc: kept at its initial value"));
}

TEST_F(NumbersTest, RecordsAfterAStoppedComputeAreGreyAndReadNotComputed) {
    open(*w, log(QStringLiteral("run.asc"), LogRecipe().calibration));
    w->dataSet().DATA().setCell(5, colTherm1, Cell("x"));
    ui.messages.clear();
    w->cmdCompute_Click();
    ASSERT_EQ(ui.messages.size(), 1);
    QAbstractItemModel *m = w->TDBGrid1->model();
    EXPECT_FALSE(m->data(m->index(4, 6), Qt::ForegroundRole).isValid());
    EXPECT_EQ(m->data(m->index(5, 6), Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
    EXPECT_EQ(m->data(m->index(19, 0), Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
    w->showRecord(4);
    EXPECT_NE(w->lblPH1->text(), QStringLiteral("  not computed"));
    w->showRecord(5);
    EXPECT_EQ(w->lblPH1->text(), QStringLiteral("  not computed"));
    EXPECT_EQ(w->lblPH2->text(), QStringLiteral("  not computed"));
}
