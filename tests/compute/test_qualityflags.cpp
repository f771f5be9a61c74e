#include "compute/qualityflags.h"
#include "compute/qualitysettings.h"
#include "model/clsdataset.h"
#include "support/temp_files.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace {

// Steady records: both probes at pH 7, changing raw readings, thermistors at 20, flow 1.
struct Rows {
    std::vector<std::vector<Cell>> cells;
    explicit Rows(int n) {
        for (int r = 0; r < n; ++r)
            cells.push_back({Cell("5/13/2004 08:00:00"), Cell(20.0), Cell(20.0), Cell(20.0), Cell(10.0 + r),
                             Cell(-10.0 - r), Cell(7.0), Cell(7.0), Cell(0.0), Cell(1.0), Cell(r * 0.5)});
    }
    Cell &at(int r, int c) { return cells[std::size_t(r)][std::size_t(c)]; }
    DataTable &table(clsDataSet &ds) {
        for (const auto &row : cells) ds.add(row);
        return ds.DATA();
    }
};

QStringList letters(const std::vector<std::uint8_t> &flags) {
    QStringList out;
    for (std::uint8_t f : flags) out << flagLetters(f);
    return out;
}

}  // namespace

TEST(QualityFlags, ExactFlagsOfGeneratedRecords) {
    Rows rows(40);
    rows.at(0, colPH1) = Cell(7.4);       // spike at the start: the window is clipped to 3 records
    rows.at(3, colPH2) = Cell(7.2);       // exactly at the disagreement limit: not above it
    rows.at(5, colPH2) = Cell(7.25);      // disagree, but no spike
    rows.at(10, colPH1) = Cell(7.5);      // disagree and spike
    rows.at(15, colTherm2) = Cell(22.0);  // exactly 2 degrees apart
    rows.at(16, colTherm3) = Cell(17.9);  // 2.1 apart
    rows.at(20, colFlowRate) = Cell(0.0);
    rows.at(21, colFlowRate) = Cell();                                // no reading is no zero flow
    for (int r = 0; r < 29; ++r) rows.at(r, colPH1Raw) = Cell(55.5);  // 29 unchanged: not flat
    for (int r = 5; r < 35; ++r) rows.at(r, colPH2Raw) = Cell(-3.0);  // 30 unchanged: flat
    rows.at(39, colPH1) = Cell(9.0);                                  // not computed: a stale value plays no part
    clsDataSet ds;
    const std::vector<std::uint8_t> flags = computeFlags(rows.table(ds), 38, QualityLimits{});

    QStringList expected(40, QString());
    expected[0] = "DS";
    expected[5] = "D";
    expected[10] = "DS";
    expected[16] = "T";
    expected[20] = "N";
    for (int r = 5; r < 35; ++r) expected[r] += "F";
    expected[38] = expected[39] = "X";
    // Letters come in bit order whatever order they were set in.
    expected[5] = "DF";
    expected[10] = "DSF";
    expected[16] = "FT";
    expected[20] = "FN";
    EXPECT_EQ(letters(flags), expected);

    const FlagCounts c = countFlags(flags);
    EXPECT_EQ(c.flagged, 33);
    EXPECT_EQ(c.of[0], 3);
    EXPECT_EQ(c.of[1], 2);
    EXPECT_EQ(c.of[2], 30);
    EXPECT_EQ(c.of[3], 1);
    EXPECT_EQ(c.of[4], 1);
    EXPECT_EQ(c.of[5], 2);
}

TEST(QualityFlags, LimitsChangeTheResult) {
    Rows rows(12);
    rows.at(6, colPH1) = Cell(7.15);
    for (int r = 0; r < 5; ++r) rows.at(r, colPH1Raw) = Cell(1.0);
    rows.at(2, colTherm1) = Cell(21.0);
    clsDataSet ds;
    DataTable &t = rows.table(ds);
    EXPECT_EQ(countFlags(computeFlags(t, 12, QualityLimits{})).flagged, 0);
    const QualityLimits tight{0.1, 0.1, 5, 0.5};
    const std::vector<std::uint8_t> f = computeFlags(t, 12, tight);
    EXPECT_EQ(flagLetters(f[6]), "DS");
    EXPECT_EQ(flagLetters(f[2]), "FT");
    EXPECT_EQ(flagLetters(f[4]), "F");
    EXPECT_EQ(flagLetters(f[5]), "");
}

