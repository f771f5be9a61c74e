#include "app/calibrationdialog.h"
#include "app/calibrationprobepage.h"
#include "compute/calibrationreport.h"
#include "compute/calibrationsettings.h"
#include "model/clsdataset.h"
#include "model/datetime.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// Twelve records ten seconds apart from 5/13/2004 08:00:00: probe 1 in the 7.00 buffer
// (0.2 mV either side of 0) for six, then in the 4.01 buffer (either side of -177 mV); thermistor 1
// at 25 degrees. Probe 2 and the other thermistors hold values a wrong column would show.
DataTable bufferLog() {
    DataTable t;
    t.resize(11, colTotalVolume);
    const double start = dt::fromParts({2004, 5, 13, 8, 0, 0});
    for (int r = 0; r < 12; ++r) {
        const double wobble = r % 2 ? 0.2 : -0.2;
        t.setCell(r, colDateTime, Cell(dt::recordText(start + r * 10 / dt::kSecondsPerDay)));
        t.setCell(r, colTherm1, Cell(25.0));
        t.setCell(r, colTherm2, Cell(40.0));
        t.setCell(r, colTherm3, Cell(40.0));
        t.setCell(r, colPH1Raw, Cell((r < 6 ? 0.0 : -177.0) + wobble));
        t.setCell(r, colPH2Raw, Cell(999.0));
    }
    return t;
}

class CalibrationDialogTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings().clear(); }
    void TearDown() override { QSettings().clear(); }

    template <typename T> static T *child(QWidget *parent, const char *name) {
        T *w = parent ? parent->findChild<T *>(QLatin1String(name)) : nullptr;
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static QWidget *point(CalibrationDialog &d, int probe, int n) {
        return child<QGroupBox>(d.page(probe), QStringLiteral("point%1").arg(n).toLatin1().constData());
    }
    static void type(QWidget *row, const char *field, const QString &text) {
        auto *e = child<QLineEdit>(row, field);
        e->clear();
        QTest::keyClicks(e, text);
    }
    static QString text(QWidget *parent, const char *label) { return child<QLabel>(parent, label)->text(); }

    DataTable table = bufferLog();
    CalibrationInputs inputs{&table, {0, 0}, {0.0, 0.0, 0.0}, {1.0, 1.0}};
};
}  // namespace

TEST_F(CalibrationDialogTest, SpansTakenFromRecordsGiveTheResultThatApplyHandsBack) {
    CalibrationDialog d(inputs);
    d.show();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Calibrate Probes"));
    EXPECT_FALSE(d.isModal());
    std::vector<std::tuple<int, double, double>> got;
    d.setApplyHandler([&](int probe, double slope, double offset) { got.emplace_back(probe, slope, offset); });
    QSignalSpy spy(&d, &CalibrationDialog::applied);

    // Typed buffer values are used as they stand.
    child<QComboBox>(point(d, 0, 1), "cboBuffer")->setEditText(QStringLiteral("7.00"));
    child<QComboBox>(point(d, 0, 2), "cboBuffer")->setEditText(QStringLiteral("4.01"));
    EXPECT_EQ(text(point(d, 0, 1), "lblBufferPH"), QStringLiteral("typed pH"));

    // Point 1 through its From/To fields, point 2 as a span picked on the plot.
    type(point(d, 0, 1), "txtFrom", QStringLiteral("0"));
    type(point(d, 0, 1), "txtTo", QStringLiteral("5"));
    QTest::mouseClick(child<QPushButton>(point(d, 0, 1), "cmdTake"), Qt::LeftButton);
    EXPECT_EQ(child<QLineEdit>(point(d, 0, 1), "txtMV")->text(), QStringLiteral("0.000"));
    EXPECT_EQ(child<QLineEdit>(point(d, 0, 1), "txtTemperature")->text(), QStringLiteral("25.000"));
    EXPECT_EQ(text(point(d, 0, 1), "lblSpan"),
              QStringLiteral("Records 0 to 5: 6 records, mean 0.00 mV (sd 0.22), 25.00 \u00B0C (sd 0.00), "
                             "drift +0.206 mV/min"));
    d.setSpan(0, 6, 11);  // goes to the point without a reading
    EXPECT_EQ(child<QLineEdit>(point(d, 0, 2), "txtFrom")->text(), QStringLiteral("6"));
    EXPECT_EQ(child<QLineEdit>(point(d, 0, 2), "txtMV")->text(), QStringLiteral("-177.000"));
    EXPECT_EQ(child<QLineEdit>(point(d, 0, 1), "txtMV")->text(), QStringLiteral("0.000"));

    // 7.00 at 0 mV and 4.01 at -177 mV, both at 25 degrees: s = 1.000669295702, o = 0.
    QWidget *page = d.page(0);
    EXPECT_EQ(text(page, "lblSlope"), QStringLiteral("1.0007"));
    EXPECT_EQ(text(page, "lblSlopePercent"), QStringLiteral("100.07 % of Nernst (pass)"));
    EXPECT_EQ(text(page, "lblOffset"), QStringLiteral("0.0 mV (pass)"));
    EXPECT_EQ(text(page, "lblVerdict"), QStringLiteral("pass"));
    // Residuals from the slope as applied, 1.0007: -0.177 / (1.0007 x 0.0591577304) + 2.99.
    EXPECT_EQ(text(point(d, 0, 2), "lblResidual"), QStringLiteral("residual +0.0001 pH"));
    EXPECT_TRUE(child<QCheckBox>(page, "chkApply")->isChecked());
    // pH-2 has no readings: nothing to apply there.
    EXPECT_FALSE(child<QCheckBox>(d.page(1), "chkApply")->isEnabled());
    EXPECT_FALSE(text(d.page(1), "lblMessage").isEmpty());

    auto *apply = child<QPushButton>(&d, "cmdApply");
    ASSERT_TRUE(apply->isEnabled());
    QTest::mouseClick(apply, Qt::LeftButton);
    ASSERT_EQ(got.size(), 1u);
    const auto [probe, slope, offset] = got[0];
    EXPECT_EQ(probe, 0);
    EXPECT_EQ(slope, 1.0007);  // what the field holds
    EXPECT_EQ(offset, 0.0);
    EXPECT_EQ(spy.count(), 1);
    const CalibrationFieldTexts texts = calibrationFieldTexts(slope, offset);
    EXPECT_EQ(texts.slope, QStringLiteral("1.0007"));
    EXPECT_EQ(texts.offset, QStringLiteral("0.0000"));
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_FALSE(d.isVisible());
}

