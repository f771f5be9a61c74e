#include "fileio/patternmatcher.h"

#include <clocale>
#include <cstring>
#include <locale.h>
#include <optional>
#include <regex.h>
#include <stdexcept>

namespace {

// regcomp/regexec follow the thread's locale; Qt sets the user's, which may be UTF-8 and
// would read Latin-1 bytes as broken multibyte characters. The matcher always runs in "C".
class CLocaleScope {
public:
    CLocaleScope() : m_previous(uselocale(cLocale())) {}
    ~CLocaleScope() { uselocale(m_previous); }

private:
    static locale_t cLocale() {
        static locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
        return c;
    }
    locale_t m_previous;
};

// Quoted text becomes an escaped literal; the quotes themselves vanish.
QByteArray translate(const QString &pattern) {
    QByteArray out;
    bool quoted = false;
    for (QChar qc : pattern) {
        const char c = qc.toLatin1();
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (quoted && std::strchr(".[]()*+?{}|^$\\", c) && c != '\0') out += '\\';
        out += c;
    }
    return out;
}

inline bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Length of the longest number match that starts at i, 0 if none starts there.
qsizetype numberAt(const char16_t *s, qsizetype n, qsizetype i) {
    qsizetype j = i;
    if (j < n && (s[j] == u'-' || s[j] == u'+')) ++j;
    qsizetype k = j;
    while (k < n && isDigit(s[k])) ++k;
    qsizetype end = k > j ? k : -1;                        // digits
    if (k + 1 < n && s[k] == u'.' && isDigit(s[k + 1])) {  // digits, point, digits, exponent
        qsizetype m = k + 2;
        while (m < n && isDigit(s[m])) ++m;
        if (m < n && (s[m] == u'e' || s[m] == u'E')) {
            qsizetype e = m + 1;
            if (e < n && (s[e] == u'-' || s[e] == u'+')) ++e;
            if (e < n && isDigit(s[e])) {
                while (e < n && isDigit(s[e])) ++e;
                m = e;
            }
        }
        end = m;
    }
    return end < 0 ? 0 : end - i;
}

bool timeAt0(const char16_t *s, qsizetype n) {
    if (n < 8) return false;
    auto in = [](char16_t c, char16_t lo, char16_t hi) { return c >= lo && c <= hi; };
    return in(s[0], u'0', u'2') && isDigit(s[1]) && s[2] == u':' && in(s[3], u'0', u'5') && isDigit(s[4]) &&
           s[5] == u':' && in(s[6], u'0', u'5') && isDigit(s[7]);
}

// "#[12][09][0-9][0-9]-[0-9]+-[0-9]+#" at i: the digit runs end at the first non-digit, so a
// match that starts at i is unique; its length, 0 if none.
qsizetype startDateAt(const char16_t *s, qsizetype n, qsizetype i) {
    auto at = [&](qsizetype k) { return k < n ? s[k] : char16_t(0); };
    if (at(i) != u'#' || (at(i + 1) != u'1' && at(i + 1) != u'2') || (at(i + 2) != u'0' && at(i + 2) != u'9') ||
        !isDigit(at(i + 3)) || !isDigit(at(i + 4)) || at(i + 5) != u'-')
        return 0;
    qsizetype k = i + 6;
    for (char16_t end : {u'-', u'#'}) {
        const qsizetype first = k;
        while (isDigit(at(k))) ++k;
        if (k == first || at(k) != end) return 0;
        ++k;
    }
    return k - i;
}

inline bool isNameChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || isDigit(c) || c == u'-' || c == u' ' || c == u'.' ||
           c == u'_' || c == u'/';
}

// A pattern that is plain text (quoted, or letters, digits, blanks and a few signs with no
// meaning to the engine), optionally anchored by "^": its text, or nothing.
std::optional<QString> literalOf(const QString &pattern, bool &anchored) {
    QString text;
    bool quoted = false;
    anchored = pattern.startsWith(u'^');
    for (qsizetype i = anchored ? 1 : 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && !c.isLetterOrNumber() && !QStringView(u" :#,=@%!&~'<>;").contains(c)) return std::nullopt;
        if (c.unicode() > 0x7f || c.unicode() == 0) return std::nullopt;
        text += c;
    }
    if (text.isEmpty()) return std::nullopt;
    return text;
}

// One Latin-1 copy of the subject at a time, shared by every matcher that runs regexec on it.
// The cache holds a reference to the subject, so its buffer can neither change nor be reused.
struct Latin1Copy {
    QString subject;
    QByteArray bytes;
};
Latin1Copy &latin1Copy() {
    thread_local Latin1Copy copy;  // one per thread: the halves of a long read match at once
    return copy;
}
QByteArray latin1Of(const QString &subject) {
    Latin1Copy &c = latin1Copy();
    if (c.subject.constData() != subject.constData() || c.subject.size() != subject.size() || c.subject.isNull()) {
        c.bytes = QByteArray();  // the old copy goes first: never two at once
        c.bytes = subject.toLatin1();
        c.subject = subject;
    }
    return c.bytes;
}

}  // namespace

struct PatternMatcher::Posix {
    regex_t re{};
    bool compiled = false;
    QByteArray bytes;  // the subject in Latin-1: byte offsets are character offsets
    ~Posix() {
        if (compiled) regfree(&re);
    }
};

PatternMatcher::PatternMatcher(Engine engine) : m_engine(engine) {}