TEST(QualityFlags, NothingComputedAndShortTables) {
    Rows rows(2);
    rows.at(0, colPH1) = Cell(9.0);
    clsDataSet ds;
    DataTable &t = rows.table(ds);
    EXPECT_EQ(letters(computeFlags(t, 0, QualityLimits{})), QStringList({"X", "X"}));
    EXPECT_EQ(letters(computeFlags(t, 2, QualityLimits{})), QStringList({"D", ""}));  // no spike from 2 values

    clsDataSet missing;  // Compute left a pH cell empty: a reading was missing
    Rows gaps(3);
    gaps.at(1, colPH2) = Cell();
    EXPECT_EQ(letters(computeFlags(gaps.table(missing), 3, QualityLimits{})), QStringList({"", "M", ""}));

    clsDataSet narrow;  // records without flow or pH columns
    narrow.add({Cell("5/13/2004 08:00:00"), Cell(20.0), Cell(30.0)});
    EXPECT_EQ(letters(computeFlags(narrow.DATA(), 1, QualityLimits{})), QStringList({"T"}));
    clsDataSet empty;
    EXPECT_TRUE(computeFlags(empty.DATA(), 0, QualityLimits{}).empty());
}

TEST(QualityFlags, TextsAndStepping) {
    EXPECT_EQ(flagLetters(0), "");
    EXPECT_EQ(flagLetters(flagNoFlow | flagDisagree), "DN");
    const QString tip = flagTooltip(flagDisagree | flagNotComputed, QualityLimits{});
    EXPECT_EQ(tip, "D: probes disagree (|pH-1 - pH-2| > 0.2)\n"
                   "X: not computed (the computation stopped before this record)");
    EXPECT_TRUE(flagTooltip(flagFlat, QualityLimits{0.2, 0.3, 45, 2}).contains("45 records"));

    const std::vector<std::uint8_t> f = {0, 1, 0, 0, 4, 0};
    EXPECT_EQ(nextFlaggedRow(f, 1, +1), 4);
    EXPECT_EQ(nextFlaggedRow(f, 4, +1), std::nullopt);
    EXPECT_EQ(nextFlaggedRow(f, 4, -1), 1);
    EXPECT_EQ(nextFlaggedRow(f, 1, -1), std::nullopt);
    EXPECT_EQ(nextFlaggedRow(f, -1, +1), 1);  // no current row yet
    EXPECT_EQ(nextFlaggedRow(f, 99, -1), 4);
    EXPECT_EQ(nextFlaggedRow({}, 0, +1), std::nullopt);
}

TEST(QualitySettings, RememberedAndNonsenseReplacedByDefaults) {
    TempFiles tmp;
    const QString ini = tmp.path("settings.ini");
    {
        QSettings s(ini, QSettings::IniFormat);
        EXPECT_EQ(loadQualityLimits(s), QualityLimits{});
        EXPECT_EQ(loadGapMinutes(s), 10.0);
        saveQualityLimits(s, QualityLimits{0.05, 0.5, 60, 1.5});
        saveGapMinutes(s, 2.5);
    }
    {
        QSettings s(ini, QSettings::IniFormat);
        EXPECT_EQ(loadQualityLimits(s), (QualityLimits{0.05, 0.5, 60, 1.5}));
        EXPECT_EQ(loadGapMinutes(s), 2.5);
        s.setValue("QualityFlags/GapMinutes", "0");
        EXPECT_EQ(loadGapMinutes(s), 10.0);
        s.setValue("QualityFlags/Disagree", "-1");
        s.setValue("QualityFlags/FlatRecords", "1");
        s.setValue("QualityFlags/Spike", "nan");
        EXPECT_EQ(loadQualityLimits(s), (QualityLimits{0.2, 0.3, 30, 1.5}));
    }
    EXPECT_FALSE(sensibleLimits(QualityLimits{0.2, 0.0, 30, 2}));
    EXPECT_TRUE(sensibleLimits(QualityLimits{}));
}
