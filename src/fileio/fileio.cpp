#include "fileio/fileio.h"

#include "fileio/classifyline.h"
#include "fileio/linefeed.h"
#include "fileio/recordscan.h"
#include "model/cores.h"
#include "model/datetime.h"
#include "model/numbertext.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <functional>
#include <future>
#include <thread>
#include <sys/stat.h>

using namespace linecode;

namespace {

// Dates records from their time of day: a step back in time is the next day.
class RecordClock {
public:
    void start(double day) {
        m_runningDate = day;
        m_previous = day;
        m_prefix.clear();
    }
    // The record's date-time: its "M/d/yyyy hh:mm:ss" text as the decimal day that text reads
    // as, the text itself only where no day can stand for it (a year outside 100..9999).
    // Nothing when its hour is 24 or more: such a text stands for no date-time, so the record
    // is left out and the clock stays put.
    struct Stamp {
        double day = 0;
        QString text;
    };
    std::optional<Stamp> stamp(int hour, int minute, int second) {
        if (hour > 23) return std::nullopt;
        const int secs = hour * 3600 + minute * 60 + second;
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
            m_date = dt::toParts(m_runningDate);
            m_dateReadable = dt::isValidDate(m_date.year, m_date.month, m_date.day);
            if (m_dateReadable) m_dateDay = dt::fromDate(m_date.year, m_date.month, m_date.day);
        }
        Stamp s;
        if (m_dateReadable) {
            s.day = m_dateDay + secs / dt::kSecondsPerDay;  // dt::fromParts, bit for bit: what the text reads as
        } else {
            const char time[] = {char('0' + hour / 10),   char('0' + hour % 10),   ':',
                                 char('0' + minute / 10), char('0' + minute % 10), ':',
                                 char('0' + second / 10), char('0' + second % 10)};
            s.text = m_prefix + QLatin1StringView(time, sizeof time);
        }
        return s;
    }

private:
    double m_runningDate = 0, m_previous = 0;
    double m_prefixDay = 0;
    QString m_prefix;
    dt::Parts m_date;
    double m_dateDay = 0;  // the day of m_date
    bool m_dateReadable = false;
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

// A classified record's time of day, and its numbers into `numbers`; `allNumbers` is false
// when a field held no number.
struct ClassifiedTime {
    int hour, minute, second;
    bool allNumbers;
};
ClassifiedTime classifiedRecord(const std::vector<Cell> &list, std::vector<double> &numbers) {
    const QStringView time = list[0].string();
    auto two = [&](qsizetype i) { return (time[i].unicode() - u'0') * 10 + (time[i + 1].unicode() - u'0'); };
    const int count = int(list.size()) - 1;
    numbers.resize(std::size_t(std::max(count, 0)));
    bool allNumbers = true;
    for (int j = 0; j < count; ++j) {
        const Cell &c = list[std::size_t(j) + 1];
        allNumbers = allNumbers && c.isNumber();
        numbers[std::size_t(j)] = c.number();
    }
    return {two(0), two(3), two(6), allNumbers};
}

// What the second half of a split read found on a line, as one word for the join.
namespace found {
constexpr quint32 kSeconds = 0x1FFFF;    // a record's time of day in seconds (up to 29:59:59)
constexpr quint32 kTimeAt = 1u << 17;    // the line starts with a time of day (recordTimeAt) ...
constexpr quint32 kTimeLate = 1u << 18;  // ... of 24:00:00 or later
constexpr quint32 kRecord = 1u << 19;    // a record that reached storeRecord
constexpr quint32 kLate = 1u << 20, kCut = 1u << 21, kMissing = 1u << 22;
constexpr quint32 kEvent = 1u << 23;  // a line the data set takes a value from
}  // namespace found

// Answers every message and notes that one was asked: a half that meets one stops there, and
// the reader itself asks it in its turn.
class AskedNothing : public IInteraction {
public:
    bool asked = false;
    MsgAnswer message(const QString &, const QString &, MsgButtons, MsgIcon) override {
        asked = true;
        return MsgAnswer::Ok;
    }
    void beep() override {}
    void pushBusyCursor() override {}
    void popBusyCursor() override {}
    void processPendingEvents() override {}
};

}  // namespace

// The lines after the split of a long read, classified on another thread. Its records go
// into a table of its own (column 0 left empty) and what each line found into a word; the
// join then stores them in order from the state the lines before the split left: the date,
// the clock, the record limit and the messages are all the join's.
class SecondHalf {
public:
    // `full` is set once the lines before the split filled the data set: the records after it
    // are then only counted.
    SecondHalf(int expectedRows, const std::atomic<bool> &full) : m_expected(expectedRows), m_full(full) {}

