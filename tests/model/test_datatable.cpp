#include "model/clsdataset.h"
#include "model/datetime.h"

#include <gtest/gtest.h>
#include <array>
#include <cmath>

TEST(DataTable, ResizeKeepsCellsInsideBothBoundsAndRejectsOutside) {
    DataTable t;
    t.resize(2, 1);
    t.setCell(0, 0, Cell(QStringLiteral("5/13/2004 08:00:00")));
    t.setCell(1, 1, Cell(7.5));
    t.setCell(2, 1, Cell(QStringLiteral("x")));
    t.resize(1, 3);
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_EQ(t.lastCol(), 3);
    EXPECT_EQ(t.cell(0, 0).string(), QStringLiteral("5/13/2004 08:00:00"));
    EXPECT_EQ(t.cell(1, 1).number(), 7.5);
    EXPECT_TRUE(t.cell(1, 3).isEmpty());
    EXPECT_THROW(t.cell(2, 0), TableError);
    EXPECT_THROW(t.setCell(0, 4, Cell(1.0)), TableError);
    EXPECT_THROW(t.cell(-1, 0), TableError);
    t.resize(-1, 3);
    EXPECT_EQ(t.rowCount(), 0);
    EXPECT_EQ(t.lastRow(), -1);
}

TEST(DataTable, CellTextsAndNumbers) {
    EXPECT_EQ(Cell(7.8123).text(), QStringLiteral("7.8123"));
    EXPECT_EQ(Cell(12.5).text(), QStringLiteral("12.5"));
    EXPECT_EQ(Cell(-0.0125).text(), QStringLiteral("-0.0125"));
    EXPECT_EQ(Cell(58.2).text(), QStringLiteral("58.2"));
    EXPECT_EQ(Cell(1.0).text(), QStringLiteral("1"));
    EXPECT_EQ(Cell().text(), QString());
    EXPECT_EQ(Cell().toNumber(), 0.0);
    EXPECT_EQ(Cell(QStringLiteral(" 2.5 ")).toNumber(), 2.5);
    EXPECT_FALSE(Cell(QStringLiteral("abc")).toNumber().has_value());
}

TEST(DataTable, DateTimeColumnKeepsDecimalDayInStep) {
    DataTable t;
    t.resize(1, 2);
    t.setCell(0, 0, Cell(QStringLiteral("1/1/2005 12:00:00")));
    EXPECT_DOUBLE_EQ(t.rowDay(0), 38353.5);
    t.setCell(0, 0, Cell(QStringLiteral("not a date")));
    EXPECT_TRUE(std::isnan(t.rowDay(0)));
    t.setCell(0, 0, Cell(QStringLiteral("12/31/1899 00:00:00")));
    EXPECT_DOUBLE_EQ(t.rowDay(0), 1.0);
    EXPECT_TRUE(std::isnan(t.rowDay(1)));
}

TEST(DataSet, NewDataSetHasItsInitialValues) {
    clsDataSet ds;
    EXPECT_FALSE(ds.isInitialized());
    EXPECT_FALSE(ds.isDateInitialized());
    EXPECT_EQ(ds.rowcount(), 0);
    EXPECT_EQ(ds.startdate(), 0.0);
    EXPECT_EQ(ds.pH1_Slope(), 1.0);
    EXPECT_EQ(ds.pH2_Slope(), 1.0);
    EXPECT_EQ(ds.pH1_Offset(), 0.0);
    EXPECT_EQ(ds.pH2_Offset(), 0.0);
    EXPECT_TRUE(ds.pH1_SerialNumber().isEmpty());
    EXPECT_TRUE(ds.pH2_CalibrationDate().isEmpty());
    EXPECT_THROW(ds.field(QStringLiteral("Time")), std::out_of_range);
}

