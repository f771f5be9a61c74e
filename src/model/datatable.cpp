#include "model/datatable.h"
#include "model/datetime.h"
#include "model/numbertext.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>
#include <string>
#include <sys/mman.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <cstdint>
#include <limits>

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

QString Cell::text() const {
    switch (m_kind) {
    case Kind::Number: return generalNumberText(m_number);
    case Kind::Text: return m_text;
    default: return {};
    }
}

std::optional<double> Cell::toNumber() const {
    switch (m_kind) {
    case Kind::Number: return m_number;
    case Kind::Text: return readNumber(m_text);
    default: return 0.0;
    }
}

bool Cell::operator==(const Cell &o) const {
    if (m_kind != o.m_kind) return false;
    if (m_kind == Kind::Number) return m_number == o.m_number;
    if (m_kind == Kind::Text) return m_text == o.m_text;
    return true;
}

namespace {
constexpr std::size_t kHugePage = std::size_t(2) << 20;
// From here on a column's room is worth whole huge pages: at most half of it is rounding.
constexpr std::size_t kLargeColumn = kHugePage / 2;
}  // namespace

void *allocateColumn(std::size_t bytes) {
    void *p = nullptr;
    if (bytes >= kLargeColumn) {
        const std::size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
        p = std::aligned_alloc(kHugePage, rounded);
        if (p) adviseHugePages(p, rounded);
    } else {
        p = std::malloc(std::max<std::size_t>(bytes, 1));
    }
    if (!p) throw std::bad_alloc();
    return p;
}

void freeColumn(void *p) noexcept { std::free(p); }

void releaseColumnTail(void *p, std::size_t used, std::size_t bytes) {
#ifdef MADV_DONTNEED
    if (bytes < kLargeColumn) return;
    const std::size_t page = 4096, rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(p) + used + page - 1) & ~(page - 1);
    const std::uintptr_t to = reinterpret_cast<std::uintptr_t>(p) + rounded;
    if (to > from) madvise(reinterpret_cast<void *>(from), to - from, MADV_DONTNEED);
#else
    (void)p;
    (void)used;
    (void)bytes;
#endif
}

void returnFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

void adviseHugePages(void *p, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
    const std::size_t page = 4096, from = (reinterpret_cast<std::uintptr_t>(p) + page - 1) & ~(page - 1);
    const std::size_t to = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(page - 1);
    if (to > from) madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
#else
    (void)p;
    (void)bytes;
#endif
}

namespace {
// Room for a long read at once, so it grows without copies.
template <typename V> void reserveLarge(V &v, std::size_t n) { v.reserve(n); }
}  // namespace

DataTable &DataTable::operator=(DataTable &&other) {
    if (this == &other) return *this;
    m_rows = std::exchange(other.m_rows, 0);
    m_cols = std::exchange(other.m_cols, 0);
    m_columns = std::exchange(other.m_columns, std::vector<Column>(1));
    m_reserveRows = std::exchange(other.m_reserveRows, 0);
    m_reserveCols = std::exchange(other.m_reserveCols, 0);
    m_ascending = std::exchange(other.m_ascending, std::nullopt);
    m_generation = std::max(m_generation, other.m_generation) + 1;
    ++other.m_generation;
    return *this;
}

void DataTable::resize(int lastRow, int lastCol) {
    const int rows = std::max(lastRow + 1, 0), cols = std::max(lastCol + 1, 0);
    if (rows == m_rows && cols == m_cols) return;
    // Columns beyond the new bounds go whole; column 0's doubles stay as the rows' days.
    m_columns.resize(std::size_t(std::max(cols, 1)));
    if (cols == 0) m_columns[0] = Column();
    for (int c = 0; c < int(m_columns.size()); ++c) {
        Column &col = m_columns[std::size_t(c)];
        if (c >= m_cols) {
            col = Column();
            if (c < m_reserveCols) reserveLarge(col.values, std::size_t(std::max(m_reserveRows, rows)));
            col.values.resize(std::size_t(rows), kNaN);
        } else {
            fitRows(col, c, rows);
        }
    }
    m_ascending.reset();
    ++m_generation;
    m_rows = rows;
    m_cols = cols;
}