    // False at a line that asks the person something: it and the lines after it are left to
    // the reader, which asks in its turn.
    bool line(QByteArrayView raw) {
        quint32 info = 0;
        if (int hour = 0; recordTimeAt(raw, hour)) {
            info = found::kTimeAt | (hour > 23 ? found::kTimeLate : 0);
            if (m_full.load(std::memory_order_relaxed)) {
                lines.push_back(info);
                return true;
            }
        }
        if (scanRecord(raw, m_scanned)) {
            record(m_scanned.hour, m_scanned.minute, m_scanned.second, m_scanned.numbers.data(), m_scanned.count,
                   nullptr, info);
            return true;
        }
        m_line = QString::fromLatin1(raw);
        const int code = classifyLine(m_line, m_values, m_ui);
        if (m_ui.asked) return false;
        if (code == linecode::Record) {
            const ClassifiedTime t = classifiedRecord(m_values.list, m_numbers);
            record(t.hour, t.minute, t.second, m_numbers.data(), int(m_numbers.size()),
                   t.allNumbers ? nullptr : &m_values.list, info);
        } else if (code == Blank || code == Other) {
            lines.push_back(info);
        } else {
            events.push_back({code, m_values});
            lines.push_back(info | found::kEvent);
        }
        return true;
    }

    struct Event {
        int code;
        Values values;
    };
    std::vector<quint32> lines;  // one per line taken
    qint64 resume = 0;           // where the lines not taken start, from the split
    std::vector<Event> events;
    DataTable rows;  // records not late, in order
    int rowCount = 0;
    std::vector<std::pair<int, int>> widths;  // (row, last column) wherever the widest row so far grows

private:
    // storeRecord's steps that need nothing from the lines before.
    void record(int hour, int minute, int second, const double *numbers, int count, std::vector<Cell> *cells,
                quint32 info) {
        info |= found::kRecord | quint32(hour * 3600 + minute * 60 + second);
        if (hour > 23) {
            lines.push_back(info | found::kLate);
            return;
        }
        if (count > kMaxValues) {
            count = kMaxValues;
            if (cells) cells->resize(std::size_t(kMaxValues) + 1);
            info |= found::kCut;
        }
        if (cells && std::any_of(cells->begin() + 1, cells->end(), [](const Cell &c) { return c.isEmpty(); }))
            info |= found::kMissing;
        lines.push_back(info);
        const int r = makeRow(count);
        if (cells) {
            for (int j = 1; j < int(cells->size()); ++j)
                if (!(*cells)[std::size_t(j)].isEmpty()) rows.setCell(r, j, (*cells)[std::size_t(j)]);
        } else {
            for (int j = 0; j < count; ++j) rows.setNumber(r, j + 1, numbers[j]);
        }
    }
    // As clsDataSet::makeRow.
    int makeRow(int w) {
        constexpr int kStep = 500;
        w = std::max(w, 0);
        if (widths.empty() || w > widths.back().second) widths.emplace_back(rowCount, w);
        if (rows.colCount() == 0) {
            rows.resize(kStep, w);
            rows.reserve(m_expected + kStep, w + 1);
        } else if (rows.rowCount() == rowCount) {
            rows.resize(rowCount + kStep, std::max(w, rows.lastCol()));
        } else if (w > rows.lastCol()) {
            rows.resize(rows.lastRow(), w);
        }
        return rowCount++;
    }

    int m_expected;
    const std::atomic<bool> &m_full;
    ScannedRecord m_scanned;
    Values m_values;
    QString m_line;
    std::vector<double> m_numbers;
    AskedNothing m_ui;
};

class SecondPass {
public:
    SecondPass(clsDataSet &ds, IInteraction &ui) : m_ds(ds), m_ui(&ui) {}
    void setInteraction(IInteraction &ui) { m_ui = &ui; }

