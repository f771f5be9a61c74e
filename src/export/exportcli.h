#pragma once
// Options and console pieces of the batch command brinewick-export (Qt Core only).
#include "export/outputguard.h"
#include "fileio/fileio.h"
#include "model/interaction.h"
#include "workbench/workbench.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

// Exit statuses of brinewick-export.
inline constexpr int kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitStopped = 3, kExitComputeStopped = 4,
                     kExitCalibrationFailed = 5, kExitTrailBroken = 6, kExitLogDiffers = 7;

struct ExportOptions {
    QString logFile;
    QString csvPath;        // empty: no CSV; "-": standard output
    QString plotPath;       // empty: no plot
    QString calibratePath;  // buffer points; empty: none
    QString reportPath;     // PDF report; empty: none
    // Many logs: one report, CSV and/or statistics file per log in these folders, named after the log.
    QString reportDir, csvDir, statsDir;
    QStringList logFiles;
    QStringList perLogArgs;   // the options as given that each log's own run takes too
    QString statsPath;        // empty: no statistics; "-": standard output
    QString verifyPath;       // a project whose trail and logs are checked; nothing else is done
    QString saveProjectPath;  // the project the logs and options make is written here
    QString projectPath;      // the logs and decisions come from this project
    QString from, to;         // the range of the statistics and CSV; empty: the log's first or last record
    // Calibration given on the command line; what is not given comes from the file.
    std::optional<double> slope[2], offset[2], corr[2];
    std::array<int, 2> thermistor{0, 0};  // 0..2
    std::optional<double> thermCorr[3];
    int segment = 0;  // the calibration segment (1-based) the options above are for; 0: every one
    bool stopOnBadDate = false;
    bool allRecords = false;                // every record of the log, not only the first kMaxRecords
    bool join = false;                      // the logs (logFiles) as one deployment
    bool qcColumns = false;                 // the CSV's column per quality-control test
    qint64 maxSize = kDefaultMaxInputSize;  // a log of this size or more is not read
    // Service visits: the file of --visits and the visits startOptions read from it.
    QString visitsPath;
    std::vector<ServiceVisit> visits;
    bool carryOn = false;                    // --carry-on
    std::optional<GradeLimits> gradeLimits;  // --grade-limits
    CorrectionSettings correctionSettings() const { return {gradeLimits.value_or(GradeLimits{}), carryOn}; }
    bool help = false, version = false;
};

struct ParsedOptions {
    std::optional<ExportOptions> options;  // nothing on a usage error
    QString error;                         // one-line reason
};

bool isManyLogs(const ExportOptions &o);
// "1048576", "512K", "64M", "2G" (binary multiples) as bytes; nothing when it is no size above 0.
std::optional<qint64> parseByteSize(const QString &text);

// The visits of --visits read into the options; a message naming the file and the bad line
// (empty when they were read or none were asked for).
QString readVisitsOption(ExportOptions &options);
// "E,G,F,MAX": four increasing numbers above 0; nothing otherwise.
std::optional<GradeLimits> parseGradeLimits(const QString &text);

// Arguments without the program name.
ParsedOptions parseExportArgs(const QStringList &args);
QString exportUsage();
QString exportVersionText();

// The files a run reads and writes, as the guard compares them; later outputs join the list.
QList<NamedFile> exportInputs(const ExportOptions &options);
QList<NamedFile> exportOutputs(const ExportOptions &options);
// A message when an output would overwrite the log or another output; empty when none does.
QString exportOutputConflict(const ExportOptions &options);

// The failure of a --from/--to range that holds no record of the log, with the date-times of
// its first and last records when it has any.
QString noRecordInRange(const ExportOptions &options, int records, const QString &firstTime, const QString &lastTime);

// A message when --from is later than --to; empty otherwise.
QString reversedRangeError(const ExportOptions &options);

// The start of both programs of the command: the arguments as options, or the exit status when
// there is nothing more to do (a usage error, --help, --version, a range that ends before it
// starts; each printed here).
std::variant<ExportOptions, int> startOptions(int argc, char **argv);

// The calibration given on the command line over what the workbench took from the file and
// the fields' defaults.
void applyCalibrationOptions(const ExportOptions &options, Calibration &calibration);
// The same over the segments the options are for (--segment's, or every one); nothing and a
// message when the log has no such segment.
QString applyCalibrationOptions(const ExportOptions &options, Workbench &workbench);
// The message when a log of `segments` calibration segments has no --segment; empty otherwise.
QString missingSegmentError(const ExportOptions &options, int segments);

// Messages go to standard error; the start-date question is answered from the options.
class StderrInteraction : public IInteraction {
public:
    explicit StderrInteraction(bool answerNo) : m_answerNo(answerNo) {}
    MsgAnswer message(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon) override;
    void beep() override {}
    void pushBusyCursor() override {}
    void popBusyCursor() override {}
    void processPendingEvents() override {}
    bool answeredNo() const { return m_answeredNo; }
    std::optional<MsgAnswer> standingAnswer() const override { return m_answerNo ? MsgAnswer::No : MsgAnswer::Yes; }

private:
    bool m_answerNo;
    bool m_answeredNo = false;
};

// Writes one line to standard error.
void printError(const QString &text);
// Writes text to standard output.
void printOutput(const QString &text);

// What one log of a batch writes to standard output and error, in the order it was written,
// held so that the logs' messages come out whole and in the logs' order.
struct CapturedOutput {
    std::vector<std::pair<bool, QByteArray>> chunks;  // true: standard output
    void add(bool toStdout, const QByteArray &bytes);
    // Writes the chunks to the streams and forgets them.
    void flush();
};

// While one lives, printError and printOutput of this thread go to `into`.
class OutputCapture {
public:
    explicit OutputCapture(CapturedOutput &into);
    ~OutputCapture();
    OutputCapture(const OutputCapture &) = delete;
    OutputCapture &operator=(const OutputCapture &) = delete;

private:
    CapturedOutput *m_previous;
};
