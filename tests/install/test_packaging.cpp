// Desktop integration files: which files the MIME package claims, and that the icon draws.
#include "support/temp_files.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMimeDatabase>
#include <QPainter>
#include <QSet>
#include <gtest/gtest.h>

#if __has_include(<QtSvg/QSvgRenderer>)
#include <QtSvg/QSvgRenderer>
#define HAVE_QT_SVG 1
#endif

namespace {

// Lexical: the test data folder need not exist.
const QString kPackaging = QDir::cleanPath(QStringLiteral(BRINEWICK_TEST_DATA "/../../packaging")) + "/";
const QString kSystemMime = QStringLiteral("/usr/share/mime/packages/freedesktop.org.xml");

const QByteArray kQuotedHeader = "\"Probe 1 Serial Number:\",\"PB-1\"\r\n\"Probe 2 Serial Number:\",\"PB-2\"\r\n"
                                 "\"Probe 1 Slope:\",1.0\r\n\"Start Date:\",#2004-5-13#\r\n"
                                 "\"Time\",\"Therm 1\",\"Therm 2\"\r\n\"08:00:00\",21.2,21.6\r\n";
const QByteArray kPlainHeader = "Tank B\nSerial Number: 20511, Serial Number2: 20512\nSlope: 0.992, Slope2: 0.978\n"
                                "Logging started #2005-3-7#\nTime,Therm 1,Therm 2\n15:00:00,20.3,20.7\n";

}  // namespace

// The database is read once per process, from the folders named at that moment, so this
// is the only test here that may touch QMimeDatabase.
TEST(Packaging, probeLogsAreRecognisedWithoutClaimingOtherLogsAndText) {
    if (!QFile::exists(kSystemMime)) GTEST_SKIP() << "shared-mime-info is not installed";
    TempFiles files;
    const QString mimeDir = files.path(QStringLiteral("share/mime/packages"));
    ASSERT_TRUE(QDir().mkpath(mimeDir));
    ASSERT_TRUE(QFile::copy(kSystemMime, mimeDir + "/freedesktop.org.xml"));
    ASSERT_TRUE(QFile::copy(kPackaging + "brinewick.xml", mimeDir + "/brinewick.xml"));
    qputenv("XDG_DATA_HOME", files.path(QStringLiteral("share")).toLocal8Bit());
    qputenv("XDG_DATA_DIRS", files.path(QStringLiteral("share")).toLocal8Bit());

    const QMimeDatabase db;
    ASSERT_TRUE(db.mimeTypeForName(QStringLiteral("text/x-brinewick-log")).isValid())
        << "the MIME database was read before this test set its folders";
    EXPECT_TRUE(
        db.mimeTypeForName(QStringLiteral("application/x-brinewick-asc")).inherits(QStringLiteral("text/plain")));

    const auto typeOf = [&](const QString &name, const QByteArray &bytes) {
        return db.mimeTypeForFile(files.write(name, bytes)).name().toStdString();
    };
    EXPECT_EQ(typeOf("run.asc", kQuotedHeader), "application/x-brinewick-asc");
    EXPECT_EQ(typeOf("plain.asc", kPlainHeader), "application/x-brinewick-asc");
    EXPECT_EQ(typeOf("tank.log", kPlainHeader), "text/x-brinewick-log");
    EXPECT_EQ(typeOf("quoted.log", kQuotedHeader), "text/x-brinewick-log");
    // Anything else with these extensions keeps its usual type.
    EXPECT_EQ(typeOf("server.log", "Mar 1 10:00:01 host started\nready\n"), "text/x-log");
    EXPECT_EQ(typeOf("notes.asc", "shopping list\nsalt\n"), "text/plain");
    EXPECT_EQ(typeOf("key.asc", "-----BEGIN PGP SIGNATURE-----\nabc\n-----END PGP SIGNATURE-----\n"),
              "application/pgp-signature");
}

TEST(Packaging, desktopEntryOpensTheProbeLogTypes) {
    QFile entry(kPackaging + "brinewick.desktop");
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    QFile mime(kPackaging + "brinewick.xml");
    ASSERT_TRUE(mime.open(QIODevice::ReadOnly | QIODevice::Text));
    const QByteArray declared = mime.readAll();

    QStringList claimed;
    for (const QByteArray &line : entry.readAll().split('\n'))
        if (line.startsWith("MimeType=")) claimed = QString::fromUtf8(line.mid(9)).split(';', Qt::SkipEmptyParts);
    ASSERT_EQ(claimed.size(), 2);
    for (const QString &type : claimed)
        EXPECT_TRUE(declared.contains("type=\"" + type.toUtf8() + "\"")) << type.toStdString();
}

#ifdef HAVE_QT_SVG
TEST(Packaging, iconDrawsAtMenuAndPanelSizes) {
    QSvgRenderer icon(kPackaging + "brinewick.svg");
    ASSERT_TRUE(icon.isValid());
    EXPECT_EQ(icon.viewBox(), QRect(0, 0, 48, 48));
    for (int size : {16, 48}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        icon.render(&painter);
        painter.end();
        // The tile fills the middle and its corners stay clear, at every size.
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 2)), 255) << size;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
        // Flask, brine and curve: more than a flat tile.
        QSet<QRgb> colours;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) colours.insert(image.pixel(x, y));
        EXPECT_GT(colours.size(), 8) << size;
    }
}
#endif
