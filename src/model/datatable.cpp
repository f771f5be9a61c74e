#include "model/datatable.h"
#include "model/datetime.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>
#include <sys/mman.h>
#include <limits>

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

QString generalNumberText(double v) {
    if (v == 0.0) return QStringLiteral("0");  // no "-0"
    QString s = QString::number(v, 'g', 15);
    return s;
}

std::optional<double> decimalNumber(const char *first, const char *last) {
    double v = 0;
    const auto [end, ec] = std::from_chars(first, last, v);
    if (end != last) return std::nullopt;
    if (ec == std::errc()) return v;
    if (ec != std::errc::result_out_of_range) return std::nullopt;
    // Out of range either way: strtod tells underflow (0) from overflow (HUGE_VAL).
    static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const std::string text(first, last);
    const double near = strtod_l(text.c_str(), nullptr, c);
    if (!std::isfinite(near)) return std::nullopt;
    return std::signbit(near) ? -0.0 : 0.0;
}

std::optional<double> readNumber(QStringView text) {
    QStringView t = text.trimmed();
    if (t.isEmpty()) return std::nullopt;
    bool ok = false;
    double v = t.toDouble(&ok);  // C locale: "." point, no grouping
    if (!ok) {
        // Qt refuses a number below a double's range; it is 0. Only plain decimal text gets here.
        if (t.size() > 4096) return std::nullopt;
        if (t.startsWith(u'+')) t = t.mid(1);
        std::string ascii;
        for (QChar c : t) {
            if (!QStringView(u"0123456789.eE-").contains(c)) return std::nullopt;
            ascii += char(c.unicode());
        }
        return decimalNumber(ascii.data(), ascii.data() + ascii.size());
    }
    if (!std::isfinite(v)) return std::nullopt;  // "nan" and "inf" are no numbers here
    return v;
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

void DataTable::resize(int lastRow, int lastCol) {
    const int rows = std::max(lastRow + 1, 0), cols = std::max(lastCol + 1, 0);
    if (rows == m_rows && cols == m_cols) return;
    if (cols == m_cols) {
        m_values.resize(std::size_t(rows) * cols, 0.0);
        m_kinds.resize(std::size_t(rows) * cols, Stored::Empty);
    } else {
        std::vector<double> values(std::size_t(rows) * cols, 0.0);
        std::vector<Stored> kinds(std::size_t(rows) * cols, Stored::Empty);
        const int keepRows = std::min(rows, m_rows), keepCols = std::min(cols, m_cols);
        for (int r = 0; r < keepRows; ++r)
            for (int c = 0; c < keepCols; ++c) {
                values[std::size_t(r) * cols + c] = m_values[index(r, c)];
                kinds[std::size_t(r) * cols + c] = m_kinds[index(r, c)];
            }
        m_values.swap(values);
        m_kinds.swap(kinds);
    }
    m_days.resize(rows, kNaN);
    m_ascending.reset();
    ++m_generation;
    if (cols == 0) std::fill(m_days.begin(), m_days.end(), kNaN);
    m_rows = rows;
    m_cols = cols;
    if (m_rows * m_cols <= 1) clearTexts();
}

void DataTable::clearTexts() {
    // A table shrunk to at most one cell drops the text store; keep the one text that may remain.
    if (!m_kinds.empty() && m_kinds[0] == Stored::Text) {
        QString keep = m_texts[std::size_t(m_values[0])];
        m_texts.assign(1, keep);
        m_values[0] = 0;
    } else {
        m_texts.clear();
    }
    m_texts.shrink_to_fit();
}

void DataTable::outside(int row, int col) {
    throw TableError("table position (" + std::to_string(row) + ", " + std::to_string(col) + ") is outside the table");
}

Cell DataTable::cell(int row, int col) const {
    const std::size_t i = index(row, col);
    switch (m_kinds[i]) {
    case Stored::Number: return Cell(m_values[i]);
    case Stored::Text: return Cell(m_texts[std::size_t(m_values[i])]);
    case Stored::RecordTime: return Cell(dt::recordText(m_values[i]));
    default: return Cell();
    }
}

Cell::Kind DataTable::kind(int row, int col) const {
    const Stored s = m_kinds[index(row, col)];
    return s == Stored::RecordTime ? Cell::Kind::Text : Cell::Kind(s);
}

void DataTable::setRecordTime(int row, int col, double day) {
    const std::size_t i = index(row, col);
    // A text cell's slot in the text store is simply left unused.
    m_values[i] = day;
    m_kinds[i] = Stored::RecordTime;
    ++m_generation;
    if (col == 0) {
        m_days[std::size_t(row)] = day;
        m_ascending.reset();
    }
}

void DataTable::setRecord(int row, double day, const double *numbers, int count) {
    const std::size_t i = index(row, 0);
    if (count < 0 || count >= m_cols) outside(row, count);
    m_values[i] = day;
    m_kinds[i] = Stored::RecordTime;
    std::copy_n(numbers, count, m_values.begin() + std::ptrdiff_t(i) + 1);
    std::fill_n(m_kinds.begin() + std::ptrdiff_t(i) + 1, count, Stored::Number);
    ++m_generation;
    m_days[std::size_t(row)] = day;
    m_ascending.reset();
}

void DataTable::setCell(int row, int col, const Cell &value) {
    const std::size_t i = index(row, col);
    switch (value.kind()) {
    case Cell::Kind::Number: m_values[i] = value.number(); break;
    case Cell::Kind::Text:
        if (m_kinds[i] == Stored::Text) {
            m_texts[std::size_t(m_values[i])] = value.string();
        } else {
            m_values[i] = double(m_texts.size());
            m_texts.push_back(value.string());
        }
        break;
    default: m_values[i] = 0.0; break;
    }
    m_kinds[i] = stored(value.kind());
    ++m_generation;
    if (col == 0) {
        std::optional<double> day;
        if (value.isText()) day = dt::parse(value.string());
        m_days[row] = day.value_or(kNaN);
        m_ascending.reset();
    }
}

std::optional<double> DataTable::slowNumber(std::size_t i) const {
    switch (m_kinds[i]) {
    case Stored::Number: return m_values[i];
    case Stored::Text: return readNumber(m_texts[std::size_t(m_values[i])]);
    case Stored::RecordTime: return std::nullopt;  // "5/13/2004 08:00:00" is no number
    default: return 0.0;
    }
}

void DataTable::columnNumbers(int col, int first, int count, double *out, double missing) const {
    if (count <= 0) return;
    std::size_t i = index(first, col);
    index(first + count - 1, col);  // both ends inside, or a TableError
    for (int k = 0; k < count; ++k, i += std::size_t(m_cols)) {
        switch (m_kinds[i]) {
        case Stored::Number: out[k] = m_values[i]; break;
        case Stored::Text: out[k] = readNumber(m_texts[std::size_t(m_values[i])]).value_or(missing); break;
        default: out[k] = missing; break;
        }
    }
}

double DataTable::rowDay(int row) const {
    if (row < 0 || row >= m_rows) throw TableError("row " + std::to_string(row) + " is outside the table");
    return m_days[row];
}

namespace {
// A large table's memory in huge pages where the system allows it: a million records touch
// 100 MB, and faulting that in 4 KB pages costs more than reading the file.
template <typename V> void reserveLarge(V &v, std::size_t n) {
    v.reserve(n);
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHuge = std::uintptr_t(2) << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(v.data()) + kHuge - 1) & ~(kHuge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(v.data() + v.capacity())) & ~(kHuge - 1);
    if (end > begin) madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#endif
}
}  // namespace

