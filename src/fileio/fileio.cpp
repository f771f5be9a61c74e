#include "fileio/fileio.h"

#include "fileio/classifyline.h"
#include "model/datetime.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <cstring>

using namespace linecode;

namespace {

// Splits bytes into lines at CR, CR LF or a lone LF.
class LineSplitter {
public:
    explicit LineSplitter(QByteArrayView bytes) : m_data(bytes.data()), m_size(bytes.size()) {}
    bool next(QByteArrayView &line) {
        if (m_pos >= m_size) return false;
        qsizetype end = m_pos;
        while (end < m_size && m_data[end] != '\r' && m_data[end] != '\n') ++end;
        line = QByteArrayView(m_data + m_pos, end - m_pos);
        m_pos = end + 1;
        if (end < m_size && m_data[end] == '\r' && m_pos < m_size && m_data[m_pos] == '\n') ++m_pos;
        return true;
    }

private:
    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

// Dates records from their time of day: a step back in time is the next day.
class RecordClock {
public:
    void start(double day) {
        m_runningDate = day;
        m_previous = day;
    }
    // The record's "M/d/yyyy hh:mm:ss" text, or nothing when its hour is 24 or more: such a
    // text stands for no date-time, so the record is left out and the clock stays put.
    std::optional<QString> stamp(QStringView time) {
        const int h = digit(time, 0) * 10 + digit(time, 1);
        if (h > 23) return std::nullopt;
        const int secs = h * 3600 + (digit(time, 3) * 10 + digit(time, 4)) * 60 + digit(time, 6) * 10 + digit(time, 7);
        double value = m_runningDate + secs / dt::kSecondsPerDay;
        if (value < m_previous) {
            m_runningDate += 1;
            value = m_runningDate + secs / dt::kSecondsPerDay;
        }
        m_previous = value;
        if (m_runningDate != m_prefixDay || m_prefix.isEmpty()) {
            const QString midnight = dt::recordText(m_runningDate);
            m_prefix = midnight.left(midnight.indexOf(u' ') + 1);
            m_prefixDay = m_runningDate;
        }
        QString text;
        text.reserve(m_prefix.size() + time.size());
        text += m_prefix;
        text += time;
        return text;
    }

private:
    static int digit(QStringView s, qsizetype i) { return s[i].unicode() - u'0'; }
    double m_runningDate = 0, m_previous = 0;
    double m_prefixDay = 0;
    QString m_prefix;
};

// Entry k of a both-probe list as a number: empty gives 0; nothing if there is no entry k
// or its text does not convert.
std::optional<double> entryNumber(const std::vector<Cell> &list, std::size_t k) {
    if (k >= list.size()) return std::nullopt;
    if (list[k].isEmpty()) return 0.0;
    return readNumber(list[k].string());
}

// Each returns whether it set the value, so the read can tell which ones the file gave.
void setBothNumbers(const std::vector<Cell> &list, clsDataSet &ds, void (clsDataSet::*set1)(double),
                    void (clsDataSet::*set2)(double), std::array<bool, 2> &set) {
    if (auto v = entryNumber(list, 0)) {
        (ds.*set1)(*v);
        set[0] = true;
    }
    if (auto v = entryNumber(list, 1)) {
        (ds.*set2)(*v);
        set[1] = true;
    }
}

bool setProbeNumber(const Cell &value, clsDataSet &ds, void (clsDataSet::*set)(double)) {
    if (!value.isNumber()) return false;
    (ds.*set)(value.number());
    return true;
}

class SecondPass {
public:
    SecondPass(clsDataSet &ds, IInteraction &ui) : m_ds(ds), m_ui(ui) {}