TEST(DataSet, ClearKeepsProbeValuesStartDateAndFieldList) {
    clsDataSet ds;
    ds.setStartdate(38120.0);
    ds.setPH1_Slope(58.2);
    ds.setPH2_SerialNumber(QStringLiteral("A-17"));
    ds.setFieldlist({QStringLiteral("Time"), QString()});
    ds.add({Cell(QStringLiteral("5/13/2004 08:00:00")), Cell(1.0)});
    ds.Clear();
    EXPECT_FALSE(ds.isDateInitialized());
    EXPECT_EQ(ds.startdate(), 38120.0);
    EXPECT_EQ(ds.pH1_Slope(), 58.2);
    EXPECT_EQ(ds.pH2_SerialNumber(), QStringLiteral("A-17"));
    EXPECT_EQ(ds.fieldlist().size(), 2);
    EXPECT_EQ(ds.rowcount(), 0);
    EXPECT_EQ(ds.DATA().rowCount(), 0);
}

TEST(DataSet, TableGrowsBy501RowsAndIsTrimmedOnFirstRead) {
    clsDataSet ds;
    std::vector<Cell> rec(11, Cell(1.0));
    ds.add(rec);
    // Peek without finalizing: the table is not reachable otherwise, so count via finalize below.
    for (int i = 1; i < 501; ++i) ds.add(rec);
    ds.add(rec);  // the 502nd
    EXPECT_EQ(ds.rowcount(), 502);
    DataTable &t = ds.DATA();
    EXPECT_TRUE(ds.isInitialized());
    EXPECT_EQ(t.rowCount(), 502);
    EXPECT_EQ(t.colCount(), 11);
    EXPECT_EQ(&ds.DATA(), &t);
    EXPECT_EQ(ds.DATA().rowCount(), 502);
}

TEST(DataSet, NoRecordsFinalizesToEmptyTable) {
    clsDataSet ds;
    EXPECT_EQ(ds.DATA().lastRow(), -1);
    EXPECT_TRUE(ds.isInitialized());
}

TEST(DataSet, WiderRecordWidensTableAndShorterOneCutsNothing) {
    clsDataSet ds;
    ds.add({Cell(QStringLiteral("a")), Cell(1.0), Cell(2.0)});
    ds.add({Cell(QStringLiteral("b")), Cell(1.0), Cell(2.0), Cell(3.0), Cell(4.0)});
    std::vector<Cell> narrow{Cell(QStringLiteral("c")), Cell(9.0)};
    for (int i = 0; i < 600; ++i) ds.add(narrow);  // growth triggered by a narrow record
    DataTable &t = ds.DATA();
    EXPECT_EQ(t.colCount(), 5);
    EXPECT_EQ(t.cell(1, 4).number(), 4.0);
    EXPECT_EQ(t.cell(0, 2).number(), 2.0);
    EXPECT_TRUE(t.cell(0, 4).isEmpty());
}

TEST(DataSet, The32768thAddFailsAndChangesNothing) {
    clsDataSet ds;
    std::vector<Cell> rec{Cell(QStringLiteral("5/13/2004 08:00:00")), Cell(1.0)};
    for (int i = 0; i < kMaxRecords; ++i) ds.add(rec);
    EXPECT_THROW(ds.add({Cell(QStringLiteral("x")), Cell(2.0)}), OverflowError);
    EXPECT_EQ(ds.rowcount(), kMaxRecords);
    EXPECT_EQ(ds.DATA().rowCount(), kMaxRecords);
    EXPECT_EQ(ds.DATA().cell(kMaxRecords - 1, 1).number(), 1.0);
}

TEST(DataSet, FullLoadFitsTheMemoryBudget) {
    clsDataSet ds;
    std::vector<Cell> rec(11, Cell(20.25));
    for (int i = 0; i < kMaxRecords; ++i) {
        rec[0] = Cell(dt::recordText(38120.0 + i / 8640.0));
        ds.add(rec);
    }
    EXPECT_LT(ds.DATA().memoryBytes(), 16u * 1024 * 1024);
}