TEST_F(CalibrationDialogTest, CancelChangesNothing) {
    CalibrationDialog d(inputs);
    d.show();
    bool called = false;
    d.setApplyHandler([&](int, double, double) { called = true; });
    d.setSpan(0, 0, 5);
    d.setSpan(0, 6, 11);
    EXPECT_FALSE(text(d.page(0), "lblSlope").isEmpty());
    QTest::mouseClick(child<QPushButton>(&d, "cmdCancel"), Qt::LeftButton);
    EXPECT_FALSE(called);
    EXPECT_EQ(d.result(), QDialog::Rejected);
}

TEST_F(CalibrationDialogTest, SpansByDateTimeAndTheirWarnings) {
    CalibrationDialog d(inputs);
    d.show();
    QWidget *p1 = point(d, 0, 1);
    type(p1, "txtFrom", QStringLiteral("5/13/2004 08:00:00"));
    type(p1, "txtTo", QStringLiteral("5/13/2004 08:00:30"));  // records 0 to 3: too few
    QTest::mouseClick(child<QPushButton>(p1, "cmdTake"), Qt::LeftButton);
    EXPECT_TRUE(text(p1, "lblSpan").startsWith(QStringLiteral("Records 0 to 3: 4 records")));
    EXPECT_TRUE(text(p1, "lblSpan").endsWith(QStringLiteral(", not stable")));
    type(p1, "txtTo", QStringLiteral("soon"));
    QTest::mouseClick(child<QPushButton>(p1, "cmdTake"), Qt::LeftButton);
    EXPECT_EQ(text(p1, "lblSpan"), QStringLiteral("To: \"soon\" is neither a record number nor a date-time."));
    // The other probe's page reads its own column and thermistor: T2 at 40 degrees.
    CalibrationInputs two = inputs;
    two.thermistor = {0, 1};
    two.thermCorr = {0.0, -0.5, 0.0};
    d.setInputs(two);
    d.setSpan(1, 0, 11);
    EXPECT_EQ(child<QLineEdit>(point(d, 1, 1), "txtMV")->text(), QStringLiteral("999.000"));
    EXPECT_EQ(child<QLineEdit>(point(d, 1, 1), "txtTemperature")->text(), QStringLiteral("39.500"));
    EXPECT_EQ(text(d.page(1), "lblThermistor"),
              QStringLiteral("Temperature from thermistor T2, corrected by -0.500 \u00B0C"));
}

