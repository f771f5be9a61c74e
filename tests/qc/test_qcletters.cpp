#include "qc/qcletters.h"
#include "qc/qcsettings.h"
#include "model/clsdataset.h"
#include "support/temp_files.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace {

// Records a minute apart: both probes near pH 7 (0.002 apart every other record, so never flat),
// thermistors rising by 0.02 a record from 20, 20.5 and 21, flow 1.
struct Rows {
    std::vector<std::vector<Cell>> cells;
    explicit Rows(int n) {
        for (int r = 0; r < n; ++r) {
            const double ph = 7.0 + 0.002 * (r % 2), t = 0.02 * r;
            cells.push_back({Cell(QStringLiteral("5/13/2004 08:%1:00").arg(r, 2, 10, QLatin1Char('0'))), Cell(20 + t),
                             Cell(20.5 + t), Cell(21 + t), Cell(10.0 + r), Cell(-10.0 - r), Cell(ph), Cell(ph),
                             Cell(0.0), Cell(1.0), Cell(r * 0.5)});
        }
    }
    Cell &at(int r, int c) { return cells[std::size_t(r)][std::size_t(c)]; }
    DataTable &table(clsDataSet &ds) {
        for (const auto &row : cells) ds.add(row);
        return ds.DATA();
    }
};

std::vector<FlagMask> computeLetters(const DataTable &t, int computed, const QcThresholds &th = {}) {
    QcTable table;
    QcResults r;
    table.compute(t, computed, th, r);
    return r.letters;
}

QStringList letters(const std::vector<FlagMask> &flags) {
    QStringList out;
    for (FlagMask f : flags) out << flagLetters(f);
    return out;
}

}  // namespace

TEST(QualityFlags, ExactFlagsOfGeneratedRecords) {
    Rows rows(40);
    for (int r = 5; r < 38; ++r) rows.at(r, colPH1) = Cell(7.1);  // flat for 30 minutes from row 35
    rows.at(10, colPH2) = Cell(7.5);                              // a spike (its neighbours suspect) and disagreement
    rows.at(16, colTherm3) = Cell(22.42);                         // 2.1 from Therm 1, and a temperature spike
    rows.at(20, colFlowRate) = Cell(0.0);
    rows.at(21, colFlowRate) = Cell();  // no reading is no zero flow, but a field missing
    rows.at(39, colPH1) = Cell(9.0);    // not computed: a stale value plays no part
    clsDataSet ds;
    const std::vector<FlagMask> flags = computeLetters(rows.table(ds), 38);

    QStringList expected(40, QString());
    expected[9] = expected[11] = expected[15] = expected[17] = "S";
    expected[10] = "SD";
    expected[16] = "ST";
    expected[20] = "N";
    expected[21] = "Y";
    expected[35] = expected[36] = expected[37] = "F";
    expected[38] = expected[39] = "X";
    EXPECT_EQ(letters(flags), expected);

    const FlagCounts c = countFlags(flags);
    EXPECT_EQ(c.flagged, 13);
    EXPECT_EQ(c.of[0], 6);   // S
    EXPECT_EQ(c.of[1], 3);   // F
    EXPECT_EQ(c.of[2], 1);   // D
    EXPECT_EQ(c.of[3], 1);   // T
    EXPECT_EQ(c.of[4], 1);   // N
    EXPECT_EQ(c.of[5], 2);   // X
    EXPECT_EQ(c.of[10], 1);  // Y
    EXPECT_EQ(flagCountsText(c), "13 flagged: S 6, F 3, D 1, T 1, N 1, X 2, Y 1");
}

TEST(QualityFlags, LimitsChangeTheResult) {
    Rows rows(40);
    for (int r = 5; r < 38; ++r) rows.at(r, colPH1) = Cell(7.1);
    clsDataSet ds;
    DataTable &t = rows.table(ds);
    QcThresholds th;
    th.probeSuspect = 0.05;  // 7.1 against 7.0 and 7.002
    th.flatSuspectMinutes = 60;
    th.flatFailMinutes = 60;  // a window of 60 records: none flat
    const FlagCounts c = countFlags(computeLetters(t, 40, th));
    EXPECT_EQ(c.of[2], 33);
    EXPECT_EQ(c.of[1], 0);
}