TEST(DataSet, FieldMatchesWholeLowerCasedNames) {
    clsDataSet ds;
    ds.setFieldlist({QStringLiteral("Time"), QStringLiteral("Temp1"), QString()});
    EXPECT_EQ(ds.field(QStringLiteral("TIME")), 0);
    EXPECT_EQ(ds.field(QStringLiteral("temp1")), 1);
    EXPECT_EQ(ds.field(QStringLiteral("Time ")), -1);
    EXPECT_EQ(ds.field(QStringLiteral("Temp")), -1);
    EXPECT_EQ(ds.field(QString()), -1);  // the trailing empty entry is never examined
}

TEST(DataTable, RecordTimesKeptAsDaysReadAsTheirTexts) {
    // Every second of days in three centuries: the kept day gives back the text it came from,
    // the same day reading the text gives, and no number.
    DataTable t;
    t.resize(0, 1);
    for (const double date : {dt::fromDate(1900, 3, 1), dt::fromDate(2004, 5, 13), dt::fromDate(2100, 12, 31)}) {
        for (int s = 0; s < 86400; ++s) {
            const dt::Parts p = dt::toParts(date + s / dt::kSecondsPerDay);
            const double day = dt::fromParts(p);
            t.setRecordTime(0, 0, day);
            const QString text = t.text(0, 0);
            ASSERT_EQ(dt::parse(text), day) << text.toStdString();
            ASSERT_EQ(t.rowDay(0), day);
        }
    }
    EXPECT_EQ(t.kind(0, 0), Cell::Kind::Text);
    EXPECT_EQ(t.cell(0, 0), Cell(QStringLiteral("12/31/2100 23:59:59")));
    EXPECT_EQ(t.number(0, 0), std::nullopt);
    t.setCell(0, 0, Cell(QStringLiteral("Time")));  // a text written over it is an ordinary text
    EXPECT_EQ(t.text(0, 0), "Time");
    EXPECT_TRUE(std::isnan(t.rowDay(0)));
}

TEST(DataSet, AnyLengthLimitAndAMillionRecordsInTheBudget) {
    clsDataSet ds;
    ds.setRecordLimit(kAnyLengthRecords);
    ds.Clear();  // the limit is kept
    const int n = 1000000;
    ds.expectRecords(n);
    std::vector<Cell> rec(11, Cell(20.25));
    for (int i = 0; i < n; ++i) ds.addRecord(38120.0 + i / 86400.0, rec);
    EXPECT_EQ(ds.DATA().rowCount(), n);
    EXPECT_EQ(ds.DATA().text(n - 1, 0), "5/24/2004 13:46:39");
    EXPECT_LT(ds.DATA().memoryBytes(), 120u * 1024 * 1024);
}

TEST(DataSet, ARecordOfNumbersStoredAtOnceReadsAsOneStoredCellByCell) {
    const double day = dt::fromParts({2004, 5, 13, 8, 0, 10});
    const double numbers[] = {20.5, -0.0, 7.8, 9.5};
    clsDataSet once, cells;
    // Blocks of records go in a column at a time: shorter and wider records, a record of cells
    // between them, and more than one block.
    for (int r = 0; r < 700; ++r) {
        const int count = r == 650 ? 4 : r % 3 == 1 ? 1 : 3;
        std::vector<Cell> row{Cell()};
        for (int k = 0; k < count; ++k) row.emplace_back(numbers[k]);
        if (r == 300)
            once.addRecord(day + r, row);
        else
            once.addRecord(day + r, numbers, count);
        cells.addRecord(day + r, row);
    }
    DataTable &a = once.DATA(), &b = cells.DATA();
    ASSERT_EQ(a.rowCount(), 700);
    ASSERT_EQ(a.colCount(), b.colCount());
    for (int r = 0; r < a.rowCount(); ++r) {
        EXPECT_EQ(a.rowDay(r), b.rowDay(r));
        for (int c = 0; c < a.colCount(); ++c) {
            ASSERT_EQ(a.kind(r, c), b.kind(r, c)) << r << "," << c;
            ASSERT_EQ(a.cell(r, c), b.cell(r, c)) << r << "," << c;
        }
    }
    EXPECT_EQ(a.allNumbers(4), b.allNumbers(4));
    EXPECT_EQ(a.text(1, 0), "5/14/2004 08:00:10");
    EXPECT_TRUE(std::signbit(a.cell(0, 2).number()));
    EXPECT_THROW(a.setRecord(0, day, numbers, 3 + a.colCount()), TableError);
}

