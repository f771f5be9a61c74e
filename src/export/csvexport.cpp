#include "export/csvexport.h"

#include "compute/phcompute.h"
#include "corrections/corrections.h"
#include "qc/qcletters.h"
#include "qc/qctests.h"
#include "export/checkeddevice.h"
#include "model/clsdataset.h"
#include "model/cores.h"
#include "model/datetime.h"
#include "model/deployment.h"
#include "model/numbertext.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <charconv>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>
#include <optional>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int CsvLogs::logOf(int row) const {
    if (join) return join->logOf(row);
    return std::size_t(row) < logOfRow->size() ? int((*logOfRow)[std::size_t(row)]) : -1;
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

QStringList csvHeader(const clsDataSet &dataSet, int width) { return csvHeader(dataSet.fieldlist(), width); }

QStringList csvHeader(const QStringList &fieldlist, int width) {
    QStringList names = fieldlist;
    if (!names.isEmpty()) names.removeLast();  // the list ends with one empty entry
    while (names.size() < width) names << QStringLiteral("Column %1").arg(names.size() + 1);
    return names;
}

namespace {

void appendTwo(char *at, int v) {
    at[0] = char('0' + v / 10);
    at[1] = char('0' + v % 10);
}

// "yyyy-mm-dd hh:mm:ss" at `at` (room for 32 characters); the hot loop, so no printf.
char *writeDateTime(char *at, double day) {
    const dt::Parts p = dt::toParts(day);
    if (p.year < 0 || p.year > 9999)  // outside four digits: still unambiguous
        return at +
               std::snprintf(at, 32, "%d-%02d-%02d %02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute, p.second);
    appendTwo(at, p.year / 100);
    appendTwo(at + 2, p.year % 100);
    at[4] = '-';
    appendTwo(at + 5, p.month);
    at[7] = '-';
    appendTwo(at + 8, p.day);
    at[10] = ' ';
    appendTwo(at + 11, p.hour);
    at[13] = ':';
    appendTwo(at + 14, p.minute);
    at[16] = ':';
    appendTwo(at + 17, p.second);
    return at + 19;
}

}  // namespace

QByteArray csvDateTime(double day) {
    char text[32];
    return QByteArray(text, writeDateTime(text, day) - text);
}

namespace {

// Room the six correction fields of a row may take.
constexpr std::size_t kCorrectionRoom = 2 * (2 * 40 + 16);

// The grades as the CSV writes them, made once.
const QByteArray &gradeBytes(Grade g) {
    static const std::array<QByteArray, 6> bytes = [] {
        std::array<QByteArray, 6> out;
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = gradeText(Grade(i)).toUtf8();
        return out;
    }();
    return bytes[std::size_t(g)];
}

// A correction or corrected pH to 15 significant digits: as worked out, without the last digit's
// noise of a sum of decimals (7.9448 + 0.02 is 7.9648, not 7.964799999999999).
char *correctionChars(char *at, double v) {
    return std::to_chars(at, at + 32, v + 0.0, std::chars_format::general, 15).ptr;
}

// The corrected pH, the correction and the grade of both probes, at `at`; "+ 0.0" writes a zero
// correction as 0, never -0.
char *writeCorrections(char *at, const DataTable &table, const CsvQcRows &qc, int r) {
    for (std::size_t p = 0; p < 2; ++p) {
        const Grade g = qc.grade[p] ? qc.grade[p][r] : Grade::None;
        *at++ = ',';
        if (g == Grade::None) {
            *at++ = ',';
            *at++ = ',';
            continue;
        }
        const double c = qc.correction[p][r] + 0.0;
        if (g != Grade::NotReported) at = correctionChars(at, table.value(r, p == 0 ? colPH1 : colPH2) + c);
        *at++ = ',';
        at = correctionChars(at, c);
        *at++ = ',';
        const QByteArray &text = gradeBytes(g);
        at = std::copy(text.begin(), text.end(), at);
    }
    return at;
}

// Rows first..last, one after the other, appended to `out`.
void formatRows(QByteArray &out, const DataTable &table, int width, const CsvQcRows *qc, int first, int last,
                const CsvLogs *logs, const CsvMarks *marks) {
    const int cols = table.colCount();
    // A row is made in a buffer of its own and goes out in one append: room for a number or a
    // date-time per cell, grown where a text is longer.
    constexpr std::size_t kCellRoom = 40;
    std::vector<char> line(std::size_t(width + 2) * kCellRoom + kFlagKinds + 8 + 2 * kQcColumns);
    // A column of numbers only is read straight from its span; the others cell by cell.
    std::vector<const double *> plain(std::size_t(std::max(width, 0)), nullptr);
    for (int c = 1; c < std::min(width, cols); ++c)
        if (table.allNumbers(c)) plain[std::size_t(c)] = table.numbers(c).data();
    const double *days = cols > 0 ? table.days().data() : nullptr;
    for (int r = first; r <= last; ++r) {
        std::size_t at = 0;
        for (int c = 0; c < width; ++c) {
            if (c) line[at++] = ',';
            if (c >= cols) continue;  // a named column no record reached
            char *p = line.data() + at;
            if (const double *numbers = plain[std::size_t(c)]) {
                at = std::size_t(shortestNumberChars(p, numbers[r]) - line.data());
                continue;
            }
            const Cell::Kind kind = table.kind(r, c);
            const double day = c == colDateTime ? days[r] : 0.0;
            if (c == colDateTime && std::isfinite(day)) {
                at = std::size_t(writeDateTime(p, day) - line.data());
            } else if (kind == Cell::Kind::Number) {
                at = std::size_t(shortestNumberChars(p, table.numberOr(r, c, 0.0)) - line.data());
            } else if (kind == Cell::Kind::Text) {
                const QByteArray field = csvField(table.cell(r, c).string());
                line.resize(
                    std::max(line.size(), at + std::size_t(field.size()) + std::size_t(width - c + 2) * kCellRoom));
                at = std::size_t(std::copy(field.begin(), field.end(), line.begin() + std::ptrdiff_t(at)) -
                                 line.begin());
            }
        }
        if (qc) {
            if (width) line[at++] = ',';
            if (qc->letters)
                for (int k = 0; k < kFlagKinds; ++k)
                    if (qc->letters[r] & (1u << k)) line[at++] = flagLetter(k);
            for (int s = seriesPH1; s <= seriesPH2; ++s) {
                line[at++] = ',';
                if (!qc->aggregates) continue;
                const int code = qcAggregate(qc->aggregates[r], s);
                line[at++] = char('0' + code);
            }
            if (qc->withTests) {
                const std::uint8_t *tests =
                    qc->tests ? qc->tests + std::size_t(r - qc->testsRow0) * kQcColumns : nullptr;
                for (int c = 0; c < kQcColumns; ++c) {
                    line[at++] = ',';
                    if (tests) line[at++] = char('0' + tests[c]);
                }
            }
        }
        if (const int log = logs ? logs->logOf(r) : -1; log >= 0) {
            const QByteArray &name = logs->names[std::size_t(log)];
            line.resize(std::max(line.size(), at + std::size_t(name.size()) + 3));
            line[at++] = ',';
            at = std::size_t(std::copy(name.begin(), name.end(), line.begin() + std::ptrdiff_t(at)) - line.begin());
        }
        if (marks) {
            const std::uint8_t k = std::size_t(r) < marks->kind->size() ? (*marks->kind)[std::size_t(r)] : 0;
            const std::int32_t n = std::size_t(r) < marks->note->size() ? (*marks->note)[std::size_t(r)] : -1;
            const QByteArray field = (k == 1   ? QByteArrayLiteral(",bad,")
                                      : k == 2 ? QByteArrayLiteral(",doubtful,")
                                               : QByteArrayLiteral(",,")) +
                                     (n >= 0 ? marks->notes[std::size_t(n)] : QByteArray());
            line.resize(std::max(line.size(), at + std::size_t(field.size()) + 3));
            at = std::size_t(std::copy(field.begin(), field.end(), line.begin() + std::ptrdiff_t(at)) - line.begin());
        }
        if (qc && qc->withCorrections) {
            line.resize(std::max(line.size(), at + kCorrectionRoom + 2));
            at = std::size_t(writeCorrections(line.data() + at, table, *qc, r) - line.data());
        }
        line[at++] = '\r';
        line[at++] = '\n';
        out.append(line.data(), qsizetype(at));
    }
}

// Fewer rows than this are not worth a second thread.
constexpr int kTwoThreadRows = 4096;

}  // namespace

QByteArray csvHeaderRow(const QStringList &header, bool withFlags, bool withLog, bool withTests, bool withMarks,
                        bool withCorrections) {
    QByteArray out;
    for (qsizetype c = 0; c < header.size(); ++c) {
        if (c) out += ',';
        out += csvField(header[c]);
    }
    if (withFlags) {
        out += header.isEmpty() ? "flags,qc_ph1,qc_ph2" : ",flags,qc_ph1,qc_ph2";
        for (int c = 0; withTests && c < kQcColumns; ++c) out += ',' + qcColumnName(c).toLatin1();
    }
    if (withLog) out += ",log";
    if (withMarks) out += ",mark,note";
    if (withCorrections) out += ",pH-1 corrected,pH-1 correction,pH-1 grade,pH-2 corrected,pH-2 correction,pH-2 grade";
    return out + "\r\n";
}

void appendCsvRows(QByteArray &out, const DataTable &table, int width, const CsvQcRows *flags, int first, int last,
                   const CsvLogs *logs, const CsvMarks *marks) {
    first = std::max(first, 0);
    last = std::min(last, table.rowCount() - 1);
    const int n = last - first + 1;
    if (n < kTwoThreadRows || !aCoreIsFree()) {
        if (n > 0) formatRows(out, table, width, flags, first, last, logs, marks);
        return;
    }
    // Two cores: the second half is made at once on the other one, then goes after the first.
    const int mid = first + n / 2;
    // Kept from call to call: fresh megabytes each piece cost more in page faults than the
    // second core saves.
    thread_local QByteArray kept;
    QByteArray &second = kept;  // the caller's: the lambda runs on another thread
    second.resize(0);
    std::future<void> other =
        std::async(std::launch::async, [&] { formatRows(second, table, width, flags, mid, last, logs, marks); });
    formatRows(out, table, width, flags, first, mid - 1, logs, marks);
    other.get();
    out.append(second.constData(), second.size());  // a copy: += on an empty `out` would share the buffer
}

bool tableCsvChunks(clsDataSet &dataSet, const CsvQc *qc, const CsvSink &sink, int first, int last, const CsvLogs *logs,
                    const CsvMarks *marks) {
    const DataTable &table = dataSet.DATA();
    const QStringList header = csvHeader(dataSet, table.colCount());
    const int width = int(header.size());

    // A long table goes out in pieces, so its CSV is never held whole beside the table.
    constexpr qsizetype kChunk = qsizetype(1) << 20;
    constexpr int kPieceRows = 16384;
    QByteArray out;
    out.reserve(kChunk + 4096);
    out += csvHeaderRow(header, qc != nullptr, logs != nullptr, qc && qc->tests, marks != nullptr,
                        qc && qc->withCorrections);
    CsvQcRows rows;
    const bool ours = qc && qc->results && qc->results->letters.size() == std::size_t(table.rowCount());
    if (qc) {
        rows.letters = ours ? qc->results->letters.data() : nullptr;
        rows.aggregates = ours ? qc->results->aggregates.data() : nullptr;
        rows.withTests = qc->tests != nullptr;
        rows.withCorrections = qc->withCorrections;
        for (std::size_t p = 0; p < 2; ++p) {
            const ProbeCorrections *c = qc->corrections[p];
            if (!c || c->grade.size() != std::size_t(table.rowCount())) continue;
            rows.correction[p] = c->correction.data();
            rows.grade[p] = c->grade.data();
        }
    }
    // The per-test results are worked out piece by piece, going on from one to the next.
    std::optional<QcRunner> runner;
    if (ours && qc->tests) runner.emplace(*qc->tests);
    std::vector<std::uint8_t> tests;
    const int end = std::min(last, table.rowCount() - 1);
    for (int r = std::max(first, 0); r <= end; r += kPieceRows) {
        const int pieceEnd = std::min(end, r + kPieceRows - 1);
        if (runner) {
            tests.resize(std::size_t(pieceEnd - r + 1) * kQcColumns);
            runner->run(table, 0, std::clamp(qc->computedRows, 0, table.rowCount()), r, pieceEnd + 1,
                        {nullptr, nullptr, tests.data()});
            rows.tests = tests.data();
            rows.testsRow0 = r;
        }
        appendCsvRows(out, table, width, qc ? &rows : nullptr, r, pieceEnd, logs, marks);
        if (out.size() >= kChunk) {
            if (!sink(out)) return false;
            out.resize(0);  // keeps the room: clear() would give it back and grow it again
        }
    }
    return sink(out);
}

QByteArray tableCsv(clsDataSet &dataSet, const CsvQc *flags) {
    QByteArray all;
    // Copied, not shared: a shared chunk would make the writer's buffer start again from nothing.
    tableCsvChunks(dataSet, flags,
                   [&all](const QByteArray &chunk) { return all.append(chunk.constData(), chunk.size()), true; });
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
    CheckedDevice out(file);
    QString reason;
    const bool written = write(out, reason);
    if (!out.failed() && !file.flush()) out.fail(file.errorString());
    file.close();
    if (!out.failed() && file.error() != QFileDevice::NoError) out.fail(file.errorString());
    if (out.failed()) return problem + out.reason() + u'.';
    if (!written) return problem + (reason.isEmpty() ? QStringLiteral("the data could not be written") : reason) + u'.';
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

    // Unbuffered, so a short write shows at once with errno's reason, not later as "Unknown error".
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return problem + file.errorString() + u'.';
    CheckedDevice out(file);
    QString reason;
    if (!write(out, reason) || out.failed()) {
        // The device's own reason ("No space left on device") before cancelling replaces it.
        if (out.failed()) reason = out.reason();
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

QString writeCsv(const QString &path, clsDataSet &dataSet, const CsvQc *flags, int first, int last, const CsvLogs *logs,
                 const CsvMarks *marks) {
    return saveOutput(path, [&](QIODevice &device, QString &) {
        return tableCsvChunks(
            dataSet, flags, [&device](const QByteArray &chunk) { return writeFully(device, chunk); }, first, last, logs,
            marks);
    });
}