    // False when the person chose to stop.
    bool handle(int code, int lineNumber) {
        const std::vector<Cell> &list = m_values.list;
        const Cell &value = m_values.value;
        if (code == Slope1 || code == Slope2 || code == Offset1 || code == Offset2 || code == BothSlopes ||
            code == BothOffsets)
            m_ds.calibrationLine(lineNumber, m_ds.rowcount() + m_heldRows);
        switch (code) {
        case InvalidStartDate:
            return m_ui->message(QStringLiteral("File parser error at line:") + QString::number(lineNumber) +
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
        case Record: storeClassified(); break;
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
    ScannedRecord m_scanned;
    int m_heldRows = 0;  // records a join holds back until its end, the data set's rows to come

    // Every record ends here, read by the quick scan or by the classifier: its time of day and
    // the numbers after it. `cells` is the record as the classifier's cells, the time first,
    // when some of its numbers could not be read; they are then stored as they are.
    void storeRecord(int hour, int minute, int second, const double *numbers, int count,
                     std::vector<Cell> *cells = nullptr) {
        if (!m_ds.isDateInitialized()) startToday();
        std::optional<RecordClock::Stamp> stamp = m_clock.stamp(hour, minute, second);
        if (!stamp) {
            ++m_report.lateRecords;
            return;
        }
        if (count > kMaxValues) {
            count = kMaxValues;
            if (cells) cells->resize(std::size_t(kMaxValues) + 1);
            ++m_report.cutRecords;
        }
        if (m_ds.rowcount() >= m_ds.recordLimit()) {
            ++m_report.droppedRecords;
            return;
        }
        if (cells && std::any_of(cells->begin() + 1, cells->end(), [](const Cell &c) { return c.isEmpty(); }))
            ++m_report.missingRecords;
        if (stamp->text.isEmpty()) {
            if (cells)
                m_ds.addRecord(stamp->day, *cells);
            else
                m_ds.addRecord(stamp->day, numbers, count);
            return;
        }
        std::vector<Cell> row;
        if (cells) {
            row = std::move(*cells);
        } else {
            row.resize(std::size_t(count) + 1);
            std::copy_n(numbers, count, row.begin() + 1);
        }
        row[0] = Cell(std::move(stamp->text));
        m_ds.add(row);
    }

    // What a second half found, line by line as store() and storeRecord() take it; its records
    // are stored at the end with the dates the clock gives them here.
    bool join(SecondHalf &half, ProgressMeter *meter) {
        std::vector<double> days;  // of the records kept, a prefix of the half's rows
        std::vector<std::pair<int, QString>> texts;
        days.reserve(std::size_t(half.rowCount));
        std::size_t event = 0;
        bool going = true;
        for (const quint32 info : half.lines) {
            if (meter) {
                meter->Bump();
                if (meter->cancelled()) {
                    m_report.cancelled = true;
                    going = false;
                    break;
                }
            }
            const int lineNumber = ++m_report.lines;
            const int kept = int(days.size());
            const bool full = m_ds.rowcount() + kept >= m_ds.recordLimit();
            if (full && (info & found::kTimeAt)) {
                ++(info & found::kTimeLate ? m_report.lateRecords : m_report.droppedRecords);
                event += (info & found::kEvent) ? 1 : 0;
                continue;
            }
            if (info & found::kEvent) {
                SecondHalf::Event &e = half.events[event++];
                m_values = std::move(e.values);
                m_heldRows = kept;
                handle(e.code, lineNumber);  // never a question: the half stops before those
                m_heldRows = 0;
                continue;
            }
            if (!(info & found::kRecord)) continue;
            if (!m_ds.isDateInitialized()) startToday();
            const int secs = int(info & found::kSeconds);
            std::optional<RecordClock::Stamp> stamp = m_clock.stamp(secs / 3600, secs / 60 % 60, secs % 60);
            if (!stamp) {
                ++m_report.lateRecords;
                continue;
            }
            if (info & found::kCut) ++m_report.cutRecords;
            if (full) {
                ++m_report.droppedRecords;
                continue;
            }
            if (info & found::kMissing) ++m_report.missingRecords;
            if (!stamp->text.isEmpty()) texts.emplace_back(kept, std::move(stamp->text));
            days.push_back(stamp->day);
        }
        const int kept = int(days.size());
        if (kept > 0) {
            int w = 0;
            for (const auto &[row, width] : half.widths)
                if (row < kept) w = width;
            half.rows.resize(kept - 1, w);
            const int first = m_ds.appendRecords(std::move(half.rows));
            for (int i = 0; i < kept; ++i) m_ds.setRecordDay(first + i, days[std::size_t(i)]);
            for (const auto &[i, text] : texts) m_ds.setRecordText(first + i, text);
        }
        return going;
    }

private:
    void startToday() {
        m_ui->message(QStringLiteral("WARNING: File is missing a valid start date.\r\n"
                                    "I will use today's date as the starting date."),
                     kAppTitle, MsgButtons::Ok, MsgIcon::None);
        m_ds.setStartdate(dt::today());
        m_clock.start(m_ds.startdate());
    }

    // A record as the classifier found it: the time's text, then a cell per number match.
    void storeClassified() {
        std::vector<Cell> &list = m_values.list;
        const ClassifiedTime t = classifiedRecord(list, m_numbers);
        storeRecord(t.hour, t.minute, t.second, m_numbers.data(), int(m_numbers.size()),
                    t.allNumbers ? nullptr : &list);
    }

    clsDataSet &m_ds;
    IInteraction *m_ui;
    RecordClock m_clock;
    std::vector<double> m_numbers;
};

int countLines(QByteArrayView bytes) {
    LineFeed feed;
    int n = 0;
    auto count = [&n](QByteArrayView) { return ++n, true; };
    feed.feed(bytes, count);
    feed.finish(count);
    return n;
}

LineStore::LineStore(clsDataSet &dataSet, IInteraction &ui)
    : m_dataSet(dataSet), m_ui(&ui), m_pass(std::make_unique<SecondPass>(dataSet, ui)) {}

void LineStore::setInteraction(IInteraction &ui) {
    m_ui = &ui;
    m_pass->setInteraction(ui);
}

LineStore::~LineStore() = default;

PassReport &LineStore::report() { return m_pass->m_report; }
const PassReport &LineStore::report() const { return m_pass->m_report; }

bool LineStore::store(QByteArrayView raw) {
    PassReport &report = m_pass->m_report;
    const int lineNumber = ++report.lines;
    // Once the data set is full a record is only counted: no text, no classification.
    const bool full = m_dataSet.rowcount() >= m_dataSet.recordLimit();
    if (full && m_full) m_full->store(true, std::memory_order_relaxed);
    if (int hour = 0; full && recordTimeAt(raw, hour)) {
        ++(hour > 23 ? report.lateRecords : report.droppedRecords);
        return true;
    }
    if (ScannedRecord &r = m_pass->m_scanned; m_recordScan && scanRecord(raw, r)) {
        m_pass->storeRecord(r.hour, r.minute, r.second, r.numbers.data(), r.count);
        return true;
    }
    m_line = QString::fromLatin1(raw);
    const int code = classifyLine(m_line, m_pass->m_values, *m_ui);
    return m_pass->handle(code, lineNumber);
}

bool LineStore::join(SecondHalf &half, ProgressMeter *meter) { return m_pass->join(half, meter); }

namespace {

// Stores lines until their end, a No or the meter's Cancel; false when stopped. `afterLine`
// (may be empty) runs after each line and may stop too.
bool storeAll(LineStore &store, LineFeed &feed, QByteArrayView block, bool last, ProgressMeter *meter,
              const std::function<bool()> &afterLine = {}) {
    auto one = [&](QByteArrayView line) {
        if (meter) {
            meter->Bump();
            if (meter->cancelled()) {
                store.report().cancelled = true;
                return false;
            }
        }
        return store.store(line) && (!afterLine || afterLine());
    };
    return feed.feed(block, one) && (!last || feed.finish(one));
}

using LineSink = std::function<bool(QByteArrayView)>;

// The second half of a split read, classified on the other core from the moment it is made.
// `feed` hands the half's lines to the sink it is given until that returns false, and gives
// back where the first line it did not take starts (LineFeed::lineStart).
class HalfRun {
public:
    HalfRun(LineStore &store, int expectedRows, std::function<qint64(const LineSink &)> feed)
        : m_store(store), m_half(expectedRows, m_full) {
        m_store.setFullFlag(&m_full);
        m_done = std::async(std::launch::async, [this, feed = std::move(feed)] {
            m_half.resume = feed(
                [this](QByteArrayView line) { return !m_stop.load(std::memory_order_relaxed) && m_half.line(line); });
        });
    }
    // A read that stopped before the split does not wait for the whole other half.
    ~HalfRun() {
        m_stop = true;
        if (m_done.valid()) m_done.wait();
        m_store.setFullFlag(nullptr);
    }
    HalfRun(const HalfRun &) = delete;
    HalfRun &operator=(const HalfRun &) = delete;

    // The half once classified; what the other thread threw is thrown here.
    SecondHalf &result() {
        m_done.get();
        return m_half;
    }

private:
    LineStore &m_store;
    std::atomic<bool> m_full{false}, m_stop{false};
    SecondHalf m_half;
    std::future<void> m_done;
};

// Whether a read of this many lines gains from a second core: not where the record limit
// falls in the first half, as the records past it are only counted, faster on one core.
// Nor on a busy machine (no core free beside this read at this moment: the running count of
// /proc/loadavg, which counts this thread too), where the other half waits for a core and the
// join comes on top. A threshold below kSplitReadLines (a test's) splits whatever the load.
bool worthSplitting(int lines, int recordLimit, int splitLines) {
    if (lines < splitLines || recordLimit < lines / 2 || std::thread::hardware_concurrency() < 2) return false;
    return splitLines < kSplitReadLines || aCoreIsFree();
}

constexpr qsizetype kSplitWindow = 64 << 10;

// Where in `window` the first line ends for certain: after an LF, or after a CR that no LF
// follows. -1 if none does.
qsizetype lineBoundary(QByteArrayView window) {
    for (qsizetype i = 0; i + 1 < window.size(); ++i)
        if (window[i] == '\n' || (window[i] == '\r' && window[i + 1] != '\n')) return i + 1;
    return -1;
}

// The split of `size` bytes: the first line end from the middle on, found in `window` (the
// bytes from the middle); 0 when none is near.
qint64 splitAfter(qint64 size, QByteArrayView window) {
    const qsizetype at = lineBoundary(window);
    return at < 0 || size / 2 + at >= size ? 0 : size / 2 + at;
}

// About how many records follow the split, so the half makes room once.
int expectedRows(int lines, qint64 after, qint64 size) {
    return int(std::min(double(lines) * double(after) / double(std::max<qint64>(size, 1)) * 1.05 + 1000.0, 1e9));
}

// The lines after `split` of an input held whole: the first half stored here while the other
// core classifies the second, then joined on; what the other half left is stored after it.
bool storeSplit(LineStore &store, LineFeed &feed, QByteArrayView bytes, qint64 split, int lines, ProgressMeter *meter) {
    const QByteArrayView rest = bytes.sliced(split);
    HalfRun other(store, expectedRows(lines, rest.size(), bytes.size()), [rest](const LineSink &line) {
        LineFeed f;
        f.feed(rest, line);  // a last line without its ending is left to the join's caller
        return f.lineStart();
    });
    if (!storeAll(store, feed, bytes.first(split), true, meter)) return false;
    SecondHalf &half = other.result();
    return store.join(half, meter) && storeAll(store, feed, rest.sliced(half.resume), true, meter);
}

}  // namespace

PassReport storeLines(QByteArrayView bytes, clsDataSet &dataSet, IInteraction &ui, ProgressMeter *meter,
                      int splitLines) {
    dataSet.Clear();
    const int lines = countLines(bytes);
    dataSet.expectRecords(std::min(lines, dataSet.recordLimit()));
    LineStore store(dataSet, ui);
    LineFeed feed;
    const qint64 split =
        worthSplitting(lines, dataSet.recordLimit(), splitLines)
            ? splitAfter(bytes.size(),
                         bytes.sliced(bytes.size() / 2).first(std::min(kSplitWindow, bytes.size() - bytes.size() / 2)))
            : 0;
    store.report().completed =
        split > 0 ? storeSplit(store, feed, bytes, split, lines, meter) : storeAll(store, feed, bytes, true, meter);
    return store.report();
}

namespace {

enum class ReadResult { Ok, Failed, TooLarge };

struct ByteOrderMark {
    const char *bytes;
    QStringConverter::Encoding encoding;
};

// The UTF-8 or UTF-16 mark the text starts with, if any.
const ByteOrderMark *byteOrderMark(QByteArrayView text) {
    static const ByteOrderMark marks[] = {{"\xEF\xBB\xBF", QStringConverter::Utf8},
                                          {"\xFF\xFE", QStringConverter::Utf16LE},
                                          {"\xFE\xFF", QStringConverter::Utf16BE}};
    for (const ByteOrderMark &m : marks)
        if (text.startsWith(m.bytes)) return &m;
    return nullptr;
}

constexpr qint64 kBlockSize = qint64(4) << 20;
constexpr qsizetype kGuardBytes = kReadOnGuardBytes;

// The input as blocks of the 8-bit text the classifier reads. A regular file is read block by
// block, so it is never held whole; a pipe, a device or standard input gives its bytes once,
// so it is read whole into memory and each pass runs over that copy.
class BlockSource {
public:
    BlockSource(const QString &path, qint64 maxSize) : m_path(path), m_maxSize(maxSize) {}

    // `digest`: the bytes given from here on are hashed, and the file's first ones kept.
    bool open(bool digest = false) {
        m_decoder.reset();
        m_first = true;
        m_done = false;
        m_read = 0;
        m_digesting = digest;
        settleDigest();
        m_digest.reset();
        m_head.clear();
        if (m_whole) return true;
        if (m_path == kStdinPath ? !m_file.open(stdin, QIODevice::ReadOnly)
                                 : (m_file.setFileName(m_path), !m_file.open(QIODevice::ReadOnly)))
            return false;
        if (struct stat st{}; ::fstat(m_file.handle(), &st) == 0) {
            m_device = quint64(st.st_dev);
            m_inode = quint64(st.st_ino);
        }
        m_lastRaw.clear();
        if (m_file.isSequential() || m_path == kStdinPath) {
            QByteArray all;
            ReadResult r = readUpTo(all, m_maxSize);
            if (r == ReadResult::Ok && all.size() >= m_maxSize) r = ReadResult::TooLarge;
            m_file.close();
            m_whole = r == ReadResult::Ok ? std::move(all) : QByteArray();
            m_wholeResult = r;
        }
        return true;
    }
    // Ok with the next block, empty at the end; the file is closed after the last block.
    ReadResult next(QByteArray &block) {
        block.resize(0);  // keeps its room: the next block reuses it
        if (m_done) return ReadResult::Ok;
        if (m_whole) {
            m_done = true;
            if (m_wholeResult != ReadResult::Ok) return m_wholeResult;
            m_read = m_whole->size();
            if (m_digesting) m_digest.add(*m_whole);
            block = latin1Text(*m_whole);
            return ReadResult::Ok;
        }
        if (m_first && m_file.size() >= m_maxSize) return finish(ReadResult::TooLarge);
        const ReadResult r = readUpTo(block, kBlockSize);
        if (r != ReadResult::Ok) return finish(r);
        if (block.isEmpty()) return finish(ReadResult::Ok);
        m_read += block.size();
        if (m_read >= m_maxSize) return finish(ReadResult::TooLarge);
        m_lastRaw = block.size() >= kGuardBytes ? block.right(kGuardBytes) : (m_lastRaw + block).right(kGuardBytes);
        if (m_digesting) {
            // Hashed on the other core while this one classifies the block; the block's bytes
            // are shared, so the hash keeps them however the block is reused.
            settleDigest();
            m_hashing = std::async(std::launch::async, [this, raw = block] { m_digest.add(raw); });
            if (m_head.size() < kReadOnHeadBytes)
                m_head += block.first(std::min(block.size(), kReadOnHeadBytes - m_head.size()));
        }
        decode(block);
        return ReadResult::Ok;
    }

    // Bytes of the file read so far, as they are on disk.
    qint64 bytesRead() const { return m_read; }
    bool isWhole() const { return m_whole.has_value(); }
    // The input began with a byte-order mark: its blocks are decoded.
    bool decoding() const { return m_decoder.has_value(); }
    std::optional<QStringDecoder> takeDecoder() { return std::move(m_decoder); }
    const QByteArray &lastRaw() const { return m_lastRaw; }
    Sha256 &digest() {
        settleDigest();
        return m_digest;
    }
    const QByteArray &head() const { return m_head; }
    quint64 device() const { return m_device; }
    quint64 inode() const { return m_inode; }

private:
    void settleDigest() {
        if (m_hashing.valid()) m_hashing.get();
    }
    ReadResult finish(ReadResult r) {
        m_file.close();
        m_done = true;
        return r;
    }
    // Reads until `bytes` holds `want` bytes or the input ends.
    ReadResult readUpTo(QByteArray &bytes, qint64 want) {
        while (bytes.size() < want) {
            const qint64 room = std::min(qint64(1) << 20, want - qint64(bytes.size()));
            const qsizetype at = bytes.size();
            bytes.resize(at + qsizetype(room));
            const qint64 n = m_file.read(bytes.data() + at, room);
            bytes.resize(at + qsizetype(std::max<qint64>(n, 0)));
            if (n < 0 || (n == 0 && m_file.error() != QFileDevice::NoError)) return ReadResult::Failed;
            if (n == 0) break;
        }
        return ReadResult::Ok;
    }
    // A byte-order mark at the start decides the decoding of every block that follows.
    void decode(QByteArray &block) {
        if (m_first) {
            m_first = false;
            if (const ByteOrderMark *m = byteOrderMark(block)) {
                m_decoder.emplace(m->encoding);
                block.remove(0, qsizetype(std::strlen(m->bytes)));
            }
        }
        if (m_decoder) block = QString((*m_decoder)(block)).toLatin1();
    }

    QString m_path;
    qint64 m_maxSize;
    QFile m_file;
    std::optional<QByteArray> m_whole;
    ReadResult m_wholeResult = ReadResult::Ok;
    std::optional<QStringDecoder> m_decoder;
    qint64 m_read = 0;
    QByteArray m_lastRaw;
    quint64 m_device = 0, m_inode = 0;
    bool m_first = true, m_done = false;
    bool m_digesting = false;
    Sha256 m_digest;
    std::future<void> m_hashing;  // the last block's hash, under way
    QByteArray m_head;
};

// The split of a regular file of `size` bytes; 0 when it has none near the middle.
qint64 fileSplit(const QString &path, qint64 size) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(size / 2)) return 0;
    return splitAfter(size, f.read(kSplitWindow));
}

// The lines of a file from `from` on, block by block, until its end or `line` says stop; a
// last line without its ending is not given. Where the first line not taken starts.
qint64 feedFrom(const QString &path, qint64 from, const LineSink &line) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || !f.seek(from)) return 0;
    QByteArray block;
    LineFeed feed;
    for (;;) {
        block.resize(qsizetype(kBlockSize));
        const qint64 n = f.read(block.data(), kBlockSize);
        if (n <= 0) break;
        block.resize(qsizetype(n));
        if (!feed.feed(block, line)) break;
    }
    return feed.lineStart();
}

}  // namespace