TEST(DataTable, ColumnReadsAsNumbersWithMarksOnlyWhileItHoldsOtherCells) {
    DataTable t;
    t.resize(3, 2);
    for (int r = 0; r < 4; ++r) t.setRecord(r, 38120.0 + r, std::array{1.0 + r, 2.0}.data(), 2);
    EXPECT_TRUE(t.allNumbers(1));
    t.setCell(1, 1, Cell(QStringLiteral(" 2.5 ")));
    t.setCell(2, 1, Cell(QStringLiteral("x")));
    t.setCell(3, 1, Cell());
    EXPECT_FALSE(t.allNumbers(1));
    const std::span<const double> v = t.numbers(1);
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0], 1.0);
    EXPECT_EQ(v[1], 2.5);  // a text as the number it reads as
    EXPECT_TRUE(std::isnan(v[2]) && std::isnan(v[3]));
    EXPECT_EQ(t.kind(1, 1), Cell::Kind::Text);
    EXPECT_EQ(t.cell(2, 1), Cell(QStringLiteral("x")));
    EXPECT_EQ(t.number(3, 1), 0.0);  // an empty cell is still 0 to a cell read
    double out[4];
    t.columnNumbers(1, 0, 4, out, -1.0);
    EXPECT_EQ(std::vector<double>(out, out + 4), (std::vector<double>{1.0, 2.5, -1.0, -1.0}));

    // Numbers written over them again: no marks left, the texts gone.
    t.setNumber(1, 1, 7.0);
    t.setCell(2, 1, Cell(8.0));
    t.numbersForWrite(1, 3, 1)[0] = 9.0;
    EXPECT_TRUE(t.allNumbers(1));
    EXPECT_EQ(t.cell(1, 1), Cell(7.0));
    EXPECT_EQ(std::vector<double>(t.numbers(1).begin(), t.numbers(1).end()), (std::vector<double>{1, 7, 8, 9}));

    // Column 0 holds the days; a number there is no date-time, a record time elsewhere no number.
    EXPECT_EQ(t.days()[2], 38122.0);
    t.setCell(2, 0, Cell(5.0));
    t.setRecordTime(0, 2, 38200.5);
    EXPECT_TRUE(std::isnan(t.rowDay(2)));
    EXPECT_EQ(t.cell(2, 0), Cell(5.0));
    EXPECT_EQ(t.number(2, 0), 5.0);
    EXPECT_EQ(t.text(0, 2), "8/1/2004 12:00:00");
    EXPECT_EQ(t.number(0, 2), std::nullopt);
    EXPECT_TRUE(std::isnan(t.numbers(2)[0]));
    EXPECT_THROW(t.numbersForWrite(0, 0, 1), TableError);
    EXPECT_THROW(t.numbersForWrite(1, 3, 2), TableError);
}

