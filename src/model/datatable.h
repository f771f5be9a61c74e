#pragma once
// The DATA table: a two-dimensional table of cells that hold nothing, a 64-bit float or a text,
// kept by column so that a pass reads a column as one array of doubles.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

class Cell {
public:
    enum class Kind : std::uint8_t { Empty, Number, Text };
    Cell() = default;
    Cell(double v) : m_kind(Kind::Number), m_number(v) {}
    Cell(QString s) : m_kind(Kind::Text), m_text(std::move(s)) {}
    Cell(const char *s) : Cell(QString::fromLatin1(s)) {}

    Kind kind() const { return m_kind; }
    bool isEmpty() const { return m_kind == Kind::Empty; }
    bool isNumber() const { return m_kind == Kind::Number; }
    bool isText() const { return m_kind == Kind::Text; }
    double number() const { return m_number; }
    const QString &string() const { return m_text; }

    // The cell's own text form: a number in its shortest general form (7.8123, 12.5),
    // a text unchanged, an empty cell as the empty text.
    QString text() const;
    // A number unchanged, a text read as a decimal number, an empty cell as 0;
    // nothing for a text that is not a number.
    std::optional<double> toNumber() const;

    bool operator==(const Cell &o) const;

private:
    Kind m_kind = Kind::Empty;
    double m_number = 0.0;
    QString m_text;
};

// Memory for a column's doubles. A long column starts on a 2 MB boundary and asks for huge pages
// over its whole length: where the system faults memory in 4 KB pages slowly, the small pages
// at the unaligned ends of an ordinary allocation cost more than all its huge ones.
void *allocateColumn(std::size_t bytes);
void freeColumn(void *p) noexcept;
// Gives back the pages of a column's memory (`bytes` as allocated at p) past its first `used`
// bytes: its last huge page is faulted in whole, though a column that fills its room uses
// only part of it. They read as zeros if written again.
void releaseColumnTail(void *p, std::size_t used, std::size_t bytes);
// Asks for huge pages over the whole pages inside bytes at p, before they are first written: a
// 4 KB page fault costs about as much as writing the page many times over.
void adviseHugePages(void *p, std::size_t bytes);
// Gives the memory of freed tables back to the system now, where the C library can: a table
// freed while another grows would otherwise count twice.
void returnFreedMemory();
template <typename T> struct ColumnAllocator {
    using value_type = T;
    ColumnAllocator() = default;
    template <typename U> ColumnAllocator(const ColumnAllocator<U> &) {}
    T *allocate(std::size_t n) { return static_cast<T *>(allocateColumn(n * sizeof(T))); }
    // A resize without a value leaves the new numbers unwritten: appendRecords writes each
    // once. Every other resize names its value.
    template <typename U> void construct(U *p) noexcept { ::new (static_cast<void *>(p)) U; }
    template <typename U, typename... A> void construct(U *p, A &&...a) {
        ::new (static_cast<void *>(p)) U(std::forward<A>(a)...);
    }
    void deallocate(T *p, std::size_t) noexcept { freeColumn(p); }
    template <typename U> bool operator==(const ColumnAllocator<U> &) const { return true; }
};

// A position outside the table's bounds.
class TableError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

class DataTable {
public:
    DataTable() = default;
    DataTable(const DataTable &) = default;
    DataTable &operator=(const DataTable &) = default;
    // A table moved from is left empty.
    DataTable(DataTable &&other) { *this = std::move(other); }
    DataTable &operator=(DataTable &&other);

    // Gives the table rows 0..lastRow and columns 0..lastCol (lastRow -1: no rows);
    // cells inside both the old and new bounds keep their values, new cells are empty.
    void resize(int lastRow, int lastCol);
    int rowCount() const { return m_rows; }
    int colCount() const { return m_cols; }
    int lastRow() const { return m_rows - 1; }
    int lastCol() const { return m_cols - 1; }

    Cell cell(int row, int col) const;
    Cell::Kind kind(int row, int col) const {
        const Stored s = stored(row, col);
        return s == Stored::RecordTime ? Cell::Kind::Text : Cell::Kind(s);
    }
    void setCell(int row, int col, const Cell &value);
    // A record's date-time text "M/d/yyyy hh:mm:ss" kept as its decimal day only: the text is
    // made when the cell is read, so a long log does not hold a string per row.
    void setRecordTime(int row, int col, double day);
    // A whole record at once: column 0 the date-time of `day` (as setRecordTime), columns
    // 1..count the numbers; the cells after them keep what they hold.
    void setRecord(int row, double day, const double *numbers, int count);
    // Appends n records, as setRecord would write them into new empty rows, column by column
    // so that each value is written once. Record i's day is byColumn[i], its number j (of
    // counts[i]) byColumn[(j + 1) * stride + i]; the table widens to the widest.
    void appendRecords(const double *byColumn, std::size_t stride, const int *counts, int n);
    QString text(int row, int col) const { return cell(row, col).text(); }

