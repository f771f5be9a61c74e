// Calibration lines in the middle of a log: the records before a line keep the calibration
// they were logged under.
#include "workbench/workbench.h"
#include "export/export_fixtures.h"
#include "support/scripted_interaction.h"
#include "support/temp_files.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace exporttest;

namespace {

const std::vector<Reading> kReadings = {
    {"10:00:00", {25.0, 18.1, 12.5}, 59.16, 41.14}, {"10:00:10", {17.7, 30.25, 17.46}, -100, -40.25},
    {"10:00:20", {12.5, 18.16, 17.49}, 66.22, 0.0}, {"10:00:30", {20.0, 21.0, 22.0}, 120.5, 80.0},
    {"10:00:40", {21.5, 19.0, 18.0}, -3.7, 15.25},  {"10:00:50", {22.25, 20.0, 19.0}, 44.4, -12.5},
    {"10:01:00", {23.0, 21.0, 20.0}, 10.0, 100.0},
};

// Header lines 1-7, record i on line 8 + i; a slope line before record 3 (line 11) and a group
// of two offset lines before record 5 (lines 14 and 15).
QByteArray segmentedLog() {
    QByteArray log = makeLog(kReadings);
    log.replace("\"10:00:30\"", "Slope:,0.97,Slope2:,1.03\r\n\"10:00:30\"");
    log.replace("\"10:00:50\"", "\"Probe 1 Offset:\",0.02\r\n\"Probe 2 Offset:\",-0.01\r\n\"10:00:50\"");
    return log;
}

}  // namespace

TEST(WorkbenchSegments, EachRecordTakesTheCalibrationItWasLoggedUnder) {
    TempFiles tmp;
    const QByteArray bytes = segmentedLog();
    const QString path = tmp.write("segments.asc", bytes);
    ScriptedInteraction ui;
    Workbench wb(ui, nullptr);
    ASSERT_TRUE(wb.open(path));
    ASSERT_EQ(wb.segments().size(), 3u);
    const Probe probes[3][2] = {
        {{0.985, 0.0125}, {1.012, -0.0085}}, {{0.97, 0.0125}, {1.03, -0.0085}}, {{0.97, 0.02}, {1.03, -0.01}}};
    const int firstRows[3] = {0, 3, 5};
    const QString origins[3] = {"header", "line 11", "line 14"};
    for (int s = 0; s < 3; ++s) {
        const CalibrationSegment &seg = wb.segments()[std::size_t(s)];
        EXPECT_EQ(seg.firstRow, firstRows[s]);
        EXPECT_EQ(seg.originText(), origins[s]);
        for (std::size_t p = 0; p < 2; ++p) {
            EXPECT_EQ(seg.calibration.slope[p], probes[s][p].slope) << s;
            EXPECT_EQ(seg.calibration.offset[p], probes[s][p].offset) << s;
        }
    }
    // The fields show the first segment until the window shows another.
    EXPECT_EQ(wb.calibration().slope[0], 0.985);
    EXPECT_EQ(wb.segmentOf(2), 0);
    EXPECT_EQ(wb.segmentOf(3), 1);
    EXPECT_EQ(wb.segmentOf(6), 2);

    // pH = (E - o) / (K x 0.000198416 x s) + 7 + p on each side of both boundaries.
    for (int s = 0; s < 3; ++s) {
        Calibration c = wb.segments()[std::size_t(s)].calibration;
        c.corr[1] = 0.05;
        wb.setSegmentCalibration(s, c);
    }
    ASSERT_TRUE(wb.computePH());
    for (int r = 0; r < 7; ++r) {
        const Reading &in = kReadings[std::size_t(r)];
        const int s = r < 3 ? 0 : r < 5 ? 1 : 2;
        Probe p2 = probes[s][1];
        p2.corr = 0.05;
        EXPECT_EQ(*wb.table().number(r, colPH1), expectedPH(in, in.raw1, probes[s][0])) << r;
        EXPECT_EQ(*wb.table().number(r, colPH2), expectedPH(in, in.raw2, p2)) << r;
    }

    // One segment edited: only its records change.
    Calibration edited = wb.segments()[1].calibration;
    edited.slope[0] = 1.1;
    wb.setSegmentCalibration(1, edited);
    EXPECT_EQ(wb.segments()[1].originText(), "edited");
    ASSERT_TRUE(wb.computePH());
    EXPECT_EQ(*wb.table().number(2, colPH1), expectedPH(kReadings[2], kReadings[2].raw1, probes[0][0]));
    EXPECT_EQ(*wb.table().number(4, colPH1), expectedPH(kReadings[4], kReadings[4].raw1, Probe{1.1, 0.0125}));
    EXPECT_EQ(*wb.table().number(5, colPH1), expectedPH(kReadings[5], kReadings[5].raw1, probes[2][0]));

    // The fields of one segment for all of them.
    wb.applyToAllSegments(wb.calibration());
    ASSERT_TRUE(wb.computePH());
    EXPECT_EQ(*wb.table().number(6, colPH1), expectedPH(kReadings[6], kReadings[6].raw1, probes[0][0]));

    // A read in two halves joins to the same segments.
    clsDataSet halves;
    storeLines(bytes, halves, ui, nullptr, 2);
    const std::vector<FileCalibration> &a = halves.calibrationSegments(), &b = wb.dataSet().calibrationSegments();
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].firstRow, b[i].firstRow);
        EXPECT_EQ(a[i].line, b[i].line);
        EXPECT_EQ(a[i].slope, b[i].slope);
        EXPECT_EQ(a[i].offset, b[i].offset);
    }

    // Followed: a slope line appended starts a segment at the next record, computed at once.
    ASSERT_TRUE(wb.startFollow());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("\"Probe 1 Slope:\",0.95\r\n\"10:01:10\",25,18.1,12.5,59.16,41.14,7.8,7.9,7,1.25,3.5\r\n");
    f.close();
    EXPECT_EQ(wb.pollFollow().segments, 4);
    EXPECT_EQ(wb.segments()[3].firstRow, 7);
    EXPECT_EQ(*wb.table().number(7, colPH1), expectedPH(kReadings[0], 59.16, Probe{0.95, 0.02}));
}