    // False when the person chose to stop.
    bool handle(int code, int lineNumber) {
        const std::vector<Cell> &list = m_values.list;
        const Cell &value = m_values.value;
        switch (code) {
        case InvalidStartDate:
            return m_ui.message(QStringLiteral("File parser error at line:") + QString::number(lineNumber) +
                                    QStringLiteral(" Keep going?"),
                                QStringLiteral("Error"), MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::No;
        case ColumnHeader: {
            QStringList names;
            names.reserve(qsizetype(list.size()));
            for (const Cell &c : list) names << c.text();
            m_ds.setFieldlist(names);
            break;
        }
        case StartDate:
            if (!m_ds.isDateInitialized()) {
                if (auto day = startDateValue(value.text())) {
                    m_ds.setStartdate(*day);
                    m_clock.start(*day);
                }
            }
            break;
        case Record: storeRecord(); break;
        case Slope1: m_report.slopeRead[0] |= setProbeNumber(value, m_ds, &clsDataSet::setPH1_Slope); break;
        case Slope2: m_report.slopeRead[1] |= setProbeNumber(value, m_ds, &clsDataSet::setPH2_Slope); break;
        case Offset1: m_report.offsetRead[0] |= setProbeNumber(value, m_ds, &clsDataSet::setPH1_Offset); break;
        case Offset2: m_report.offsetRead[1] |= setProbeNumber(value, m_ds, &clsDataSet::setPH2_Offset); break;
        case SerialNumber1: m_ds.setPH1_SerialNumber(value.text()); break;
        case SerialNumber2: m_ds.setPH2_SerialNumber(value.text()); break;
        case CalibrationDate1: m_ds.setPH1_CalibrationDate(value.text()); break;
        case CalibrationDate2: m_ds.setPH2_CalibrationDate(value.text()); break;
        case BothSlopes:
            setBothNumbers(list, m_ds, &clsDataSet::setPH1_Slope, &clsDataSet::setPH2_Slope, m_report.slopeRead);
            break;
        case BothOffsets:
            setBothNumbers(list, m_ds, &clsDataSet::setPH1_Offset, &clsDataSet::setPH2_Offset, m_report.offsetRead);
            break;
        case BothSerialNumbers:
            if (!list.empty()) m_ds.setPH1_SerialNumber(list[0].text());
            if (list.size() > 1) m_ds.setPH2_SerialNumber(list[1].text());
            break;
        default: break;  // blank and unknown lines
        }
        return true;
    }

    Values m_values;
    PassReport m_report;

private:
    void storeRecord() {
        if (!m_ds.isDateInitialized()) {
            m_ui.message(QStringLiteral("WARNING: File is missing a valid start date.\r\n"
                                        "I will use today's date as the starting date."),
                         kAppTitle, MsgButtons::Ok, MsgIcon::None);
            m_ds.setStartdate(dt::today());
            m_clock.start(m_ds.startdate());
        }
        std::vector<Cell> &list = m_values.list;
        std::optional<QString> text = m_clock.stamp(list[0].string());
        if (!text) {
            ++m_report.lateRecords;
            return;
        }
        list[0] = Cell(std::move(*text));
        if (list.size() > std::size_t(kMaxValues) + 1) {
            list.resize(std::size_t(kMaxValues) + 1);
            ++m_report.cutRecords;
        }
        if (m_ds.rowcount() >= kMaxRecords) {
            ++m_report.droppedRecords;
            return;
        }
        m_ds.add(list);
    }

    clsDataSet &m_ds;
    IInteraction &m_ui;
    RecordClock m_clock;
};

// Whether the line, without its double quotes, starts with a record's time of day, as the
// classifier would find it; `hour` is its hour. A scan of the raw bytes: no text is made.
bool recordTimeAt(QByteArrayView raw, int &hour) {
    char t[8];
    int n = 0;
    for (qsizetype i = 0; i < raw.size() && n < 8; ++i)
        if (raw[i] != '"') t[n++] = raw[i];
    if (n < 8) return false;
    auto in = [](char c, char lo, char hi) { return c >= lo && c <= hi; };
    if (!in(t[0], '0', '2') || !in(t[1], '0', '9') || t[2] != ':' || !in(t[3], '0', '5') || !in(t[4], '0', '9') ||
        t[5] != ':' || !in(t[6], '0', '5') || !in(t[7], '0', '9'))
        return false;
    hour = (t[0] - '0') * 10 + (t[1] - '0');
    return true;
}

}  // namespace

int countLines(QByteArrayView bytes) {
    LineSplitter lines(bytes);
    QByteArrayView line;
    int n = 0;
    while (lines.next(line)) ++n;
    return n;
}

PassReport storeLines(QByteArrayView bytes, clsDataSet &dataSet, IInteraction &ui, ProgressMeter *meter) {
    dataSet.Clear();
    SecondPass pass(dataSet, ui);
    LineSplitter lines(bytes);
    QByteArrayView raw;
    QString line;
    while (lines.next(raw)) {
        const int lineNumber = ++pass.m_report.lines;
        if (meter) meter->Bump();
        // Once the data set is full a record is only counted: no text, no classification.
        if (int hour = 0; dataSet.rowcount() >= kMaxRecords && recordTimeAt(raw, hour)) {
            ++(hour > 23 ? pass.m_report.lateRecords : pass.m_report.droppedRecords);
            continue;
        }
        line = QString::fromLatin1(raw);
        const int code = classifyLine(line, pass.m_values, ui);
        if (!pass.handle(code, lineNumber)) return pass.m_report;
    }
    pass.m_report.completed = true;
    return pass.m_report;
}

namespace {

enum class ReadResult { Ok, Failed, TooLarge };

// The whole input, up to the size limit: a regular file is sized first, anything else is read
// in blocks until its end or the limit.
ReadResult readAll(QFile &file, QByteArray &bytes, qint64 maxSize) {
    bytes.clear();
    ReadResult result = ReadResult::Ok;
    const bool sequential = file.isSequential();
    if (!sequential && file.size() >= maxSize) {
        result = ReadResult::TooLarge;
    } else {
        if (!sequential) bytes.reserve(qsizetype(file.size()));
        constexpr qint64 kBlock = 1 << 20;
        for (;;) {
            const qint64 room = std::min(kBlock, maxSize - qint64(bytes.size()));
            if (room <= 0) {
                result = ReadResult::TooLarge;
                break;
            }
            const qsizetype at = bytes.size();
            bytes.resize(at + qsizetype(room));
            const qint64 n = file.read(bytes.data() + at, room);
            bytes.resize(at + qsizetype(std::max<qint64>(n, 0)));
            if (n <= 0) {
                if (n < 0 || file.error() != QFileDevice::NoError) result = ReadResult::Failed;
                break;
            }
        }
    }
    file.close();
    if (result != ReadResult::Ok) {
        bytes = QByteArray();
        return result;
    }
    bytes = latin1Text(std::move(bytes));
    return ReadResult::Ok;
}

bool openInput(QFile &file, const QString &path) {
    if (path == kStdinPath) return file.open(stdin, QIODevice::ReadOnly);
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
}

}  // namespace

QByteArray latin1Text(QByteArray bytes) {
    struct Mark {
        const char *bytes;
        QStringConverter::Encoding encoding;
    };
    static const Mark marks[] = {{"\xEF\xBB\xBF", QStringConverter::Utf8},
                                 {"\xFF\xFE", QStringConverter::Utf16LE},
                                 {"\xFE\xFF", QStringConverter::Utf16BE}};
    for (const Mark &m : marks) {
        if (!bytes.startsWith(m.bytes)) continue;
        QStringDecoder decode(m.encoding);
        return QString(decode(QByteArrayView(bytes).sliced(qsizetype(std::strlen(m.bytes))))).toLatin1();
    }
    return bytes;
}

bool readFromFile(const QString &path, clsDataSet &dataSet, ReaderContext &ctx) {
    IInteraction &ui = ctx.ui;
    std::unique_ptr<IMeterView> view = ctx.makeMeterView ? ctx.makeMeterView() : nullptr;
    ProgressMeter meter(view.get(), &ui);

    const bool standardInput = path == kStdinPath;
    if (!standardInput && !QFileInfo::exists(path))
        ui.message(QStringLiteral("fileIO.readFromFile File not found:") + path, QStringLiteral("Error"),
                   MsgButtons::Ok, MsgIcon::Exclamation);
    QFile file;
    if (!openInput(file, path)) {
        ui.message(QStringLiteral("fileIO.toFile Can't open file: ") + path, kAppTitle, MsgButtons::Ok, MsgIcon::None);
        return false;
    }

    QString failure;  // a read that could not go on; the data set is left as it was
    PassReport report;
    {
        BusyCursor busy(ui);
        const QString tooLarge =
            QStringLiteral("fileIO.readFromFile File reaches the size limit of %1 bytes: ").arg(ctx.maxSize) + path;
        const QString cantRead = QStringLiteral("fileIO.readFromFile Can't read file: ") + path;
        QByteArray bytes;
        // A pipe, a device or standard input gives its bytes once: both passes run over the one copy.
        const bool once = standardInput || file.isSequential();
        const ReadResult first = readAll(file, bytes, ctx.maxSize);
        if (first != ReadResult::Ok) {
            failure = first == ReadResult::TooLarge ? tooLarge : cantRead;
        } else {
            meter.setNumRecords(0);
            for (int i = countLines(bytes); i > 0; --i) meter.BumpNumRecords();
            if (!once) bytes.clear();
            if (ctx.betweenPasses) ctx.betweenPasses();
            if (!once) {
                if (!openInput(file, path))
                    failure = QStringLiteral("fileIO.readFromFile Can't reopen file: ") + path;
                else if (const ReadResult second = readAll(file, bytes, ctx.maxSize); second != ReadResult::Ok)
                    failure = second == ReadResult::TooLarge ? tooLarge : cantRead;
            }
        }
        if (failure.isEmpty()) {
            if (view) view->showMeter();
            report = storeLines(bytes, dataSet, ui, &meter);
            if (ctx.setStatusPanel2)
                ctx.setStatusPanel2(report.completed ? QString::number(report.lines)
                                                     : QStringLiteral("Failed@line:") + QString::number(report.lines));
            if (view) view->hideMeter();
            if (ctx.report) *ctx.report = report;
        }
    }
    view.reset();

    if (!failure.isEmpty()) {
        ui.message(failure, kAppTitle, MsgButtons::Ok, MsgIcon::None);
        return false;
    }
    if (report.droppedRecords > 0)
        ui.message(QStringLiteral("The file holds more records than can be loaded. The first %1 records were "
                                  "loaded; %2 records were left out.")
                       .arg(kMaxRecords)
                       .arg(report.droppedRecords),
                   kAppTitle, MsgButtons::Ok, MsgIcon::None);
    if (report.cutRecords > 0)
        ui.message(report.cutRecords == 1
                       ? QStringLiteral("1 record held more than %1 values; the values past the %1th were left out.")
                             .arg(kMaxValues)
                       : QStringLiteral("%1 records held more than %2 values; the values past the %2th were left out.")
                             .arg(report.cutRecords)
                             .arg(kMaxValues),
                   kAppTitle, MsgButtons::Ok, MsgIcon::None);
    if (report.lateRecords > 0)
        ui.message(report.lateRecords == 1
                       ? QStringLiteral("1 record with a time of day of 24:00:00 or later was skipped.")
                       : QStringLiteral("%1 records with a time of day of 24:00:00 or later were skipped.")
                             .arg(report.lateRecords),
                   kAppTitle, MsgButtons::Ok, MsgIcon::None);
    return report.completed;
}
