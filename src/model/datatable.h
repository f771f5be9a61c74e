#pragma once
// The DATA table: a two-dimensional table of cells that hold nothing, a 64-bit float or a text.
#include <QString>
#include <cstdint>
#include <optional>
#include <stdexcept>
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

// Shortest general form of a number: up to 15 significant digits, no trailing zeros.
QString generalNumberText(double v);
// Reads a whole text as a decimal number ("." as the point, optional sign and exponent,
// blanks around allowed).
std::optional<double> readNumber(QStringView text);
// An ASCII decimal number ("-1.5e-3"; no "+") read exactly: a number too small for a double
// gives 0 of its sign, as every decimal conversion does; too large (or no number) gives nothing.
std::optional<double> decimalNumber(const char *first, const char *last);

// A position outside the table's bounds.
class TableError : public std::out_of_range {
public:
    using std::out_of_range::out_of_range;
};

class DataTable {
public:
    // Gives the table rows 0..lastRow and columns 0..lastCol (lastRow -1: no rows);
    // cells inside both the old and new bounds keep their values, new cells are empty.
    void resize(int lastRow, int lastCol);
    int rowCount() const { return m_rows; }
    int colCount() const { return m_cols; }
    int lastRow() const { return m_rows - 1; }
    int lastCol() const { return m_cols - 1; }

    Cell cell(int row, int col) const;
    Cell::Kind kind(int row, int col) const;
    void setCell(int row, int col, const Cell &value);
    // A record's date-time text "M/d/yyyy hh:mm:ss" kept as its decimal day only: the text is
    // made when the cell is read, so a long log does not hold a string per row.
    void setRecordTime(int row, int col, double day);
    // A whole record at once: column 0 the date-time of `day` (as setRecordTime), columns
    // 1..count the numbers; the cells after them keep what they hold.
    void setRecord(int row, double day, const double *numbers, int count);
    QString text(int row, int col) const { return cell(row, col).text(); }

    // Rows first..first+count-1 of a column as numbers into `out`; an empty cell or a text
    // that is no number gives `missing`. The bulk read of the flag and statistics passes.
    void columnNumbers(int col, int first, int count, double *out, double missing) const;
    // Fast reads for the hot loops: the cell as a number (see Cell::toNumber).
    std::optional<double> number(int row, int col) const {
        const std::size_t i = index(row, col);
        if (m_kinds[i] == Stored::Number) return m_values[i];
        return slowNumber(i);
    }
    // The same with `missing` for no number: a double comes back in a register, where an
    // optional in a million-row loop goes through memory.
    double numberOr(int row, int col, double missing) const {
        const std::size_t i = index(row, col);
        if (m_kinds[i] == Stored::Number) return m_values[i];
        return slowNumber(i).value_or(missing);
    }
    // Writes a number cell (the hot loop of Compute; setCell for any other cell).
    void setNumber(int row, int col, double v) {
        if (col == 0) return setCell(row, col, Cell(v));
        const std::size_t i = index(row, col);
        m_values[i] = v;
        m_kinds[i] = Stored::Number;
        ++m_generation;
    }
    // The decimal day of the row's column 0 text, kept in step with every write to it;
    // NaN when column 0 does not hold a date-time.
    double rowDay(int row) const;
    // Whether the rows' decimal days never go down (a row without one counts as 0), so a
    // search by date-time may halve; found once after each change of column 0.
    bool daysAscending() const;

    std::size_t memoryBytes() const;
    // Goes up with every change of a cell or of the bounds: a copy of the table (the plot's
    // data) is stale when its generation differs.
    std::uint64_t generation() const { return m_generation; }

    // Room for this many rows of this many columns, so a long read grows without copies.
    void reserve(int rows, int cols);
    // Lets go of the room beyond the rows.
    void squeeze();

    // Moves the rows of a table with the same column count onto the end of this one; `other`
    // is left without rows. A different column count is a TableError.
    void appendRows(DataTable &&other);

private:
    // What a cell holds; a record time is a text kept as its decimal day.
    enum class Stored : std::uint8_t { Empty, Number, Text, RecordTime };
    static Stored stored(Cell::Kind kind) { return Stored(kind); }
    std::size_t index(int row, int col) const {
        if (row < 0 || row >= m_rows || col < 0 || col >= m_cols) outside(row, col);
        return std::size_t(row) * std::size_t(m_cols) + std::size_t(col);
    }
    [[noreturn]] static void outside(int row, int col);
    std::optional<double> slowNumber(std::size_t i) const;
    void clearTexts();

    int m_rows = 0, m_cols = 0;
    std::vector<double> m_values;  // number, or index into m_texts for a text cell
    std::vector<Stored> m_kinds;
    std::vector<QString> m_texts;
    std::vector<double> m_days;  // per row, decimal day of column 0
    mutable std::optional<bool> m_ascending;
    std::uint64_t m_generation = 0;
};
