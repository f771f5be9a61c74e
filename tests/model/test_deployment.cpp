// Logs joined as one deployment: time order, records two logs hold, columns by name, gaps.
#include "model/deployment.h"

#include <gtest/gtest.h>

namespace {

constexpr double kDay0 = 38120.0, kMinute = 1.0 / 1440;  // 5/13/2004 00:00
const QStringList kNames = {"Time", "Therm 1", "Therm 2", "Therm 3",   "pH-1 Raw",  "pH-2 Raw",
                            "pH-1", "pH-2",    "Aux",     "Flow Rate", "Total Vol", ""};

// A record at minute k: temperatures 20, raw readings k and -k, aux 1, flow f, volume k.
void addRecord(clsDataSet &ds, int k, double flow, bool withAux = true) {
    std::vector<double> v = {20, 20, 20, double(k), double(-k), 0, 0};
    if (withAux) v.push_back(1);
    v.insert(v.end(), {flow, double(k)});
    ds.addRecord(kDay0 + k * kMinute, v.data(), int(v.size()));
}

}  // namespace

TEST(Deployment, LogsJoinInTimeOrderByColumnNameKeepingEachRecordOnce) {
    std::vector<DeploymentLog> logs(2);
    // Given second but earlier: minutes 0..4.
    logs[1].path = "/logs/day1.asc";
    logs[1].data.setFieldlist(kNames);
    for (int k = 0; k <= 4; ++k) addRecord(logs[1].data, k, 1.5);
    // Without the Aux column; minute 3 again as it was, minute 4 with another flow, then a
    // 34-minute step.
    logs[0].path = "/logs/day2.asc";
    QStringList noAux = kNames;
    noAux.removeAt(8);
    logs[0].data.setFieldlist(noAux);
    for (const int k : {3, 4, 5, 6, 40}) addRecord(logs[0].data, k, k == 4 ? 9.9 : 1.5, false);

    clsDataSet ds;
    Join join = joinLogs(logs, ds);
    const DataTable &t = ds.DATA();
    ASSERT_EQ(t.rowCount(), 9);
    EXPECT_EQ(join.duplicatesDropped, 1);
    EXPECT_EQ(join.conflicts, 2);
    EXPECT_EQ(join.conflictRows, std::vector<int>({4, 5}));
    std::vector<int> logOfRow;
    for (int r = -1; r <= 9; ++r) logOfRow.push_back(join.logOf(r));
    EXPECT_EQ(logOfRow, std::vector<int>({-1, 0, 0, 0, 0, 0, 1, 1, 1, 1, -1}));
    ASSERT_EQ(join.logs.size(), 2u);
    EXPECT_EQ(join.logs[0].path, "/logs/day1.asc");
    EXPECT_EQ(join.logs[1].firstRow, 5);
    EXPECT_EQ(join.logs[1].rows, 4);
    EXPECT_EQ(join.logs[1].records, 5);
    EXPECT_EQ(ds.fieldlist(), kNames);
    ASSERT_EQ(join.columnDifferences.size(), 1);
    EXPECT_TRUE(join.columnDifferences[0].startsWith("day2.asc: ")) << join.columnDifferences[0].toStdString();
    EXPECT_TRUE(join.columnDifferences[0].contains("\"Aux\"")) << join.columnDifferences[0].toStdString();

    // Minute 4 of each log, then 5 from the second: its flow and volume by name, no Aux.
    EXPECT_EQ(t.text(4, colDateTime), "5/13/2004 00:04:00");
    EXPECT_EQ(t.cell(4, colFlowRate).number(), 1.5);
    EXPECT_EQ(t.cell(5, colFlowRate).number(), 9.9);
    EXPECT_EQ(t.cell(6, colTotalVolume).number(), 5.0);
    EXPECT_TRUE(t.cell(6, 8).isEmpty());
    EXPECT_EQ(t.cell(6, colPH2Raw).number(), -5.0);

    const std::vector<Gap> gaps = findGaps(t, 10 * kMinute);
    ASSERT_EQ(gaps.size(), 1u);
    EXPECT_EQ(gaps[0].fromRow, 7);
    EXPECT_EQ(gaps[0].toRow, 8);
    EXPECT_NEAR(gaps[0].toDay - gaps[0].fromDay, 34 * kMinute, 1e-9);
    // Rows appended from row 8 on: the step into it is theirs; from row 9 on there is none.
    EXPECT_EQ(findGaps(t, 10 * kMinute, 8), gaps);
    EXPECT_TRUE(findGaps(t, 10 * kMinute, 9).empty());

    // The last log grows (followed): its range takes the new rows.
    clsDataSet grown;
    grown.setFieldlist(noAux);
    for (const int k : {3, 4, 5, 6, 40, 41, 42}) addRecord(grown, k, 1.5, false);
    EXPECT_EQ(appendToJoin(join, 1, grown, 5, ds), 9);
    EXPECT_EQ(join.logs[1].rows, 6);
    EXPECT_EQ(join.logOf(10), 1);
    EXPECT_EQ(join.logOf(11), -1);
}

TEST(Deployment, DurationsInTheirTwoLargestUnits) {
    const double second = kMinute / 60;
    EXPECT_EQ(durationText(200 * kMinute), "3 h 20 min");
    EXPECT_EQ(durationText(3 * 60 * kMinute + 5 * second), "3 h");
    EXPECT_EQ(durationText(2 + 4 * 60 * kMinute + 59 * kMinute), "2 d 4 h");
    EXPECT_EQ(durationText(45 * second), "45 s");
    EXPECT_EQ(durationText(kMinute / 200), "0 s");
}
