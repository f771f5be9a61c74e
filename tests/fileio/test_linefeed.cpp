#include "fileio/fileio.h"
#include "fileio/linefeed.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <random>

namespace {

// Feeds the pieces one after the other; the lines handed on after each piece.
QList<QStringList> feedPieces(const QList<QByteArray> &pieces, bool finish = true) {
    LineFeed feed;
    QList<QStringList> out;
    QStringList lines;
    auto take = [&](QByteArrayView l) { return lines << QString::fromLatin1(l), true; };
    for (const QByteArray &p : pieces) {
        feed.feed(p, take);
        out << lines;
        lines.clear();
    }
    if (finish) {
        feed.finish(take);
        out << lines;
    }
    return out;
}

}  // namespace

TEST(LineFeed, LinesWaitForTheirEnds) {
    using L = QList<QStringList>;
    // A line split across two writes waits for its end.
    EXPECT_EQ(feedPieces({"08:00:00,1\r\n08:0", "0:10,2\r\n"}), (L{{"08:00:00,1"}, {"08:00:10,2"}, {}}));
    // A CR LF split between two writes is one line end; a lone CR at the end waits to see.
    EXPECT_EQ(feedPieces({"a\r", "\nb\r", "c\n"}), (L{{}, {"a"}, {"b", "c"}, {}}));
    EXPECT_EQ(feedPieces({"a\r", "", "\r\n"}), (L{{}, {}, {"a", ""}, {}}));
    // A line without its end is the last line only when the input ends.
    EXPECT_EQ(feedPieces({"a\nb"}), (L{{"a"}, {"b"}}));
    EXPECT_EQ(feedPieces({"a\nb"}, false), (L{{"a"}}));
    EXPECT_EQ(feedPieces({"a\r"}), (L{{}, {"a"}}));
}

TEST(LineFeed, AnyCutGivesTheLinesOfTheWhole) {
    const QByteArray whole = "h1\r\n\r\nx\ry\n\rz\r\n\n\rlast";
    const int expected = countLines(whole);
    for (qsizetype cut = 0; cut <= whole.size(); ++cut)
        for (qsizetype cut2 = cut; cut2 <= whole.size(); ++cut2) {
            QStringList lines;
            for (const QStringList &l : feedPieces({whole.left(cut), whole.mid(cut, cut2 - cut), whole.mid(cut2)}))
                lines << l;
            ASSERT_EQ(lines.size(), expected) << cut << " " << cut2;
            ASSERT_EQ(lines, (QStringList{"h1", "", "x", "y", "", "z", "", "", "last"})) << cut << " " << cut2;
        }
}

TEST(LineFeed, LongLinesEndWhereTheyEndAcrossSearchWindows) {
    // Lines about the length of the search window and longer, each with its own ending, in one
    // block and cut in two: the lines of a plain byte-by-byte split.
    std::mt19937 gen(13);
    static const char *const ends[] = {"\r", "\n", "\r\n"};
    QByteArray whole;
    QStringList expected;
    for (int len : {0, 1, 254, 255, 256, 257, 300, 511, 512, 513, 1000, 255, 256}) {
        QByteArray line(len, 'x');
        for (qsizetype i = 0; i < line.size(); i += 37) line[i] = char('a' + gen() % 26);
        expected << QString::fromLatin1(line);
        whole += line + ends[gen() % 3];
    }
    for (qsizetype cut : {qsizetype(0), qsizetype(256), qsizetype(257), whole.size() / 2, whole.size()}) {
        QStringList lines;
        for (const QStringList &l : feedPieces({whole.left(cut), whole.mid(cut)})) lines << l;
        ASSERT_EQ(lines, expected) << cut;
    }
}

TEST(LineFeed, LineStartsCountFromTheFirstByteWhereverTheInputIsCut) {
    const QByteArray whole = "h1\r\n\r\nx\ry\n\rz\r\n\n\rlast";
    const QList<qint64> expected = {0, 4, 6, 8, 10, 11, 14, 15, /* held: */ 16, /* finished: */ 16, 20};
    for (qsizetype cut = 0; cut <= whole.size(); ++cut)
        for (qsizetype cut2 = cut; cut2 <= whole.size(); ++cut2) {
            LineFeed feed;
            QList<qint64> starts;
            auto take = [&](QByteArrayView) { return starts << feed.lineStart(), true; };
            for (const QByteArray &piece : {whole.left(cut), whole.mid(cut, cut2 - cut), whole.mid(cut2)})
                feed.feed(piece, take);
            starts << feed.lineStart();
            feed.finish(take);
            starts << feed.lineStart();
            ASSERT_EQ(starts, expected) << cut << " " << cut2;
        }
}