QByteArray latin1Text(QByteArray bytes) {
    const ByteOrderMark *m = byteOrderMark(bytes);
    if (!m) return bytes;
    QStringDecoder decode(m->encoding);
    return QString(decode(QByteArrayView(bytes).sliced(qsizetype(std::strlen(m->bytes))))).toLatin1();
}

namespace {

// Passes on only the messages of lines after the first `quiet`; the questions of the others
// were answered before, with Yes (a No had stopped that read).
class NewLinesOnly : public ForwardingInteraction {
public:
    NewLinesOnly(IInteraction &ui, int quiet) : ForwardingInteraction(ui), m_quiet(quiet) {}
    void watch(const PassReport *report) { m_report = report; }
    MsgAnswer message(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon) override {
        if (m_report && m_report->lines <= m_quiet)
            return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
        return ForwardingInteraction::message(text, title, buttons, icon);
    }

private:
    int m_quiet;
    const PassReport *m_report = nullptr;
};

}  // namespace

const QStringList &logFileFilters() {
    static const QStringList filters = {QStringLiteral("pH Probe Asc files (*.asc)"),
                                        QStringLiteral("Log files (*.log)"), QStringLiteral("Text files (*.txt)"),
                                        QStringLiteral("All files (*.*)")};
    return filters;
}

