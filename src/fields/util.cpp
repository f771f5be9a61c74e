#include "fields/util.h"

namespace Util {
namespace {
// Starts as the empty text (not as "no more tokens").
std::optional<QString> g_remainder = QString();

QString trimBlanks(const QString &s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == u' ') ++b;
    while (e > b && s[e - 1] == u' ') --e;
    return s.mid(b, e - b);
}
}  // namespace

QString ReverseText(const QString &text) {
    const QString t = trimBlanks(text);
    QString out;
    out.reserve(t.size());
    // Surrogate pairs stay in order so the reversed text is still valid.
    for (qsizetype i = t.size(); i > 0;) {
        if (i >= 2 && t[i - 1].isLowSurrogate() && t[i - 2].isHighSurrogate()) {
            out += t[i - 2];
            out += t[i - 1];
            i -= 2;
        } else {
            out += t[--i];
        }
    }
    return out;
}

std::optional<QString> NextToken(const QString &text, const QString &delimiters) {
    if (!text.isEmpty()) g_remainder = text;
    if (!g_remainder) return std::nullopt;
    const QString rest = *g_remainder;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (delimiters.contains(rest[i])) {
            g_remainder = rest.mid(i + 1);
            return rest.left(i);
        }
    }
    g_remainder = std::nullopt;
    return rest;
}

}  // namespace Util