    // Rows first..first+count-1 of a column as numbers into `out`; an empty cell or a text
    // that is no number gives `missing`.
    void columnNumbers(int col, int first, int count, double *out, double missing) const;
    // Fast reads for the hot loops: the cell as a number (see Cell::toNumber).
    std::optional<double> number(int row, int col) const {
        const Column &c = column(row, col);
        if (col != 0 && plainAt(c, row)) return c.values[std::size_t(row)];
        return slowNumber(row, col);
    }
    // The same with `missing` for no number: a double comes back in a register, where an
    // optional in a million-row loop goes through memory.
    double numberOr(int row, int col, double missing) const {
        const Column &c = column(row, col);
        if (col != 0 && plainAt(c, row)) return c.values[std::size_t(row)];
        return slowNumber(row, col).value_or(missing);
    }
    // Writes a number cell (the hot loop of Compute; setCell for any other cell).
    void setNumber(int row, int col, double v) {
        if (col == 0) return setCell(row, col, Cell(v));
        Column &c = column(row, col);
        c.values[std::size_t(row)] = v;
        makePlain(c, col, row);
        ++m_generation;
    }
    // The decimal day of the row's column 0 text, kept in step with every write to it;
    // NaN when column 0 does not hold a date-time.
    double rowDay(int row) const;
    // Whether the rows' decimal days never go down (a row without one counts as 0), so a
    // search by date-time may halve; found once after each change of column 0.
    bool daysAscending() const;

    // A whole column as the passes read it, one double per row with no per-cell check: a
    // number as it is, a text as the number it reads as, NaN for an empty cell, a text that is
    // no number or a record time. Column 0 holds each row's decimal day instead (rowDay).
    // Valid until the table's bounds change.
    std::span<const double> numbers(int col) const;
    std::span<const double> days() const { return m_columns[0].values; }
    // Every cell of the column a number (so numbers(col) tells a stored NaN from a missing one).
    bool allNumbers(int col) const;
    // The same with `row` and `col` checked; NaN also for a column the table lacks.
    double value(int row, int col) const {
        if (col >= m_cols && col >= 0) return std::numeric_limits<double>::quiet_NaN();
        return column(row, col).values[std::size_t(row)];
    }
    // Makes rows first..first+count-1 of a column (not column 0) number cells and gives them
    // for writing, e.g. a computed column; until written they hold what numbers(col) held.
    std::span<double> numbersForWrite(int col, int first, int count);
    // Moves the rows of `other` onto the end of this table; the narrower of the two is widened
    // first (new cells empty). `other` is left empty.
    void appendRows(DataTable &&other);

    std::size_t memoryBytes() const;
    // Goes up with every change of a cell or of the bounds: a copy of the table (the plot's
    // data) is stale when its generation differs.
    std::uint64_t generation() const { return m_generation; }

    // Room for this many rows of this many columns, so a long read grows without copies.
    void reserve(int rows, int cols);
    // Lets go of the room beyond the rows.
    void squeeze();

private:
    // What a cell holds; a record time is a text kept as its decimal day.
    enum class Stored : std::uint8_t { Empty, Number, Text, RecordTime };
    // A column's own kind, the one that needs no mark: record times in column 0, numbers elsewhere.
    static Stored plainKind(int col) { return col == 0 ? Stored::RecordTime : Stored::Number; }

    // One column: a double per row (see numbers()). Cells of another kind than the column's own
    // are marked beside it, and only while there are any: a kind per row and the values that do
    // not fit the doubles (a text, a number in column 0, a record time elsewhere). Without marks,
    // the rows from `tail` on are empty: the room a growing table makes costs no marks.
    struct Column {
        std::vector<double, ColumnAllocator<double>> values;
        std::vector<Stored> kinds;  // one per row while `odd` > 0, else none
        std::size_t odd = 0;        // cells of another kind than the column's own
        int tail = 0;
        std::unordered_map<int, QString> texts;
        std::unordered_map<int, double> held;
    };

    const Column &column(int row, int col) const {
        if (row < 0 || row >= m_rows || col < 0 || col >= m_cols) outside(row, col);
        return m_columns[std::size_t(col)];
    }
    Column &column(int row, int col) {
        if (row < 0 || row >= m_rows || col < 0 || col >= m_cols) outside(row, col);
        return m_columns[std::size_t(col)];
    }
    static bool plainAt(const Column &c, int row) { return c.kinds.empty() && row < c.tail; }
    Stored stored(int row, int col) const {
        const Column &c = column(row, col);
        if (!c.kinds.empty()) return c.kinds[std::size_t(row)];
        return row < c.tail ? plainKind(col) : Stored::Empty;
    }
    // Gives a cell the column's own kind; the usual write (the next row of a growing table) costs
    // a comparison.
    void makePlain(Column &c, int col, int row) {
        if (c.kinds.empty()) {
            if (row == c.tail) return void(++c.tail);
            if (row < c.tail) return;
        }
        mark(c, col, row, plainKind(col));
    }
    void mark(Column &c, int col, int row, Stored kind);
    void markAll(Column &c, int col) const;
    static void dropMarksIfNone(Column &c, int rows);
    void fitRows(Column &c, int col, int rows);
    [[noreturn]] static void outside(int row, int col);
    std::optional<double> slowNumber(int row, int col) const;

    int m_rows = 0, m_cols = 0;
    // Never fewer than one: column 0's doubles are the rows' days even in a table without columns.
    std::vector<Column> m_columns = std::vector<Column>(1);
    int m_reserveRows = 0, m_reserveCols = 0;
    mutable std::optional<bool> m_ascending;
    std::uint64_t m_generation = 0;
};