const QStringList &logFilePatterns() {
    static const QStringList patterns = {QStringLiteral("*.asc"), QStringLiteral("*.log"), QStringLiteral("*.txt"),
                                         QStringLiteral("*.*")};
    return patterns;
}

void tellCutAndLateRecords(IInteraction &ui, int cut, int late) {
    if (cut > 0)
        ui.message(cut == 1
                       ? QStringLiteral("1 record held more than %1 values; the values past the %1th were left out.")
                             .arg(kMaxValues)
                       : QStringLiteral("%1 records held more than %2 values; the values past the %2th were left out.")
                             .arg(cut)
                             .arg(kMaxValues),
                   kAppTitle, MsgButtons::Ok, MsgIcon::None);
    if (late > 0)
        ui.message(late == 1
                       ? QStringLiteral("1 record with a time of day of 24:00:00 or later was skipped.")
                       : QStringLiteral("%1 records with a time of day of 24:00:00 or later were skipped.").arg(late),
                   kAppTitle, MsgButtons::Ok, MsgIcon::None);
}

bool tellLeftOutRecords(IInteraction &ui, int limit, int leftOut) {
    return ui.message(
               QStringLiteral("The file holds more records than can be loaded. The first %1 records were "
                              "loaded; %2 left out.")
                   .arg(limit)
                   .arg(leftOut == 1 ? QStringLiteral("1 record was") : QStringLiteral("%1 records were").arg(leftOut)),
               kAppTitle, MsgButtons::OkLoadAll, MsgIcon::None) == MsgAnswer::LoadAll;
}