TEST(DataTable, ResizeKeepsMarkedCellsAndDropsThoseOutside) {
    DataTable t;
    t.resize(2, 1);
    t.setCell(0, 1, Cell(1.0));
    t.setCell(1, 1, Cell(QStringLiteral("a")));
    t.setCell(2, 1, Cell(QStringLiteral("b")));
    t.setRecordTime(2, 0, 38120.25);
    t.resize(3, 3);  // wider and longer: the new cells empty
    EXPECT_EQ(t.cell(1, 1), Cell(QStringLiteral("a")));
    EXPECT_EQ(t.cell(2, 1), Cell(QStringLiteral("b")));
    EXPECT_EQ(t.rowDay(2), 38120.25);
    EXPECT_TRUE(t.cell(3, 1).isEmpty() && t.cell(0, 3).isEmpty() && t.cell(3, 0).isEmpty());
    t.setCell(3, 1, Cell(4.0));
    t.resize(1, 1);  // the texts' rows and the rows after go
    EXPECT_FALSE(t.allNumbers(1));
    t.setCell(1, 1, Cell(2.0));
    EXPECT_TRUE(t.allNumbers(1));
    t.resize(2, 1);
    EXPECT_TRUE(t.cell(2, 1).isEmpty());  // not the text that was there
    EXPECT_TRUE(std::isnan(t.rowDay(2)));
    t.setRecordTime(0, 0, 38120.0);
    t.resize(2, -1);  // no columns: the rows have no date-time, and get none back when widened
    t.resize(2, 0);
    EXPECT_TRUE(std::isnan(t.rowDay(0)) && t.cell(0, 0).isEmpty());
}

TEST(DataTable, AppendRowsMovesAnotherTablesRowsOntoTheEnd) {
    clsDataSet first, second;
    first.setRecordLimit(kAnyLengthRecords);
    for (int i = 0; i < 700; ++i) first.addRecord(38120.0 + i / 86400.0, std::array{1.0 * i, 2.0}.data(), 2);
    second.addRecord(38121.0, {Cell(), Cell(QStringLiteral("t")), Cell(), Cell(4.0)});
    second.addRecord(38121.5, std::array{5.0}.data(), 1);
    DataTable &a = first.DATA();
    const auto generation = a.generation();
    a.appendRows(std::move(second.DATA()));
    EXPECT_EQ(second.DATA().rowCount(), 0);
    ASSERT_EQ(a.rowCount(), 702);
    EXPECT_EQ(a.colCount(), 4);  // widened for the wider rows
    EXPECT_NE(a.generation(), generation);
    EXPECT_EQ(a.number(699, 1), 699.0);
    EXPECT_TRUE(a.cell(699, 3).isEmpty());
    EXPECT_EQ(a.cell(700, 1), Cell(QStringLiteral("t")));
    EXPECT_TRUE(a.cell(700, 2).isEmpty());
    EXPECT_EQ(a.number(700, 3), 4.0);
    EXPECT_EQ(a.number(701, 1), 5.0);
    EXPECT_TRUE(a.cell(701, 3).isEmpty());
    EXPECT_EQ(a.text(701, 0), "5/14/2004 12:00:00");
    EXPECT_TRUE(a.daysAscending());
    EXPECT_TRUE(a.allNumbers(2) == false && std::isnan(a.numbers(2)[700]));
}

// A long table whose room past its rows was given back keeps every value, and grows into it.
TEST(DataTable, ALongTableSqueezedKeepsItsRowsAndGrowsAgain) {
    clsDataSet ds;
    ds.setRecordLimit(kAnyLengthRecords);
    const int n = 300001;  // 2.4 MB a column: its room ends inside a huge page
    ds.expectRecords(n);
    for (int i = 0; i < n; ++i) ds.addRecord(38120.0 + i / 86400.0, std::array{1.0 * i}.data(), 1);
    DataTable &t = ds.DATA();
    int wrong = 0;
    for (int i = 0; i < n; ++i) wrong += t.number(i, 1) != 1.0 * i;
    EXPECT_EQ(wrong, 0);
    t.resize(n + 99999, 1);
    EXPECT_TRUE(t.cell(n, 1).isEmpty());
    EXPECT_TRUE(std::isnan(t.numbers(1)[std::size_t(n + 99999)]));
    t.setNumber(n + 99999, 1, 7.5);
    EXPECT_EQ(t.number(n + 99999, 1), 7.5);
    EXPECT_EQ(t.number(n - 1, 1), n - 1.0);
}