void DataTable::fitRows(Column &c, int col, int rows) {
    if (c.kinds.empty()) {
        c.tail = std::min(c.tail, rows);
    } else {
        const Stored plain = plainKind(col);
        for (int r = rows; r < m_rows; ++r)
            if (c.kinds[std::size_t(r)] != plain) --c.odd;
        if (rows > m_rows) c.odd += std::size_t(rows - m_rows);
        c.kinds.resize(std::size_t(rows), Stored::Empty);
        if (rows < m_rows) {
            auto beyond = [rows](const auto &entry) { return entry.first >= rows; };
            std::erase_if(c.texts, beyond);
            std::erase_if(c.held, beyond);
        }
        c.values.resize(std::size_t(rows), kNaN);
        dropMarksIfNone(c, rows);
        return;
    }
    c.values.resize(std::size_t(rows), kNaN);
}

void DataTable::markAll(Column &c, int col) const {
    c.kinds.assign(std::size_t(m_rows), Stored::Empty);
    std::fill_n(c.kinds.begin(), c.tail, plainKind(col));
    c.odd = std::size_t(m_rows - c.tail);
    c.tail = m_rows;
}

void DataTable::dropMarksIfNone(Column &c, int rows) {
    if (c.odd != 0) return;
    std::vector<Stored>().swap(c.kinds);
    c.texts = {};
    c.held = {};
    c.tail = rows;
}

void DataTable::mark(Column &c, int col, int row, Stored kind) {
    const Stored plain = plainKind(col);
    if (c.kinds.empty()) {
        if (kind == plain && row == c.tail) return void(++c.tail);
        if (kind == plain ? row < c.tail : (kind == Stored::Empty && row >= c.tail)) return;
        markAll(c, col);
    }
    Stored &s = c.kinds[std::size_t(row)];
    if (s == kind) return;
    if (s == Stored::Text) c.texts.erase(row);
    if (s != plain && s != Stored::Text && s != Stored::Empty) c.held.erase(row);
    if (s != plain) --c.odd;
    if (kind != plain) ++c.odd;
    s = kind;
    dropMarksIfNone(c, m_rows);
}

void DataTable::outside(int row, int col) {
    throw TableError("table position (" + std::to_string(row) + ", " + std::to_string(col) + ") is outside the table");
}

Cell DataTable::cell(int row, int col) const {
    const Stored s = stored(row, col);
    const Column &c = m_columns[std::size_t(col)];
    const double v = c.values[std::size_t(row)];
    if (s == plainKind(col)) return s == Stored::Number ? Cell(v) : Cell(dt::recordText(v));
    switch (s) {
    case Stored::Number: return Cell(c.held.at(row));
    case Stored::Text: return Cell(c.texts.at(row));
    case Stored::RecordTime: return Cell(dt::recordText(c.held.at(row)));
    default: return Cell();
    }
}

void DataTable::setRecordTime(int row, int col, double day) {
    Column &c = column(row, col);
    mark(c, col, row, Stored::RecordTime);
    if (col == 0) {
        c.values[std::size_t(row)] = day;
        m_ascending.reset();
    } else {
        c.values[std::size_t(row)] = kNaN;  // no number
        c.held[row] = day;
    }
    ++m_generation;
}

void DataTable::setRecord(int row, double day, const double *numbers, int count) {
    Column &time = column(row, 0);
    if (count < 0 || count >= m_cols) outside(row, count);
    time.values[std::size_t(row)] = day;
    makePlain(time, 0, row);
    for (int k = 0; k < count; ++k) {
        Column &c = m_columns[std::size_t(k) + 1];
        c.values[std::size_t(row)] = numbers[k];
        makePlain(c, k + 1, row);
    }
    ++m_generation;
    m_ascending.reset();
}