TEST(QualityFlags, NothingComputedAndShortTables) {
    Rows rows(2);
    rows.at(0, colPH1) = Cell(9.0);
    clsDataSet ds;
    DataTable &t = rows.table(ds);
    EXPECT_EQ(letters(computeLetters(t, 0)), QStringList({"X", "X"}));
    // 2.0 apart: probe agreement fails (9.0 itself is inside the user span); no spike from the
    // first and last records.
    EXPECT_EQ(letters(computeLetters(t, 2)), QStringList({"D", ""}));

    clsDataSet missing;  // Compute left a pH cell empty: a reading was missing
    Rows gaps(3);
    gaps.at(1, colPH2) = Cell();
    gaps.at(1, colPH2Raw) = Cell();
    EXPECT_EQ(letters(computeLetters(gaps.table(missing), 3)), QStringList({"", "MY", ""}));

    clsDataSet narrow;  // records without flow or pH columns: no pH, so no pH test and no letter
    narrow.add({Cell("5/13/2004 08:00:00"), Cell(20.0), Cell(30.0)});
    EXPECT_EQ(letters(computeLetters(narrow.DATA(), 1)), QStringList({""}));
    clsDataSet empty;
    EXPECT_TRUE(computeLetters(empty.DATA(), 0).empty());
}

TEST(QualityFlags, TextsAndStepping) {
    EXPECT_EQ(flagLetters(0), "");
    EXPECT_EQ(flagLetters(flagNoFlow | flagDisagree), "DN");
    EXPECT_EQ(flagLetters(flagConflict | flagGap | flagSpike | flagSyntax), "SGYO");
    std::array<std::uint8_t, kQcColumns> tests;
    tests.fill(1);
    tests[testSpike] = 4;
    const QString tip = qcTooltip(flagSpike | flagNotComputed, tests, qcSetup({}, 60));
    EXPECT_TRUE(tip.startsWith("S: spike (a value far from the mean of the records either side)\n"
                               "X: not computed (the computation stopped before this record)\n"
                               "pH-1: gap 1, syntax 1, gross range 1, climatology 1, spike 4, "))
        << tip.toStdString();
    EXPECT_TRUE(tip.contains("Therm 3: gross range 1, spike 1, flat line 1\n"));
    EXPECT_TRUE(tip.endsWith("Flat-line windows: 30 and 120 records"));

    const std::vector<FlagMask> f = {0, 1, 0, 0, 4, 0};
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
    QcThresholds mine;
    mine.spikeSuspect = 0.05;
    mine.flatFailMinutes = 90;
    mine.climatology[6] = {true, 7.6, 8.2};
    {
        QSettings s(ini, QSettings::IniFormat);
        EXPECT_EQ(loadQcThresholds(s), QcThresholds{});
        EXPECT_EQ(loadGapMinutes(s), 10.0);
        saveQcThresholds(s, mine);
        saveGapMinutes(s, 2.5);
    }
    {
        QSettings s(ini, QSettings::IniFormat);
        mine.gapMinutes = 2.5;  // one value: the gap limit is a threshold too
        EXPECT_EQ(loadQcThresholds(s), mine);
        EXPECT_EQ(loadGapMinutes(s), 2.5);
        s.setValue("QualityFlags/GapMinutes", "0");
        EXPECT_EQ(loadGapMinutes(s), 10.0);
        s.setValue("QualityFlags/SpikeFail", "nan");  // the default 0.3 for that value alone
        QcThresholds expected = mine;
        expected.gapMinutes = 10;
        expected.spikeFail = 0.3;
        EXPECT_EQ(loadQcThresholds(s), expected);
        s.setValue("QualityFlags/SpikeSuspect", "0.5");  // above the fail threshold: all defaults
        EXPECT_EQ(loadQcThresholds(s), QcThresholds{});
    }
    QcThresholds zero;
    zero.flatTolerance = 0;
    EXPECT_FALSE(sensibleThresholds(zero));
    EXPECT_TRUE(sensibleThresholds(QcThresholds{}));
}
