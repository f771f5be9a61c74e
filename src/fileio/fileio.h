#pragma once
// Reads a probe log file into the data set: a first pass counts the lines for the progress
// meter, a second pass classifies and stores every line.
#include "fileio/linefeed.h"
#include "fileio/progressmeter.h"
#include "fileio/sha256.h"
#include "model/clsdataset.h"
#include "model/interaction.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

// Outcome of the second pass.
struct PassReport {
    bool completed = false;  // reached the end; false after a stop on No
    int lines = 0;           // lines read (the 1-based number of the stop line after a stop)
    int droppedRecords = 0;  // records beyond the data set's record limit
    int lateRecords = 0;     // records timed 24:00:00 or later, not stored
    int cutRecords = 0;      // records stored with their first kMaxValues numbers only
    int missingRecords = 0;  // records stored with a field that held no number (an empty cell)
    bool cancelled = false;  // stopped with the meter's Cancel
    // The person answered the "left out" message with "Load All Records".
    bool loadAllChosen = false;
    // Probe 1 and 2 values the file set; the others keep what the data set held.
    std::array<bool, 2> slopeRead{}, offsetRead{};
    // The bytes the read took in, as they are on disk, and their SHA-256 (set by readFromFile).
    qint64 bytes = 0;
    QByteArray sha256{};
};

class SecondPass;
class SecondHalf;

// Classifies and stores lines one at a time. The running date, the previous date-time, the
// line number and the report carry on from call to call, so lines given in pieces (a file
// read in blocks, a log that grows) are stored as one read of the whole file stores them.
class LineStore {
public:
    LineStore(clsDataSet &dataSet, IInteraction &ui);
    ~LineStore();
    LineStore(const LineStore &) = delete;
    LineStore &operator=(const LineStore &) = delete;

    // One line without its ending; false when the person chose to stop at it.
    bool store(QByteArrayView rawLine);
    PassReport &report();
    const PassReport &report() const;
    // Off: every line goes through the classifier, the quick record scan is not tried. The
    // data set comes out the same either way.
    void setRecordScan(bool on) { m_recordScan = on; }
    // Stores the lines another thread classified after the split of a long read, as store()
    // would have one by one from where the lines before them left off. False when the meter's
    // Cancel stopped it.
    bool join(SecondHalf &half, ProgressMeter *meter);
    // Set once the data set is full, so that a second half under way only counts its records.
    void setFullFlag(std::atomic<bool> *full) { m_full = full; }
    // Who hears of the lines stored from now on: a store kept to read on outlives the read's own.
    void setInteraction(IInteraction &ui);

private:
    clsDataSet &m_dataSet;
    IInteraction *m_ui;
    std::unique_ptr<SecondPass> m_pass;
    QString m_line;
    bool m_recordScan = true;
    std::atomic<bool> *m_full = nullptr;
};

// A log of this many lines or more is read in two halves at once where a second core is free.
inline constexpr int kSplitReadLines = 200000;

// Reading stops at this many bytes: an endless input (a device, a pipe that never closes)
// must end with a message, not by taking all memory.
inline constexpr qint64 kDefaultMaxInputSize = qint64(2) << 30;  // 2 GiB

// The path that stands for standard input.
inline const QString kStdinPath = QStringLiteral("-");

// How many of the file's last bytes a read keeps to check that reading on continues them.
inline constexpr qsizetype kReadOnGuardBytes = 4096;
// How many of its first bytes are checked on every look at a followed log.
inline constexpr qsizetype kReadOnHeadBytes = 4096;

// Where a read of a regular file ended, so that a log that grows is read on from there.
struct ReadOn {
    std::unique_ptr<LineStore> store;       // running date, previous date-time, line number, report
    LineFeed feed;                          // the bytes after the last line end
    qint64 offset = 0;                      // bytes of the file read
    std::optional<QStringDecoder> decoder;  // the file starts with a byte-order mark
    // The feed's held line (no ending yet) was stored as the file's last line.
    bool tailStored = false;
    // The file's last bytes before offset, to tell a rewrite from an append, and the file
    // itself, to tell a replaced one.
    QByteArray lastBytes;
    quint64 device = 0, inode = 0;
    // The checksum of the file's first headSize bytes: a rewrite of the same size changes it.
    QByteArray headSum;
    qsizetype headSize = 0;
    Sha256 digest;  // of the offset bytes read
};

struct ReaderContext {
    IInteraction &ui;
    // Shows a text in panel 2 of the main window's status bar; may be null.
    std::function<void(const QString &)> setStatusPanel2;
    // Creates the progress window for one read; null: no window.
    std::function<std::unique_ptr<IMeterView>()> makeMeterView;
    // Runs between the two passes; tests use it to change the file under the reader.
    std::function<void()> betweenPasses;
    // Receives the outcome of the second pass when it ran; may be null.
    PassReport *report = nullptr;
    // An input that reaches this size is not read.
    qint64 maxSize = kDefaultMaxInputSize;
    // A completed read of a regular file leaves where it ended here; may be null.
    ReadOn *readOn = nullptr;
    // A last line without its ending is left in readOn's feed instead of being stored.
    bool holdLastLine = false;
    // Lines 1..quietLines were read and told about before (the same bytes, read again): their
    // messages are not shown again, and the counts of left-out, cut and skipped records are
    // left to the caller.
    int quietLines = 0;
    // A read of this many lines or more is split in two halves (see kSplitReadLines) where a
    // second core is free; below kSplitReadLines (tests) whatever the machine's load.
    int splitLines = kSplitReadLines;
    // Hands the records on in blocks instead of keeping them all: whenever the data set holds
    // handOnEvery records, and once after the last line of a read that went to its end,
    // handOn(last) takes them out of it (it must leave fewer). False stops the read. Without a
    // meter the lines are not counted first.
    std::function<bool(bool last)> handOn = nullptr;
    int handOnEvery = 0;
};

// True if the whole file was read to its end; false if it could not be opened or read, or
// the person stopped the read. A regular file is read twice, once per pass; a pipe, a device
// or standard input ("-") cannot be, so it is read once into memory and both passes run
// over that copy.
bool readFromFile(const QString &path, clsDataSet &dataSet, ReaderContext &ctx);

// The second pass over a whole file held in memory: clears the data set, then classifies
// and stores every line, bumping the meter (if any) once per line; the meter's Cancel stops it.
// `splitLines` as in ReaderContext.
PassReport storeLines(QByteArrayView bytes, clsDataSet &dataSet, IInteraction &ui, ProgressMeter *meter = nullptr,
                      int splitLines = kSplitReadLines);

// A file's bytes as the 8-bit text the classifier reads: a file that starts with a UTF-8 or
// UTF-16 byte-order mark is decoded (characters beyond Latin-1 become "?"), any other is
// taken as it is.
QByteArray latin1Text(QByteArray bytes);

// The Open dialog's file types, in its order, and their name patterns; the last is every file.
const QStringList &logFileFilters();
const QStringList &logFilePatterns();

// The messages after a read that some records were cut or skipped (none for zero counts).
void tellCutAndLateRecords(IInteraction &ui, int cut, int late);
// The message that records were left out at the data set's limit; true for "Load All Records".
bool tellLeftOutRecords(IInteraction &ui, int limit, int leftOut);

// Number of lines in the bytes: a line ends at CR, CR LF or a lone LF; a last line without
// an ending counts.
int countLines(QByteArrayView bytes);
