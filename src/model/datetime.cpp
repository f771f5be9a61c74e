#include "model/datetime.h"

#include <QDate>
#include <QList>
#include <cmath>
#include <limits>

namespace dt {
namespace {

// A function, not a namespace-scope QDate: other files use dates in their own static
// initialisation, before this file's would have run.
QDate epoch() { return QDate(1899, 12, 30); }
const char *const kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// A small scanner over one date-time text; every reader below either consumes what it
// recognises or leaves the position alone.
struct Scanner {
    QStringView s;
    qsizetype i = 0;
    void skipBlanks() {
        while (i < s.size() && (s[i] == u' ' || s[i] == u'\t')) ++i;
    }
    bool atEnd() const { return i >= s.size(); }
    QChar peek() const { return atEnd() ? QChar() : s[i]; }
    bool number(int &value, int maxDigits) {
        qsizetype start = i;
        long v = 0;
        while (i < s.size() && isDigit(s[i]) && i - start < maxDigits) v = v * 10 + (s[i++].unicode() - '0');
        if (i == start || (i < s.size() && isDigit(s[i]))) {
            i = start;
            return false;
        }
        value = int(v);
        return true;
    }
    bool eat(QChar c) {
        if (peek() == c) {
            ++i;
            return true;
        }
        return false;
    }
};

int monthFromName(QStringView name) {
    for (int m = 0; m < 12; ++m)
        if (name.size() >= 3 && name.left(3).compare(QLatin1String(kMonthNames[m]), Qt::CaseInsensitive) == 0)
            return m + 1;
    return 0;
}

// h:mm[:ss] [am|pm|a|p]
bool readTime(Scanner &sc, int &h, int &mi, int &se) {
    Scanner save = sc;
    se = 0;
    if (!sc.number(h, 2) || !sc.eat(u':') || !sc.number(mi, 2)) {
        sc = save;
        return false;
    }
    if (sc.eat(u':') && !sc.number(se, 2)) {
        sc = save;
        return false;
    }
    Scanner beforeMarker = sc;
    sc.skipBlanks();
    QChar c = sc.peek().toLower();
    if (c == u'a' || c == u'p') {
        ++sc.i;
        if (sc.peek().toLower() == u'm') ++sc.i;
        if (h < 1 || h > 12) {
            sc = save;
            return false;
        }
        if (c == u'a' && h == 12) h = 0;
        if (c == u'p' && h != 12) h += 12;
    } else {
        sc = beforeMarker;
    }
    if (h > 23 || mi > 59 || se > 59) {
        sc = save;
        return false;
    }
    return true;
}

// M/d/yyyy, M-d-yyyy, yyyy-M-d, yyyy/M/d or dd-mmm-yyyy
bool readDate(Scanner &sc, int &y, int &m, int &d) {
    Scanner save = sc;
    int a = 0, b = 0, c = 0;
    if (!sc.number(a, 4)) return false;
    const bool fourDigitsFirst = sc.i - save.i == 4;
    const QChar sep = sc.peek();
    if ((sep != u'/' && sep != u'-') || !sc.eat(sep)) {
        sc = save;
        return false;
    }
    const qsizetype nameStart = sc.i;
    while (!sc.atEnd() && sc.peek().isLetter()) ++sc.i;
    bool ok;
    if (sc.i > nameStart) {
        m = monthFromName(sc.s.mid(nameStart, sc.i - nameStart));
        d = a;
        ok = m && !fourDigitsFirst && sc.eat(sep) && sc.number(y, 4);
    } else if (sc.number(b, 2) && sc.eat(sep) && sc.number(c, 4)) {
        if (fourDigitsFirst) {
            y = a;
            m = b;
            d = c;
        } else {
            m = a;
            d = b;
            y = c;
        }
        ok = true;
    } else {
        ok = false;
    }
    if (ok && isValidDate(y, m, d)) return true;
    sc = save;
    return false;
}

}  // namespace

bool isValidDate(int year, int month, int day) {
    return year >= 100 && year <= 9999 && QDate::isValid(year, month, day);
}

double fromDate(int year, int month, int day) { return double(epoch().daysTo(QDate(year, month, day))); }

double fromParts(const Parts &p) {
    return fromDate(p.year, p.month, p.day) + (p.hour * 3600 + p.minute * 60 + p.second) / kSecondsPerDay;
}

Parts toParts(double value) {
    double whole = std::floor(value);
    long long secs = std::llround((value - whole) * kSecondsPerDay);
    if (secs >= kSecondsPerDay) {
        whole += 1;
        secs -= static_cast<long long>(kSecondsPerDay);
    }
    // Records come in runs of one day: the calendar is asked once per day, not per record.
    thread_local qint64 cachedDay = std::numeric_limits<qint64>::min();
    thread_local Parts cached;
    Parts p;
    if (qint64(whole) != cachedDay) {
        const QDate date = epoch().addDays(qint64(whole));
        cached.year = date.year();
        cached.month = date.month();
        cached.day = date.day();
        cachedDay = qint64(whole);
    }
    p.year = cached.year;
    p.month = cached.month;
    p.day = cached.day;
    p.hour = int(secs / 3600);
    p.minute = int(secs / 60 % 60);
    p.second = int(secs % 60);
    return p;
}

double today() {
    QDate d = QDate::currentDate();
    return fromDate(d.year(), d.month(), d.day());
}

QString recordText(double value) {
    Parts p = toParts(value);
    return QStringLiteral("%1/%2/%3 %4:%5:%6")
        .arg(p.month)
        .arg(p.day)
        .arg(p.year)
        .arg(p.hour, 2, 10, QLatin1Char('0'))
        .arg(p.minute, 2, 10, QLatin1Char('0'))
        .arg(p.second, 2, 10, QLatin1Char('0'));
}

std::optional<double> parse(QStringView text) {
    Scanner sc{text.trimmed()};
    if (sc.atEnd()) return std::nullopt;
    Parts p;
    bool haveDate = false, haveTime = false;
    if (readDate(sc, p.year, p.month, p.day)) {
        haveDate = true;
        sc.skipBlanks();
        if (!sc.atEnd()) haveTime = readTime(sc, p.hour, p.minute, p.second);
    } else if (readTime(sc, p.hour, p.minute, p.second)) {
        haveTime = true;
        sc.skipBlanks();
        if (!sc.atEnd()) haveDate = readDate(sc, p.year, p.month, p.day);
    }
    sc.skipBlanks();
    if ((!haveDate && !haveTime) || !sc.atEnd()) return std::nullopt;
    if (!haveDate) {
        p.year = 1899;
        p.month = 12;
        p.day = 30;
    }
    return fromParts(p);
}

QString format(double value, QStringView pattern) {
    Parts p = toParts(value);
    if (pattern.isEmpty()) {
        const bool noTime = p.hour == 0 && p.minute == 0 && p.second == 0;
        const bool noDate = std::floor(value) == 0.0;
        QString date = QStringLiteral("%1/%2/%3").arg(p.month).arg(p.day).arg(p.year);
        QString time = QStringLiteral("%1:%2:%3")
                           .arg(p.hour, 2, 10, QLatin1Char('0'))
                           .arg(p.minute, 2, 10, QLatin1Char('0'))
                           .arg(p.second, 2, 10, QLatin1Char('0'));
        if (noDate && !noTime) return time;
        if (noTime) return date;
        return date + u' ' + time;
    }
    const bool twelveHour = pattern.contains(u"am/pm", Qt::CaseInsensitive);
    QString out;
    bool lastWasHour = false;
    auto two = [](int v, bool pad) {
        return pad ? QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')) : QString::number(v);
    };
    for (qsizetype i = 0; i < pattern.size();) {
        if (pattern.mid(i, 5).compare(u"am/pm", Qt::CaseInsensitive) == 0) {
            QString marker = p.hour < 12 ? QStringLiteral("am") : QStringLiteral("pm");
            out += pattern[i].isUpper() ? marker.toUpper() : marker;
            i += 5;
            continue;
        }
        QChar c = pattern[i].toLower();
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run].toLower() == c) ++run;
        switch (c.unicode()) {
        case 'y':
            out += run >= 3 ? QString::number(p.year) : two(p.year % 100, true);
            lastWasHour = false;
            break;
        case 'd':
            out += two(p.day, run >= 2);
            lastWasHour = false;
            break;
        case 'm':
            if (lastWasHour && run <= 2)
                out += two(p.minute, run >= 2);
            else if (run >= 3)
                out += QLatin1String(kMonthNames[p.month - 1]);
            else
                out += two(p.month, run >= 2);
            lastWasHour = false;
            break;
        case 'h': {
            int h = p.hour;
            if (twelveHour) {
                h %= 12;
                if (h == 0) h = 12;
            }
            out += two(h, run >= 2);
            lastWasHour = true;
            break;
        }
        case 'n':
            out += two(p.minute, run >= 2);
            lastWasHour = false;
            break;
        case 's':
            out += two(p.second, run >= 2);
            lastWasHour = false;
            break;
        default:
            out += pattern.mid(i, run);
            // Separators keep an hour token as "nearest before" for a following m.
            if (c.isLetterOrNumber()) lastWasHour = false;
            break;
        }
        i += run;
    }
    return out;
}

}  // namespace dt
