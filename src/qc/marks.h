#pragma once
// The person's marks: spans of records judged bad or doubtful, and notes. A span is kept by the
// date-times of its first and last record, so it finds the same records when the logs are read
// again. A mark never changes a value; it lives beside DATA.
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class DataTable;

enum class MarkKind : std::uint8_t { Bad = 1, Doubtful = 2, Note = 3 };

// "bad", "doubtful", "note" (the project file's words); nothing for another word.
QString markKindName(MarkKind kind);
std::optional<MarkKind> markKindFromName(const QString &name);
// The letter the Flags column shows: B bad, Q doubtful (a note has none).
char markLetter(MarkKind kind);

struct Mark {
    double from = 0, to = 0;  // date-times (decimal days) of the first and last record
    MarkKind kind = MarkKind::Note;
    QString text{};  // the reason of a bad or doubtful mark, or the note
    bool operator==(const Mark &) const = default;
};

// Each row's mark and note as the marks give them for one table.
struct RowMarks {
    std::vector<std::uint8_t> kind;  // 0 none, else a MarkKind (Bad or Doubtful)
    std::vector<std::int32_t> note;  // index into Marks::list() of the row's note, -1 none
    std::vector<std::int32_t> mark;  // the same of its bad or doubtful mark
};

class Marks {
public:
    // Marks rows first..last (rows without a date-time are passed over): a bad or doubtful mark
    // takes the place of the marks it covers, a note of the notes. Bad and doubtful need a
    // reason. An error text, empty when marked.
    QString mark(const DataTable &table, int first, int last, MarkKind kind, const QString &text);
    // Takes the bad and doubtful marks (or with `notes` the notes) off rows first..last; a
    // span reaching beyond keeps its records outside. False when there was none.
    bool clear(const DataTable &table, int first, int last, bool notes);

    const std::vector<Mark> &list() const { return m_list; }
    void setList(std::vector<Mark> list) { m_list = std::move(list); }
    bool empty() const { return m_list.empty(); }

    RowMarks rows(const DataTable &table) const;
    // The rows marked bad, ascending.
    std::vector<int> badRows(const DataTable &table) const;

private:
    std::vector<Mark> m_list;  // in the order they were made
};
