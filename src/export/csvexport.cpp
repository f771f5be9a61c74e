#include "export/csvexport.h"

#include "compute/qualityflags.h"
#include "model/clsdataset.h"
#include "model/datetime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <charconv>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QByteArray shortestNumberText(double v) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    return QByteArray(buf, int(res.ptr - buf));
}

QByteArray csvField(const QString &text) {
    QByteArray bytes = text.toUtf8();
    bool quote = false;
    for (char c : bytes)
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            quote = true;
            break;
        }
    if (!quote) return bytes;
    bytes.replace("\"", "\"\"");
    return '"' + bytes + '"';
}

QStringList csvHeader(const clsDataSet &dataSet, int width) {
    QStringList names = dataSet.fieldlist();
    if (!names.isEmpty()) names.removeLast();  // the list ends with one empty entry
    while (names.size() < width) names << QStringLiteral("Column %1").arg(names.size() + 1);
    return names;
}

namespace {

void appendTwo(char *at, int v) {
    at[0] = char('0' + v / 10);
    at[1] = char('0' + v % 10);
}

// "yyyy-mm-dd hh:mm:ss"; the hot loop, so no printf.
void appendDateTime(QByteArray &out, double day) {
    const dt::Parts p = dt::toParts(day);
    if (p.year < 0 || p.year > 9999) {
        out += QByteArray::number(p.year);  // outside four digits: still unambiguous
        char rest[16];
        const int n =
            std::snprintf(rest, sizeof rest, "-%02d-%02d %02d:%02d:%02d", p.month, p.day, p.hour, p.minute, p.second);
        out.append(rest, n);
        return;
    }
    char b[19] = {0, 0, 0, 0, '-', 0, 0, '-', 0, 0, ' ', 0, 0, ':', 0, 0, ':', 0, 0};
    appendTwo(b, p.year / 100);
    appendTwo(b + 2, p.year % 100);
    appendTwo(b + 5, p.month);
    appendTwo(b + 8, p.day);
    appendTwo(b + 11, p.hour);
    appendTwo(b + 14, p.minute);
    appendTwo(b + 17, p.second);
    out.append(b, sizeof b);
}

void appendNumber(QByteArray &out, double v) {
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, res.ptr - buf);
}

void appendCell(QByteArray &out, const Cell &c) {
    switch (c.kind()) {
    case Cell::Kind::Number: appendNumber(out, c.number()); break;
    case Cell::Kind::Text: out += csvField(c.string()); break;
    case Cell::Kind::Empty: break;
    }
}

}  // namespace

QByteArray csvDateTime(double day) {
    QByteArray out;
    appendDateTime(out, day);
    return out;
}

bool tableCsvChunks(clsDataSet &dataSet, const std::vector<std::uint8_t> *flags, const CsvSink &sink) {
    const DataTable &table = dataSet.DATA();
    const QStringList header = csvHeader(dataSet, table.colCount());
    const int width = int(header.size());
    const int cols = table.colCount();

    // A long table goes out in pieces, so its CSV is never held whole beside the table.
    constexpr qsizetype kChunk = qsizetype(1) << 20;
    QByteArray out;
    out.reserve(kChunk + 4096);
    for (int c = 0; c < width; ++c) {
        if (c) out += ',';
        out += csvField(header[c]);
    }
    if (flags) out += width ? ",flags" : "flags";
    out += "\r\n";
    for (int r = 0; r < table.rowCount(); ++r) {
        for (int c = 0; c < width; ++c) {
            if (c) out += ',';
            if (c >= cols) continue;  // a named column no record reached
            if (c == colDateTime) {
                const double day = table.rowDay(r);
                if (std::isfinite(day)) {
                    appendDateTime(out, day);
                    continue;
                }
            }
            appendCell(out, table.cell(r, c));
        }
        if (flags) {
            if (width) out += ',';
            // Flags of another table (an open that failed before compute) are left out.
            if (flags->size() == std::size_t(table.rowCount()))
                for (int k = 0; k < kFlagKinds; ++k)
                    if ((*flags)[std::size_t(r)] & (1u << k)) out += flagLetter(k);
        }
        out += "\r\n";
        if (out.size() >= kChunk) {
            if (!sink(out)) return false;
            out.clear();
        }
    }
    return sink(out);
}

QByteArray tableCsv(clsDataSet &dataSet, const std::vector<std::uint8_t> *flags) {
    QByteArray all;
    tableCsvChunks(dataSet, flags, [&all](const QByteArray &chunk) { return all += chunk, true; });
    return all;
}

namespace {

// A device or named pipe that already exists is written where it is: replacing the node with a
// regular file would break it. A pipe nobody reads is refused rather than waited on.
QString writeInPlace(const QString &path, const struct stat &st, const DeviceWriter &write, const QString &problem) {
    if (!S_ISCHR(st.st_mode) && !S_ISFIFO(st.st_mode))
        return problem + QStringLiteral("it is not a regular file, a character device or a named pipe.");
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENXIO) return problem + QStringLiteral("no program reads from the named pipe.");
        return problem + QString::fromLocal8Bit(std::strerror(errno)) + u'.';
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return problem + file.errorString() + u'.';
    }
    QString reason;
    if (!write(file, reason) || !file.flush())
        return problem + (file.error() != QFileDevice::NoError ? file.errorString() : reason) + u'.';
    return {};
}

}  // namespace

QString saveFileSafely(const QString &path, const DeviceWriter &write) {
    const QString problem = QStringLiteral("Can't write \"%1\": ").arg(path);
    const QFileInfo info(path);
    if (!info.absoluteDir().exists())
        return problem +
               QStringLiteral("the folder \"%1\" does not exist.").arg(QDir::toNativeSeparators(info.absolutePath()));
    if (info.isDir()) return problem + QStringLiteral("it is a folder.");
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return writeInPlace(path, st, write, problem);
        // Checked by the mode, not by access(): root may write anything, but a read-only
        // file was made so on purpose and must not be swapped for a writable one.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
            ::access(QFile::encodeName(path).constData(), W_OK) != 0)
            return problem + QStringLiteral("the file is read-only.");
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return problem + file.errorString() + u'.';
    QString reason;
    if (!write(file, reason)) {
        // The device's own reason ("No space left on device") before cancelling replaces it.
        if (file.error() != QFileDevice::NoError) reason = file.errorString();
        file.cancelWriting();
        return problem + (reason.isEmpty() ? QStringLiteral("the data could not be written") : reason) + u'.';
    }
    if (!file.commit()) return problem + file.errorString() + u'.';
    return {};
}

bool writeFully(QIODevice &device, const QByteArray &bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = device.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) return false;
        done += qsizetype(n);
    }
    return true;
}

QString saveOutput(const QString &path, const DeviceWriter &write) {
    if (path == kStdoutPath) {
        QFile out;
        QString reason;
        if (!out.open(stdout, QIODevice::WriteOnly) || !write(out, reason) || !out.flush())
            return QStringLiteral("Can't write to standard output: ") + out.errorString() + u'.';
        return {};
    }
    return saveFileSafely(path, write);
}

QString saveBytes(const QString &path, const QByteArray &bytes) {
    return saveOutput(path, [&bytes](QIODevice &device, QString &) { return writeFully(device, bytes); });
}

QString writeCsv(const QString &path, clsDataSet &dataSet, const std::vector<std::uint8_t> *flags) {
    return saveOutput(path, [&](QIODevice &device, QString &) {
        return tableCsvChunks(dataSet, flags, [&device](const QByteArray &chunk) { return writeFully(device, chunk); });
    });
}
