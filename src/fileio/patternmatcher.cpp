#include "fileio/patternmatcher.h"

#include <clocale>
#include <cstring>
#include <locale.h>
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
    }
    m_found = false;
}

bool PatternMatcher::Match(const QString &subject) {
    m_subject = subject;
    m_edited = false;
    m_delta = 0;
    if (m_scanner == Scanner::None && m_posix) m_posix->bytes = subject.toLatin1();
    return searchFrom(0);
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
