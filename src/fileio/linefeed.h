#pragma once
// Cuts bytes that arrive in blocks (a file read in pieces, a log that grows) into lines ending
// at CR, CR LF or a lone LF. A line is handed on once its end is certain: a line without its
// ending yet, or a CR that may be the first half of a CR LF, waits for the next block or for
// finish().
#include <QByteArray>
#include <QByteArrayView>
#include <algorithm>
#include <cstring>

class LineFeed {
public:
    // Calls onLine(QByteArrayView) for every line the block completes. onLine returns false to
    // stop: feed then returns false and the rest of the block is dropped.
    template <typename OnLine> bool feed(QByteArrayView block, OnLine &&onLine);
    // The input ended: a held line is its last line.
    template <typename OnLine> bool finish(OnLine &&onLine);

    // Whether a line is held back, and that line so far.
    bool holding() const { return m_afterCr || !m_tail.isEmpty(); }
    const QByteArray &heldLine() const { return m_tail; }
    void reset() {
        m_tail.clear();
        m_afterCr = false;
        m_fed = m_next = 0;
    }
    // Where the line handed on now starts, or after a feed the next line will start: a byte
    // count of everything fed since the last reset.
    qint64 lineStart() const { return m_next; }

private:
    // The first CR or LF from `from` on, n if none. memchr looks for each over a short window,
    // so a line's end is found without running over the whole block for the other byte.
    static qsizetype lineEnd(const char *d, qsizetype from, qsizetype n) {
        constexpr qsizetype kWindow = 256;
        for (; from < n; from += kWindow) {
            const std::size_t w = std::size_t(std::min(kWindow, n - from));
            const void *cr = std::memchr(d + from, '\r', w);
            const std::size_t upTo = cr ? std::size_t(static_cast<const char *>(cr) - (d + from)) : w;
            if (const void *lf = std::memchr(d + from, '\n', upTo)) return static_cast<const char *>(lf) - d;
            if (cr) return static_cast<const char *>(cr) - d;
        }
        return n;
    }
    QByteArray m_tail;       // a line whose end has not arrived, or that ended at a CR
    bool m_afterCr = false;  // m_tail ended at the block's last byte, a CR
    qint64 m_fed = 0;        // bytes fed before the block under way
    qint64 m_next = 0;       // see lineStart()
};

template <typename OnLine> bool LineFeed::feed(QByteArrayView block, OnLine &&onLine) {
    const char *d = block.data();
    const qsizetype n = block.size();
    qsizetype pos = 0;
    if (n == 0) return true;
    const qint64 base = m_fed;
    m_fed += n;
    if (m_afterCr) {
        if (d[0] == '\n') pos = 1;  // the LF of a CR LF split between two blocks
        m_afterCr = false;
        const QByteArray line = std::move(m_tail);
        m_tail.clear();
        if (!onLine(QByteArrayView(line))) return false;
        m_next = base + pos;
    } else if (!m_tail.isEmpty()) {
        const qsizetype end = lineEnd(d, 0, n);
        m_tail.append(d, end);
        if (end == n) return true;
        if (d[end] == '\r' && end + 1 == n) {
            m_afterCr = true;
            return true;
        }
        pos = end + 1;
        if (d[end] == '\r' && d[pos] == '\n') ++pos;
        const QByteArray line = std::move(m_tail);
        m_tail.clear();
        if (!onLine(QByteArrayView(line))) return false;
        m_next = base + pos;
    }
    while (pos < n) {
        const qsizetype end = lineEnd(d, pos, n);
        if (end == n) {
            m_tail = QByteArray(d + pos, end - pos);
            return true;
        }
        if (d[end] == '\r' && end + 1 == n) {
            m_tail = QByteArray(d + pos, end - pos);
            m_afterCr = true;
            return true;
        }
        if (!onLine(QByteArrayView(d + pos, end - pos))) return false;
        pos = end + 1;
        if (d[end] == '\r' && pos < n && d[pos] == '\n') ++pos;
        m_next = base + pos;
    }
    return true;
}

template <typename OnLine> bool LineFeed::finish(OnLine &&onLine) {
    if (!holding()) return true;
    const QByteArray line = std::move(m_tail);
    m_tail.clear();
    m_afterCr = false;
    if (!onLine(QByteArrayView(line))) return false;
    m_next = m_fed;
    return true;
}