bool readFromFile(const QString &path, clsDataSet &dataSet, ReaderContext &ctx) {
    NewLinesOnly quiet(ctx.ui, ctx.quietLines);
    IInteraction &ui = ctx.quietLines > 0 ? static_cast<IInteraction &>(quiet) : ctx.ui;
    std::unique_ptr<IMeterView> view = ctx.makeMeterView ? ctx.makeMeterView() : nullptr;
    ProgressMeter meter(view.get(), &ui);

    if (path != kStdinPath && !QFileInfo::exists(path))
        ui.message(QStringLiteral("fileIO.readFromFile File not found:") + path, QStringLiteral("Error"),
                   MsgButtons::Ok, MsgIcon::Exclamation);
    BlockSource source(path, ctx.maxSize);
    // A read that hands its records on is read once, without its checksum.
    const bool counting = !ctx.handOn || view;
    if (!source.open()) {
        const QString why = QFileInfo(path).isDir() ? QStringLiteral(" (it is a folder, not a log file)") : QString();
        ui.message(QStringLiteral("fileIO.toFile Can't open file: ") + path + why, kAppTitle, MsgButtons::Ok,
                   MsgIcon::None);
        return false;
    }

    QString failure;  // a read that could not go on
    PassReport report;
    {
        BusyCursor busy(ui);
        const QString tooLarge =
            QStringLiteral("fileIO.readFromFile File reaches the size limit of %1 bytes: ").arg(ctx.maxSize) + path;
        auto failed = [&](ReadResult r) {
            failure =
                r == ReadResult::TooLarge ? tooLarge : QStringLiteral("fileIO.readFromFile Can't read file: ") + path;
        };
        // Pass one counts the lines for the meter; a read that hands its records on without one
        // has no use for the count.
        QByteArray block;
        LineFeed feed;
        int lines = 0;
        auto count = [&lines](QByteArrayView) { return ++lines, true; };
        for (ReadResult r; failure.isEmpty() && counting;) {
            if ((r = source.next(block)) != ReadResult::Ok)
                failed(r);
            else if (block.isEmpty())
                break;
            else
                feed.feed(block, count);
        }
        feed.finish(count);
        // A long log is read in two halves at once (not one that is decoded: its bytes are not
        // its lines' characters, nor one that hands its records on in order).
        qint64 split = 0;
        if (failure.isEmpty() && counting && !ctx.handOn && !source.isWhole() && !source.decoding() &&
            worthSplitting(lines, dataSet.recordLimit(), ctx.splitLines))
            split = fileSplit(path, source.bytesRead());
        const qint64 size = source.bytesRead();
        if (failure.isEmpty() && counting) {
            meter.setNumRecords(lines);
            if (ctx.betweenPasses) ctx.betweenPasses();
            if (!source.open(true)) failure = QStringLiteral("fileIO.readFromFile Can't reopen file: ") + path;
        }
        // Pass two stores them; the data set is cleared once the first block is in hand, so a
        // file that cannot be read again leaves the earlier data as it was.
        std::unique_ptr<LineStore> store;
        std::function<bool()> handOn;
        if (ctx.handOn) handOn = [&] { return dataSet.rowcount() < ctx.handOnEvery || ctx.handOn(false); };
        std::optional<HalfRun> other;
        qint64 at = 0;         // bytes before the block
        qint64 resumeAt = -1;  // where the lines after those the join stored start
        // A block of pass two: the lines before the split are stored as they come; at the split
        // the other half is joined on, and its bytes pass by (hashed) up to the lines it left.
        auto storeBlock = [&](QByteArrayView b, bool finish) {
            const qint64 start = at;
            at += b.size();
            if (other && (b.isEmpty() || split - start <= b.size())) {
                const qsizetype before = qsizetype(std::clamp<qint64>(split - start, 0, b.size()));
                if (!storeAll(*store, feed, b.first(before), true, &meter)) return false;
                SecondHalf &half = other->result();
                const bool joined = store->join(half, &meter);
                resumeAt = split + half.resume;
                other.reset();
                if (!joined) return false;
            }
            if (resumeAt > start) b = b.sliced(qsizetype(std::min<qint64>(resumeAt - start, b.size())));
            return storeAll(*store, feed, b, finish, &meter, handOn);
        };
        feed.reset();
        bool going = true;
        for (ReadResult r; failure.isEmpty() && going;) {
            if ((r = source.next(block)) != ReadResult::Ok) {
                failed(r);
                break;
            }
            if (!store) {
                dataSet.Clear();
                dataSet.expectRecords(std::min(lines, dataSet.recordLimit()));
                store = std::make_unique<LineStore>(dataSet, ui);
                if (split > 0)
                    other.emplace(*store, expectedRows(lines, size - split, size),
                                  [&path, split](const LineSink &line) { return feedFrom(path, split, line); });
                quiet.watch(&store->report());
                if (view) view->showMeter();
            }
            const bool last = block.isEmpty();
            const LineFeed beforeEnd = feed;  // the held line, as reading on needs it
            going = storeBlock(block, last && !ctx.holdLastLine);
            if (last && going && resumeAt > at) {
                failed(ReadResult::Failed);  // the file lost lines the other half had read
                break;
            }
            if (last) {
                if (going && ctx.handOn) going = ctx.handOn(true);
                store->report().completed = going;
                if (going && ctx.readOn && !source.isWhole()) {
                    ctx.readOn->feed = ctx.holdLastLine ? feed : beforeEnd;
                    ctx.readOn->tailStored = !ctx.holdLastLine && beforeEnd.holding();
                    ctx.readOn->offset = source.bytesRead();
                    ctx.readOn->decoder = source.takeDecoder();
                    ctx.readOn->lastBytes = source.lastRaw();
                    ctx.readOn->device = source.device();
                    ctx.readOn->inode = source.inode();
                    ctx.readOn->headSize = source.head().size();
                    ctx.readOn->headSum = Sha256::hash(source.head());
                }
                break;
            }
        }
        other.reset();  // a read that stopped before the split leaves the other half
        if (store) {
            store->report().bytes = source.bytesRead();
            store->report().sha256 = source.digest().result();
            report = store->report();
            if (ctx.setStatusPanel2)
                ctx.setStatusPanel2(report.completed ? QString::number(report.lines)
                                                     : QStringLiteral("Failed@line:") + QString::number(report.lines));
            if (view) view->hideMeter();
        }
        if (ctx.report) *ctx.report = report;
        if (ctx.readOn) {
            if (report.completed && !source.isWhole()) {
                store->setInteraction(ctx.ui);  // not the quiet wrapper, which ends with this read
                ctx.readOn->store = std::move(store);
                ctx.readOn->digest = std::move(source.digest());
            } else
                *ctx.readOn = ReadOn{};
        }
    }
    view.reset();

    if (!failure.isEmpty()) {
        ui.message(failure, kAppTitle, MsgButtons::Ok, MsgIcon::None);
        return false;
    }
    if (ctx.quietLines > 0) return report.completed;
    if (report.droppedRecords > 0 && tellLeftOutRecords(ui, dataSet.recordLimit(), report.droppedRecords)) {
        // The caller reads the file again without the limit; that read tells the rest.
        report.loadAllChosen = true;
        if (ctx.report) ctx.report->loadAllChosen = true;
        return report.completed;
    }
    tellCutAndLateRecords(ui, report.cutRecords, report.lateRecords);
    return report.completed;
}