void DataTable::appendRecords(const double *byColumn, std::size_t stride, const int *counts, int n) {
    if (n <= 0) return;
    const int first = m_rows;
    const auto [fewest, most] = std::minmax_element(counts, counts + n);
    if (*most > lastCol()) resize(first - 1, *most);
    m_rows = first + n;
    for (int c = 0; c < m_cols; ++c) {
        Column &col = m_columns[std::size_t(c)];
        col.values.resize(std::size_t(m_rows));
        double *out = col.values.data() + first;
        const double *in = byColumn + std::size_t(c) * stride;
        const bool every = c <= *fewest;
        if (every) {
            std::copy_n(in, n, out);
        } else {
            for (int i = 0; i < n; ++i) out[i] = c <= counts[i] ? in[i] : kNaN;
        }
        if (col.kinds.empty() && col.tail == first && every) {
            col.tail = m_rows;
            continue;
        }
        if (!col.kinds.empty()) {  // the new rows are empty until marked, as resize makes them
            col.kinds.resize(std::size_t(m_rows), Stored::Empty);
            col.odd += std::size_t(n);
        }
        for (int i = 0; i < n; ++i)
            if (c <= counts[i]) makePlain(col, c, first + i);
    }
    ++m_generation;
    m_ascending.reset();
}

void DataTable::setCell(int row, int col, const Cell &value) {
    Column &c = column(row, col);
    double &v = c.values[std::size_t(row)];
    switch (value.kind()) {
    case Cell::Kind::Number:
        mark(c, col, row, Stored::Number);
        if (col == 0) {
            c.held[row] = value.number();
            v = kNaN;  // no date-time
        } else {
            v = value.number();
        }
        break;
    case Cell::Kind::Text:
        mark(c, col, row, Stored::Text);
        c.texts[row] = value.string();
        v = (col == 0 ? dt::parse(value.string()) : readNumber(value.string())).value_or(kNaN);
        break;
    default:
        mark(c, col, row, Stored::Empty);
        v = kNaN;
        break;
    }
    ++m_generation;
    if (col == 0) m_ascending.reset();
}

std::optional<double> DataTable::slowNumber(int row, int col) const {
    const Column &c = m_columns[std::size_t(col)];
    switch (stored(row, col)) {
    case Stored::Number: return col == 0 ? c.held.at(row) : c.values[std::size_t(row)];
    case Stored::Text: return readNumber(c.texts.at(row));
    case Stored::RecordTime: return std::nullopt;  // "5/13/2004 08:00:00" is no number
    default: return 0.0;
    }
}

void DataTable::columnNumbers(int col, int first, int count, double *out, double missing) const {
    if (count <= 0) return;
    column(first, col);
    column(first + count - 1, col);  // both ends inside, or a TableError
    const Column &c = m_columns[std::size_t(col)];
    if (col != 0) {
        // The doubles hold NaN wherever there is no number; only a NaN may need its kind.
        std::copy_n(c.values.begin() + first, count, out);
        if (std::isnan(missing) || allNumbers(col)) return;
        for (int k = 0; k < count; ++k)
            if (std::isnan(out[k]) && stored(first + k, col) != Stored::Number) out[k] = missing;
        return;
    }
    for (int k = 0; k < count; ++k) {
        const Stored s = stored(first + k, col);
        out[k] = s == Stored::Number || s == Stored::Text ? slowNumber(first + k, col).value_or(missing) : missing;
    }
}

std::span<const double> DataTable::numbers(int col) const {
    if (col < 0 || col >= m_cols) outside(0, col);
    return m_columns[std::size_t(col)].values;
}

bool DataTable::allNumbers(int col) const {
    if (col < 0 || col >= m_cols) outside(0, col);
    const Column &c = m_columns[std::size_t(col)];
    if (col == 0) return c.held.size() == std::size_t(m_rows);
    return c.kinds.empty() && c.tail == m_rows;
}

std::span<double> DataTable::numbersForWrite(int col, int first, int count) {
    if (col == 0 || count < 0) outside(first, col);
    Column &c = column(first, col);
    if (count == 0) return {};
    column(first + count - 1, col);
    if (c.kinds.empty()) {
        if (first <= c.tail)
            c.tail = std::max(c.tail, first + count);
        else
            markAll(c, col);
    }
    if (!c.kinds.empty()) {
        for (int r = first; r < first + count; ++r) {
            Stored &s = c.kinds[std::size_t(r)];
            if (s == Stored::Number) continue;
            if (s == Stored::Text) c.texts.erase(r);
            if (s == Stored::RecordTime) c.held.erase(r);
            --c.odd;
            s = Stored::Number;
        }
        dropMarksIfNone(c, m_rows);
    }
    ++m_generation;
    return {c.values.data() + first, std::size_t(count)};
}