PatternMatcher::PatternMatcher(const QString &pattern, Engine engine) : m_engine(engine) { setPattern(pattern); }

PatternMatcher::~PatternMatcher() = default;

void PatternMatcher::setPattern(const QString &pattern) {
    auto posix = std::make_unique<Posix>();
    {
        CLocaleScope c;
        const int rc = regcomp(&posix->re, translate(pattern).constData(), REG_EXTENDED);
        if (rc != 0) {
            char err[256];
            regerror(rc, &posix->re, err, sizeof err);
            throw std::invalid_argument("bad pattern " + pattern.toStdString() + ": " + err);
        }
        posix->compiled = true;
    }
    m_posix = std::move(posix);
    m_pattern = pattern;
    m_scanner = Scanner::None;
    if (m_engine == Engine::Auto) {
        if (pattern == patterns::kRecordTime)
            m_scanner = Scanner::RecordTime;
        else if (pattern == patterns::kNumber)
            m_scanner = Scanner::Number;
        else if (pattern == patterns::kStartDate)
            m_scanner = Scanner::StartDate;
        else if (pattern == patterns::kColumnName)
            m_scanner = Scanner::ColumnName;
        else if (const auto text = literalOf(pattern, m_anchored)) {
            m_scanner = Scanner::Literal;
            m_literal = *text;
        }
    }
    m_found = false;
}

bool PatternMatcher::Match(const QString &subject, qsizetype from) {
    m_subject = subject;
    m_edited = false;
    m_result = QString();
    m_delta = 0;
    if (m_scanner == Scanner::None && m_posix) m_posix->bytes = latin1Of(subject);
    if (from > subject.size()) return m_found = false;
    return searchFrom(from);
}

void PatternMatcher::release() {
    m_subject = QString();
    m_result = QString();
    m_edited = false;
    m_found = false;
    if (m_posix) m_posix->bytes = QByteArray();
    if (Latin1Copy &c = latin1Copy(); !c.subject.isNull()) {
        c.subject = QString();
        c.bytes = QByteArray();
    }
}

bool PatternMatcher::MatchNext() {
    if (!m_found) return false;
    const qsizetype from = m_start + (m_length > 0 ? m_length : 1);
    if (from > m_subject.size()) return m_found = false;
    return searchFrom(from);
}

bool PatternMatcher::searchFrom(qsizetype from) {
    m_replaced = false;
    if (!m_posix) throw std::logic_error("pattern matcher used without a pattern");
    m_found = m_scanner != Scanner::None ? scan(from) : posixSearch(from);
    return m_found;
}

bool PatternMatcher::scan(qsizetype from) {
    const char16_t *s = reinterpret_cast<const char16_t *>(m_subject.constData());
    const qsizetype n = m_subject.size();
    if (m_scanner == Scanner::RecordTime) {
        if (from != 0 || !timeAt0(s, n)) return false;
        m_start = 0;
        m_length = 8;
        return true;
    }
    if (m_scanner == Scanner::Literal) {
        const qsizetype at = m_anchored ? (from == 0 && QStringView(m_subject).startsWith(m_literal) ? 0 : -1)
                                        : QStringView(m_subject).indexOf(m_literal, from);
        if (at < 0) return false;
        m_start = at;
        m_length = m_literal.size();
        return true;
    }
    if (m_scanner == Scanner::ColumnName) {
        qsizetype i = from;
        while (i < n && !isNameChar(s[i])) ++i;
        if (i == n) return false;
        qsizetype end = i;
        while (end < n && isNameChar(s[end])) ++end;
        m_start = i;
        m_length = end - i;
        return true;
    }
    if (m_scanner == Scanner::StartDate) {
        for (qsizetype i = from; i < n; ++i) {
            if (s[i] != u'#') continue;
            if (const qsizetype len = startDateAt(s, n, i)) {
                m_start = i;
                m_length = len;
                return true;
            }
        }
        return false;
    }
    for (qsizetype i = from; i < n; ++i) {
        const char16_t c = s[i];
        if (!isDigit(c) && c != u'.' && c != u'-' && c != u'+') continue;
        if (const qsizetype len = numberAt(s, n, i)) {
            m_start = i;
            m_length = len;
            return true;
        }
    }
    return false;
}

bool PatternMatcher::posixSearch(qsizetype from) {
    CLocaleScope c;
    regmatch_t m[1];
    m[0].rm_so = regoff_t(from);
    m[0].rm_eo = regoff_t(m_posix->bytes.size());
    // REG_STARTEND keeps offsets absolute and "^" tied to the subject's start; NUL bytes
    // inside the line are ordinary characters.
    if (regexec(&m_posix->re, m_posix->bytes.constData(), 1, m, REG_STARTEND) != 0) return false;
    m_start = m[0].rm_so;
    m_length = m[0].rm_eo - m[0].rm_so;
    return true;
}

QString PatternMatcher::MatchedText() const { return MatchedView().toString(); }

QStringView PatternMatcher::MatchedView() const {
    if (!m_found) return {};
    return QStringView(m_subject).mid(m_start, m_length);
}

bool PatternMatcher::ReplaceMatch(const QString &replacement) {
    if (!m_found || m_replaced) return false;
    if (!m_edited) {
        m_result = m_subject;
        m_edited = true;
    }
    m_result.replace(m_start + m_delta, m_length, replacement);
    m_delta += replacement.size() - m_length;
    m_replaced = true;
    return true;
}