TEST_F(CalibrationDialogTest, PointsAddRemoveAndOnePointKeepsTheSlope) {
    inputs.slope = {0.98, 1.0};
    CalibrationDialog d(inputs);
    d.show();  // clicks reach shown buttons only
    QWidget *page = d.page(0);
    auto *add = child<QPushButton>(page, "cmdAddPoint");
    for (int i = 0; i < 5; ++i) QTest::mouseClick(add, Qt::LeftButton);
    EXPECT_EQ(d.page(0)->pointCount(), 5);
    EXPECT_FALSE(add->isEnabled());
    while (d.page(0)->pointCount() > 1) {
        QTest::mouseClick(child<QPushButton>(point(d, 0, 1), "cmdRemovePoint"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(add->isEnabled());
    QWidget *only = point(d, 0, 1);  // renumbered
    EXPECT_EQ(static_cast<QGroupBox *>(only)->title(), QStringLiteral("Point 1"));
    EXPECT_FALSE(child<QPushButton>(only, "cmdRemovePoint")->isEnabled());

    // 4.01 at -170.0 mV, 25 degrees, slope kept at 0.98: offset 3.34398 mV.
    child<QComboBox>(only, "cboBuffer")->setEditText(QStringLiteral("4.01"));
    type(only, "txtMV", QStringLiteral("-170"));
    type(only, "txtTemperature", QStringLiteral("25"));
    EXPECT_EQ(text(page, "lblSlope"), QStringLiteral("0.9800"));
    EXPECT_EQ(text(page, "lblOffset"), QStringLiteral("3.3 mV (pass)"));
    EXPECT_EQ(d.page(0)->result().offset, 0.0033);
}

TEST_F(CalibrationDialogTest, SwappedPointsAreAFailThatIsNotApplied) {
    CalibrationDialog d(inputs);
    for (int n : {1, 2}) {
        child<QComboBox>(point(d, 0, n), "cboBuffer")
            ->setEditText(n == 1 ? QStringLiteral("7.00") : QStringLiteral("4.01"));
        type(point(d, 0, n), "txtMV", n == 1 ? QStringLiteral("-177") : QStringLiteral("0"));
        type(point(d, 0, n), "txtTemperature", QStringLiteral("25"));
    }
    EXPECT_EQ(text(d.page(0), "lblVerdict"), QStringLiteral("fail"));
    EXPECT_TRUE(text(d.page(0), "lblMessage").contains(QStringLiteral("swapped")));
    EXPECT_FALSE(child<QCheckBox>(d.page(0), "chkApply")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(&d, "cmdApply")->isEnabled());
    // The same pH twice: a message and no result.
    child<QComboBox>(point(d, 0, 2), "cboBuffer")->setEditText(QStringLiteral("7.00"));
    EXPECT_TRUE(text(d.page(0), "lblMessage").startsWith(QStringLiteral("Points 1 and 2 have the same pH")));
    EXPECT_TRUE(text(d.page(0), "lblSlope").isEmpty());
}

TEST_F(CalibrationDialogTest, BufferSetsAndLimitsAreRemembered) {
    {
        CalibrationDialog d(inputs);
        QWidget *p1 = point(d, 0, 1);
        EXPECT_EQ(child<QComboBox>(p1, "cboBuffer")->currentText(), QStringLiteral("6.86 phosphate"));
        type(p1, "txtTemperature", QStringLiteral("22.5"));
        EXPECT_EQ(text(p1, "lblBufferPH"), QStringLiteral("pH 6.870 at 22.50 \u00B0C"));
        child<QComboBox>(&d, "cboBufferSet")->setCurrentIndex(1);
        EXPECT_EQ(child<QComboBox>(p1, "cboBuffer")->currentText(), QStringLiteral("7.00 technical"));
        EXPECT_EQ(text(p1, "lblBufferPH"), QStringLiteral("pH 7.010 at 22.50 \u00B0C"));

        // The spans' 25 degrees make them 7.00 and 4.00: s = 0.177 / (3 x 0.0591577304) = 99.73 %.
        d.setSpan(0, 0, 5);
        d.setSpan(0, 6, 11);
        EXPECT_EQ(text(d.page(0), "lblSlopePercent"), QStringLiteral("99.73 % of Nernst (pass)"));
        child<QDoubleSpinBox>(&d, "spnSlopePassLow")->setValue(99.5);
        child<QDoubleSpinBox>(&d, "spnSlopePassHigh")->setValue(99.6);
        EXPECT_EQ(text(d.page(0), "lblVerdict"), QStringLiteral("warn"));
        child<QDoubleSpinBox>(&d, "spnSlopePassHigh")->setValue(99.8);
        EXPECT_EQ(text(d.page(0), "lblVerdict"), QStringLiteral("pass"));
        child<QDoubleSpinBox>(&d, "spnMinPHSpan")->setValue(3.5);
        EXPECT_TRUE(text(d.page(0), "lblMessage").startsWith(QStringLiteral("The buffer points span only 3.000 pH")));
        EXPECT_TRUE(text(d.page(0), "lblVerdict").isEmpty());
        // A pass band outside its warn band is used but not kept.
        child<QDoubleSpinBox>(&d, "spnSlopeWarnHigh")->setValue(99.0);
        EXPECT_FALSE(text(&d, "lblLimits").isEmpty());
    }
    CalibrationDialog again(inputs);
    EXPECT_EQ(child<QComboBox>(&again, "cboBufferSet")->currentIndex(), 1);
    EXPECT_EQ(again.limits().slopePassLow, 99.5);
    EXPECT_EQ(again.limits().slopePassHigh, 99.8);
    EXPECT_EQ(again.limits().slopeWarnHigh, 110.0);
    EXPECT_EQ(again.limits().minPHSpan, 3.5);
    QSettings s;
    EXPECT_EQ(loadCalibrationLimits(s).slopePassHigh, 99.8);
}

TEST_F(CalibrationDialogTest, TypedBuffersUnstableSpansAndTheReadingsSign) {
    CalibrationDialog d(inputs);
    d.show();
    EXPECT_TRUE(text(&d, "lblSign").contains(QStringLiteral("opposite sign of a bench meter's mV")));

    // Records 0 to 3 are four, too few: a passing result is a warn that names the point.
    child<QComboBox>(point(d, 0, 1), "cboBuffer")->setEditText(QStringLiteral("7.00"));
    child<QComboBox>(point(d, 0, 2), "cboBuffer")->setEditText(QStringLiteral("4.01"));
    d.setSpan(0, 0, 3);
    type(point(d, 0, 2), "txtMV", QStringLiteral("-177"));
    type(point(d, 0, 2), "txtTemperature", QStringLiteral("25"));
    EXPECT_TRUE(text(d.page(0), "lblSlopePercent").endsWith(QStringLiteral("(pass)")));
    EXPECT_EQ(text(d.page(0), "lblVerdict"), QStringLiteral("warn"));
    EXPECT_EQ(text(d.page(0), "lblMessage"),
              QStringLiteral("At most warn: point 1 is from a span that is not stable."));
    type(point(d, 0, 1), "txtMV", QStringLiteral("0"));  // typed over: no longer the span's
    EXPECT_EQ(text(d.page(0), "lblVerdict"), QStringLiteral("pass"));

    // A pH typed as a person types it stays that pH: 6.86 at 10 degrees is not the phosphate's 6.92.
    QWidget *p1 = point(d, 1, 1), *p2 = point(d, 1, 2);
    auto *typed = child<QComboBox>(p1, "cboBuffer");
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    typed->lineEdit()->setFocus();  // completion only runs in the focused field
    typed->lineEdit()->selectAll();
    QTest::keyClicks(typed->lineEdit(), QStringLiteral("6.86"));
    type(p1, "txtTemperature", QStringLiteral("10"));
    EXPECT_EQ(typed->currentText(), QStringLiteral("6.86"));
    EXPECT_EQ(text(p1, "lblBufferPH"), QStringLiteral("typed pH"));
    // Another set's buffer beside it: the technical 4.00 (4.00 at 10 degrees too).
    auto *other = child<QComboBox>(p2, "cboBuffer");
    other->setCurrentIndex(other->findText(QStringLiteral("4.00 technical")));
    type(p2, "txtTemperature", QStringLiteral("10"));
    // Readings a 100 % slope gives at 283.15 K: (pH - 7) x 0.056181490 V.
    type(p1, "txtMV", QStringLiteral("-7.865"));
    type(p2, "txtMV", QStringLiteral("-168.544"));
    EXPECT_EQ(text(d.page(1), "lblSlope"), QStringLiteral("1.0000"));
    EXPECT_EQ(text(d.page(1), "lblVerdict"), QStringLiteral("pass"));
}