void DataTable::appendRows(DataTable &&other) {
    if (other.m_cols > m_cols) resize(lastRow(), other.lastCol());
    if (other.m_cols < m_cols) other.resize(other.lastRow(), lastCol());
    if (other.m_rows == 0) return;
    if (other.m_rows > std::numeric_limits<int>::max() - m_rows) outside(m_rows, 0);
    if (m_rows == 0) {
        m_columns = std::move(other.m_columns);
    } else {
        if (m_cols == 0) m_columns[0].values.resize(std::size_t(m_rows + other.m_rows), kNaN);
        for (int col = 0; col < m_cols; ++col) {
            Column &a = m_columns[std::size_t(col)], &b = other.m_columns[std::size_t(col)];
            if (a.kinds.empty() && b.kinds.empty() && a.tail == m_rows) {
                a.tail = m_rows + b.tail;
            } else {
                if (a.kinds.empty()) markAll(a, col);
                if (b.kinds.empty()) other.markAll(b, col);
                a.kinds.insert(a.kinds.end(), b.kinds.begin(), b.kinds.end());
                a.odd += b.odd;
                for (auto &[r, s] : b.texts) a.texts.emplace(r + m_rows, std::move(s));
                for (const auto &[r, v] : b.held) a.held.emplace(r + m_rows, v);
            }
            a.values.insert(a.values.end(), b.values.begin(), b.values.end());
        }
    }
    m_rows += other.m_rows;
    m_ascending.reset();
    ++m_generation;
    other = DataTable();
}

double DataTable::rowDay(int row) const {
    if (row < 0 || row >= m_rows) throw TableError("row " + std::to_string(row) + " is outside the table");
    return m_columns[0].values[std::size_t(row)];
}

void DataTable::reserve(int rows, int cols) {
    m_reserveRows = std::max(rows, 0);
    m_reserveCols = std::max(cols, 0);
    for (int c = 0; c < std::min(m_cols, m_reserveCols); ++c)
        reserveLarge(m_columns[std::size_t(c)].values, std::size_t(m_reserveRows));
}

namespace {
// Shrinking copies the vector, so a little unused room is cheaper than a second table in memory.
template <typename V> void shrinkIfWasteful(V &v) {
    if (v.capacity() - v.size() > v.size() / 8 + 64) v.shrink_to_fit();
}
}  // namespace

void DataTable::squeeze() {
    m_reserveRows = m_reserveCols = 0;
    for (Column &c : m_columns) {
        shrinkIfWasteful(c.values);
        shrinkIfWasteful(c.kinds);
        releaseColumnTail(c.values.data(), c.values.size() * sizeof(double), c.values.capacity() * sizeof(double));
    }
}

bool DataTable::daysAscending() const {
    if (!m_ascending) {
        auto day = [](double d) { return std::isnan(d) ? 0.0 : d; };
        const auto &days = m_columns[0].values;
        m_ascending =
            std::is_sorted(days.begin(), days.begin() + m_rows, [&](double a, double b) { return day(a) < day(b); });
    }
    return *m_ascending;
}

std::size_t DataTable::memoryBytes() const {
    std::size_t bytes = m_columns.capacity() * sizeof(Column);
    for (const Column &c : m_columns) {
        bytes += c.values.capacity() * sizeof(double) + c.kinds.capacity();
        // A hash node: the key, the value and the links, besides a text's own characters.
        bytes += c.held.size() * 32 + c.held.bucket_count() * sizeof(void *);
        bytes += c.texts.bucket_count() * sizeof(void *);
        for (const auto &[r, s] : c.texts) bytes += 48 + std::size_t(s.capacity()) * 2;
    }
    return bytes;
}
