// A whole file through readFromFile: written to a temporary file, read twice by the reader,
// questions answered Yes and No in turn, no meter window.
#include "fileio/fileio.h"
#include "fuzz_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    ensureCoreApplication();
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/brinewick-fuzz-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("input.asc"));
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile f(path);
        require(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "temporary file opens");
        require(f.write(bytes) == bytes.size(), "temporary file written");
    }
    const QDateTime written = QFileInfo(path).lastModified();

    FuzzInteraction ui;
    clsDataSet ds;
    QString panel;
    ReaderContext ctx{ui, [&](const QString &t) { panel = t; }, {}, {}};
    const bool ok = readFromFile(path, ds, ctx);

    require(ui.busyDepth() == 0, "the busy cursor is restored");
    require(!panel.isEmpty(), "panel 2 shows the line count or the stop line");
    require(ok == !panel.startsWith(QStringLiteral("Failed@line:")), "the result matches panel 2");
    if (ok) require(panel == QString::number(countLines(latin1Text(bytes))), "panel 2 shows the line count");
    checkInvariants(ds);

    QFile f(path);
    require(f.open(QIODevice::ReadOnly) && f.readAll() == bytes, "the log file is never written");
    require(QFileInfo(path).lastModified() == written, "the log file's time stays");
    return 0;
}