void DataTable::reserve(int rows, int cols) {
    const std::size_t cells = std::size_t(std::max(rows, 0)) * std::size_t(std::max(cols, 0));
    reserveLarge(m_values, cells);
    reserveLarge(m_kinds, cells);
    reserveLarge(m_days, std::size_t(std::max(rows, 0)));
}

namespace {
// Shrinking copies the vector, so a little unused room is cheaper than a second table in memory.
template <typename V> void shrinkIfWasteful(V &v) {
    if (v.capacity() - v.size() > v.size() / 8 + 64) v.shrink_to_fit();
}
}  // namespace

void DataTable::squeeze() {
    shrinkIfWasteful(m_values);
    shrinkIfWasteful(m_kinds);
    shrinkIfWasteful(m_days);
    shrinkIfWasteful(m_texts);
}

bool DataTable::daysAscending() const {
    if (!m_ascending) {
        auto day = [](double d) { return std::isnan(d) ? 0.0 : d; };
        m_ascending = std::is_sorted(m_days.begin(), m_days.begin() + m_rows,
                                     [&](double a, double b) { return day(a) < day(b); });
    }
    return *m_ascending;
}

std::size_t DataTable::memoryBytes() const {
    std::size_t bytes = m_values.capacity() * sizeof(double) + m_kinds.capacity() + m_days.capacity() * sizeof(double) +
                        m_texts.capacity() * sizeof(QString);
    for (const QString &s : m_texts) bytes += 32 + std::size_t(s.capacity()) * 2;
    return bytes;
}

// Joining two tables, kept apart from the rest: built on the cell operations alone, so it
// reads the same whichever way the cells are stored.
void DataTable::appendRows(DataTable &&other) {
    if (other.colCount() != colCount())
        throw TableError("rows of " + std::to_string(other.colCount()) + " columns cannot join a table of " +
                         std::to_string(colCount()));
    const int first = rowCount();
    if (other.rowCount() == 0) return;
    resize(first + other.lastRow(), lastCol());
    for (int r = 0; r < other.rowCount(); ++r)
        for (int c = 0; c < colCount(); ++c) {
            switch (other.kind(r, c)) {
            case Cell::Kind::Empty: break;
            case Cell::Kind::Number: setNumber(first + r, c, *other.number(r, c)); break;
            default: setCell(first + r, c, other.cell(r, c)); break;
            }
        }
    other.resize(-1, -1);
}
