#pragma once
// One probe log file in memory: the two probes' calibration, the start date, the column
// names and the DATA table of records.
#include "model/calibrationsegment.h"
#include "model/datatable.h"
#include "model/phprobe.h"

#include <QStringList>
#include <optional>
#include <stdexcept>
#include <vector>

// Column positions of DATA; column 8 is carried but read by nobody.
inline constexpr int colDateTime = 0, colTherm1 = 1, colTherm2 = 2, colTherm3 = 3, colPH1Raw = 4, colPH2Raw = 5,
                     colPH1 = 6, colPH2 = 7, colFlowRate = 9, colTotalVolume = 10;

// Record counters are 16-bit by default: this many records at most.
inline constexpr int kMaxRecords = 32767;
// The limit of a data set that loads logs of any length.
inline constexpr int kAnyLengthRecords = 2147483647;

// The record past the data set's limit.
class OverflowError : public std::overflow_error {
public:
    using std::overflow_error::overflow_error;
};

class clsDataSet {
public:
    bool isInitialized() const { return m_initialized; }
    bool isDateInitialized() const { return m_dateInitialized; }

    void setStartdate(double vData) {
        m_startdate = vData;
        m_dateInitialized = true;
    }
    double startdate() const { return m_startdate; }

    // The probes' values are also those of the last calibration segment.
    void setPH1_Slope(double vData) { m_probe1.setSlope(m_segments.back().slope[0] = vData); }
    double pH1_Slope() const { return m_probe1.Slope(); }
    void setPH2_Slope(double vData) { m_probe2.setSlope(m_segments.back().slope[1] = vData); }
    double pH2_Slope() const { return m_probe2.Slope(); }
    void setPH1_Offset(double vData) { m_probe1.setOffset(m_segments.back().offset[0] = vData); }
    double pH1_Offset() const { return m_probe1.Offset(); }
    void setPH2_Offset(double vData) { m_probe2.setOffset(m_segments.back().offset[1] = vData); }
    double pH2_Offset() const { return m_probe2.Offset(); }
    void setPH1_SerialNumber(const QString &vData) { m_probe1.setSerialNumber(vData); }
    QString pH1_SerialNumber() const { return m_probe1.SerialNumber(); }
    void setPH2_SerialNumber(const QString &vData) { m_probe2.setSerialNumber(vData); }
    QString pH2_SerialNumber() const { return m_probe2.SerialNumber(); }
    void setPH1_CalibrationDate(const QString &vData) { m_probe1.setCalibrationDate(vData); }
    QString pH1_CalibrationDate() const { return m_probe1.CalibrationDate(); }
    void setPH2_CalibrationDate(const QString &vData) { m_probe2.setCalibrationDate(vData); }
    QString pH2_CalibrationDate() const { return m_probe2.CalibrationDate(); }

    // The table itself (not a copy); trims it to the records first if not yet initialized.
    DataTable &DATA();
    // The records appended so far, without that trim: a join reads them between appends, and a
    // trim there would let go of the room kept for the logs still to come.
    const DataTable &appendedRecords() const { return m_table; }
    int rowcount() const { return m_rowcount; }

    void Clear();
    void finalize();
    // Trims the table to the records but keeps its room: a log that grows adds rows without
    // copying the table each time.
    void trimRows();
    // Room for the table to grow to twice its records (within the record limit), as a log that is
    // followed does a few records at a time: the copy that growing costs is made now, once.
    void makeRoomToGrow();
    // Appends one record; throws OverflowError, changing nothing, when recordLimit() are stored.
    void add(const std::vector<Cell> &theRow);
    // The same for a record whose date-time text is that of `recordDay`: column 0 keeps the
    // day only (theRow[0] is not read).
    void addRecord(double recordDay, const std::vector<Cell> &theRow);
    // The same for a record of numbers only: the row in one write, no cells made.
    void addRecord(double recordDay, const double *numbers, int count);
    // Appends the rows of a table filled apart (the second half of a long log) as records, the
    // narrower of the two tables widened; returns the first new row. Their column 0 is then set
    // with setRecordDay or setRecordText. Throws OverflowError, changing nothing, past recordLimit().
    int appendRecords(DataTable &&rows);
    // Column 0 of a stored record: the date-time of `day` (as addRecord), or a text where no
    // day can stand for it (as add).
    void setRecordDay(int row, double day) {
        writeStaged();
        m_table.setRecordTime(row, colDateTime, day);
    }
    void setRecordText(int row, const QString &text) {
        writeStaged();
        m_table.setCell(row, colDateTime, Cell(text));
    }

    // How many records the data set takes: kMaxRecords, or kAnyLengthRecords. Kept by Clear.
    int recordLimit() const { return m_recordLimit; }
    void setRecordLimit(int limit) { m_recordLimit = limit; }
    // About this many records will follow: the table makes room once instead of growing.
    void expectRecords(int count) { m_expected = count; }

    // A slope or offset line at the log's `line`: after a record (nextRow is past the last
    // segment's first row) it starts a segment at nextRow; the values it sets go to the last.
    void calibrationLine(int line, int nextRow);
    // In row order, the first at row 0; the last may have no record yet. Clear leaves one, with
    // the probes' values.
    const std::vector<FileCalibration> &calibrationSegments() const { return m_segments; }

    void setFieldlist(const QStringList &columnList) { m_fieldlist = columnList; }
    // The column names followed by one empty entry; empty when no header was read.
    QStringList fieldlist() const { return m_fieldlist.value_or(QStringList()); }
    bool hasFieldlist() const { return m_fieldlist.has_value(); }
    // Position of a column name (whole text, case-insensitive) or -1; throws without a field list.
    int field(const QString &target) const;

private:
    // Room for one more record of columns 0..w; its row index.
    int makeRow(int w);
    // Records of numbers wait here and go into the table a block at a time, column by column:
    // a column store written row by row touches every column's memory for every record.
    // They wait by column too (record i's column c at c * kStagedStride + i), so that each
    // column goes into the table as one copy. The stride is a line more than the block, so the
    // columns of one record do not fall on the same cache set.
    static constexpr int kStagedRecords = 256;
    static constexpr std::size_t kStagedStride = kStagedRecords + 8;
    std::vector<double> m_staged;
    std::vector<int> m_stagedCount;  // each record's numbers
    void writeStaged() {
        if (!m_stagedCount.empty()) writeStagedRecords();
    }
    void writeStagedRecords();

    pHProbe m_probe1, m_probe2;
    std::vector<FileCalibration> m_segments{FileCalibration{}};
    double m_startdate = 0.0;
    DataTable m_table;
    std::optional<QStringList> m_fieldlist;
    int m_rowcount = 0;
    int m_growthStep = 500;
    int m_recordLimit = kMaxRecords;
    int m_expected = 0;
    bool m_tableSized = false, m_initialized = false, m_dateInitialized = false;
};
