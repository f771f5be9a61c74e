#pragma once
// A regular-expression matcher with leftmost-longest POSIX extended semantics.
// Text between double quotes in a pattern is a literal (the quotes match nothing).
// Subjects are Latin-1 texts; a character outside Latin-1 matches nothing the patterns name.
#include <QString>
#include <QStringView>
#include <memory>

class PatternMatcher {
public:
    // Auto uses a hand-written scanner for the classifier's patterns (record time, number, start
    // date, column name, and plain literals), which gives exactly the matches of the regex
    // engine without a Latin-1 copy of the subject; Posix always runs regexec.
    enum class Engine { Auto, Posix };

    explicit PatternMatcher(Engine engine = Engine::Auto);
    explicit PatternMatcher(const QString &pattern, Engine engine = Engine::Auto);
    ~PatternMatcher();
    PatternMatcher(const PatternMatcher &) = delete;
    PatternMatcher &operator=(const PatternMatcher &) = delete;

    // Throws std::invalid_argument when the pattern does not compile.
    void setPattern(const QString &pattern);
    const QString &Pattern() const { return m_pattern; }

    // First match in the subject, which becomes the current text. With `from`, the search
    // starts there, as in the subject's text from that position on ("^" holds only at 0).
    bool Match(const QString &subject, qsizetype from = 0);
    // Next match after the current one, in the current text.
    bool MatchNext();
    QString MatchedText() const;
    // The current match without a copy; valid until the next call.
    QStringView MatchedView() const;
    // Position of the current match in the subject, -1 without one.
    qsizetype MatchStart() const { return m_found ? m_start : -1; }
    // Replaces the current match in the result text; false without a current match.
    bool ReplaceMatch(const QString &replacement);
    // The subject with every replacement made so far.
    const QString &ResultText() const { return m_edited ? m_result : m_subject; }

    // Whether the hand-written scanner serves this pattern.
    bool usesScanner() const { return m_scanner != Scanner::None; }
    // Lets go of the current text and result, so no copy of a line outlives its classification.
    void release();

private:
    enum class Scanner { None, RecordTime, Number, StartDate, ColumnName, Literal };
    bool searchFrom(qsizetype from);
    bool scan(qsizetype from);
    bool posixSearch(qsizetype from);

    struct Posix;
    Engine m_engine;
    QString m_pattern;
    Scanner m_scanner = Scanner::None;
    std::unique_ptr<Posix> m_posix;
    QString m_literal;  // the text of a Literal pattern
    bool m_anchored = false;

    QString m_subject, m_result;
    qsizetype m_start = 0, m_length = 0, m_delta = 0;
    bool m_found = false, m_replaced = false;
    bool m_edited = false;  // m_result holds a replacement; until then it is the subject
};

// Pattern texts of the line classifier.
namespace patterns {
inline const QString kRecordTime = QStringLiteral("^[0-2][0-9]:[0-5][0-9]:[0-5][0-9]");
inline const QString kColumnHeader = QStringLiteral("^Time");
inline const QString kStartDate = QStringLiteral("#[12][09][0-9][0-9]-[0-9]+-[0-9]+#");
inline const QString kHash = QStringLiteral("#");
inline const QString kNumber = QStringLiteral("[-+]?(([0-9]+)|([0-9]*\\.[0-9]+)([eE][-+]?[0-9]+)?)");
inline const QString kColumnName = QStringLiteral("[- a-zA-Z0-9._/]+");
// A key: the key text between double quotes.
inline QString key(const char *text) { return u'"' + QString::fromLatin1(text) + u'"'; }
}  // namespace patterns
