#include "model/clsdataset.h"

#include <algorithm>
#include <string>

DataTable &clsDataSet::DATA() {
    writeStaged();
    if (!m_initialized) finalize();
    return m_table;
}

void clsDataSet::Clear() {
    m_stagedCount.clear();
    m_table.resize(0, 0);
    m_rowcount = 0;
    m_growthStep = 500;
    m_expected = 0;
    m_tableSized = m_initialized = m_dateInitialized = false;
    // The next file's header starts from the values this one left, as the probes do.
    m_segments.erase(m_segments.begin(), m_segments.end() - 1);
    m_segments.front().firstRow = m_segments.front().line = 0;
}

void clsDataSet::calibrationLine(int line, int nextRow) {
    if (nextRow <= m_segments.back().firstRow) return;  // no record since: the same segment
    FileCalibration next = m_segments.back();
    next.firstRow = nextRow;
    next.line = line;
    m_segments.push_back(next);
}

void clsDataSet::finalize() {
    writeStaged();
    // No records gives a table without rows (last row -1).
    m_table.resize(m_rowcount - 1, m_table.lastCol());
    m_table.squeeze();
    m_initialized = true;
}

void clsDataSet::trimRows() {
    writeStaged();
    m_table.resize(m_rowcount - 1, m_table.lastCol());
    m_initialized = true;
}

void clsDataSet::makeRoomToGrow() {
    writeStaged();
    if (m_rowcount >= m_recordLimit) return;
    const int rows = std::min(std::max(m_rowcount, m_growthStep), m_recordLimit - m_rowcount) + m_rowcount;
    m_table.reserve(rows + m_growthStep, m_table.lastCol() + 1);
}

void clsDataSet::add(const std::vector<Cell> &theRow) {
    const int r = makeRow(int(theRow.size()) - 1);
    for (int j = 0; j < int(theRow.size()); ++j) m_table.setCell(r, j, theRow[std::size_t(j)]);
}

void clsDataSet::addRecord(double recordDay, const std::vector<Cell> &theRow) {
    const int r = makeRow(int(theRow.size()) - 1);
    m_table.setRecordTime(r, 0, recordDay);
    for (int j = 1; j < int(theRow.size()); ++j) m_table.setCell(r, j, theRow[std::size_t(j)]);
}

void clsDataSet::addRecord(double recordDay, const double *numbers, int count) {
    if (m_rowcount >= m_recordLimit)
        throw OverflowError("a data set holds at most " + std::to_string(m_recordLimit) + " records");
    count = std::max(count, 0);
    const std::size_t i = m_stagedCount.size(), need = std::size_t(count + 1) * kStagedStride;
    if (m_staged.size() < need) m_staged.resize(need);
    double *cell = m_staged.data() + i;
    cell[0] = recordDay;
    for (int j = 0; j < count; ++j) cell[std::size_t(j + 1) * kStagedStride] = numbers[j];
    m_stagedCount.push_back(count);
    ++m_rowcount;
    if (m_stagedCount.size() == std::size_t(kStagedRecords)) writeStagedRecords();
}

void clsDataSet::writeStagedRecords() {
    const int n = int(m_stagedCount.size());
    const int first = m_rowcount - n;
    if (!m_tableSized) {
        int w = m_table.lastCol();
        for (const int c : m_stagedCount) w = std::max(w, c);
        if (m_expected > 0) m_table.reserve(std::min(m_expected, m_recordLimit), w + 1);
        m_tableSized = true;
    }
    // Rows made ahead by makeRow hold nothing yet: the staged records take their place.
    if (m_table.rowCount() > first) m_table.resize(first - 1, m_table.lastCol());
    m_table.appendRecords(m_staged.data(), kStagedStride, m_stagedCount.data(), n);
    m_stagedCount.clear();
}

int clsDataSet::appendRecords(DataTable &&rows) {
    writeStaged();
    const int first = m_rowcount;
    if (rows.rowCount() == 0) return first;
    if (rows.rowCount() > m_recordLimit - m_rowcount)
        throw OverflowError("a data set holds at most " + std::to_string(m_recordLimit) + " records");
    if (m_rowcount == 0) {
        m_table = std::move(rows);
        // More to come (the logs of a deployment): room for them all now, not a copy at each.
        if (m_expected > m_table.rowCount()) m_table.reserve(std::min(m_expected, m_recordLimit), m_table.lastCol() + 1);
    } else {
        // As makeRow: never narrower than the widest record stored.
        const int w = std::max(m_table.lastCol(), rows.lastCol());
        m_table.resize(m_rowcount - 1, w);
        if (rows.lastCol() < w) rows.resize(rows.lastRow(), w);
        m_table.appendRows(std::move(rows));
    }
    m_rowcount = m_table.rowCount();
    m_tableSized = true;
    return first;
}

int clsDataSet::makeRow(int w) {
    writeStaged();
    if (m_rowcount >= m_recordLimit)
        throw OverflowError("a data set holds at most " + std::to_string(m_recordLimit) + " records");
    if (!m_tableSized) {
        m_table.resize(m_growthStep, std::max(w, 0));
        // Rows come m_growthStep at a time: room for the last step too, or it would copy it all.
        if (m_expected > 0) m_table.reserve(std::min(m_expected, m_recordLimit) + m_growthStep, std::max(w, 0) + 1);
        m_tableSized = true;
    } else if (m_table.rowCount() == m_rowcount) {
        // Never narrower than before: a short record must not cut the columns of earlier ones.
        m_table.resize(m_rowcount + m_growthStep, std::max(w, m_table.lastCol()));
    } else if (w > m_table.lastCol()) {
        m_table.resize(m_table.lastRow(), w);  // a wider record widens the table
    }
    return m_rowcount++;
}

int clsDataSet::field(const QString &target) const {
    if (!m_fieldlist) throw std::out_of_range("no field list");
    const QString lowered = target.toLower();
    for (qsizetype i = 0; i + 1 < m_fieldlist->size(); ++i)
        if (m_fieldlist->at(i).toLower() == lowered) return int(i);
    return -1;
}
