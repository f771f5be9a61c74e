// Many logs opened as one deployment: read at once on the machine's cores, joined in time order.
#include "workbench/workbench.h"

#include "fileio/fileio.h"
#include "model/interaction.h"

#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>
#include <algorithm>
#include <atomic>
#include <thread>
#include <utility>

namespace {

// A read on another thread cannot ask the person: its messages are held and told afterwards,
// and a question gets the standing answer of the interaction (a command's option), or else the
// one that lets the read go on to its end.
class HeldMessages : public IInteraction {
public:
    MsgAnswer answer = MsgAnswer::Yes;
    struct Held {
        QString text, title;
        MsgIcon icon;
    };
    std::vector<Held> held;
    MsgAnswer message(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon) override {
        held.push_back({text, title, icon});
        return buttons == MsgButtons::YesNo ? answer : MsgAnswer::Ok;
    }
    void beep() override {}
    void pushBusyCursor() override {}
    void popBusyCursor() override {}
    void processPendingEvents() override {}
};

// The newest log's messages were told at the open: read again to be followed, it tells none, and
// what is read on from there is told as usual.
class ToldOnce : public ForwardingInteraction {
public:
    using ForwardingInteraction::ForwardingInteraction;
    bool quiet = true;
    MsgAnswer message(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon) override {
        if (quiet) return buttons == MsgButtons::YesNo ? MsgAnswer::Yes : MsgAnswer::Ok;
        return ForwardingInteraction::message(text, title, buttons, icon);
    }
};

struct LogRead {
    DeploymentLog log;
    PassReport pass;
    bool completed = false;
    HeldMessages messages;
};

QString fileName(const QString &path) { return QFileInfo(path).fileName(); }

// A serial number as the header stores it, without the separator after its key.
QString serialText(QString s) {
    if (s.startsWith(u',')) s.remove(0, 1);
    return s.trimmed();
}

}  // namespace

// Unreadable files too: a log left out must be named, not skipped without a word.
QStringList Workbench::logsOfFolder(const QString &folder) {
    QStringList patterns = logFilePatterns();
    patterns.removeLast();  // every file: a folder holds more than logs
    const QDir dir(folder);
    QStringList paths;
    for (const QString &name : dir.entryList(patterns, QDir::Files, QDir::Name)) paths << dir.filePath(name);
    return paths;
}

bool Workbench::openFolder(const QString &folder) {
    const QStringList logs = logsOfFolder(folder);
    if (logs.isEmpty()) {
        m_ui.message(QStringLiteral("The folder %1 holds no log files.").arg(QDir::toNativeSeparators(folder)),
                     kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    const bool whole = openLogs(logs);
    m_folder = folder;
    m_folderLogs = logs;
    return whole;
}

QStringList Workbench::newLogsOfFolder() const {
    QStringList added;
    if (!m_folder.isEmpty())
        for (const QString &path : logsOfFolder(m_folder))
            if (!m_folderLogs.contains(path)) added << path;
    return added;
}

QString Workbench::logNameOfRow(int row) const {
    if (row < 0 || row >= rowCount() || m_join.logs.empty()) return {};
    const int log = m_join.logOf(row);  // one log followed on its own: rows past those it was opened with
    return fileName(m_join.logs[std::size_t(std::max(log, 0))].path);
}

bool Workbench::openLogs(const QStringList &paths) {
    if (paths.size() == 1) return open(paths.first());
    if (paths.isEmpty()) return false;
    const bool earlier = !m_path.isEmpty();
    m_follower.reset();
    m_followLog.reset();
    m_folder.clear();
    m_readOn = ReadOn{};

    // Each log with its own start date; what its header does not give, as an open takes it.
    std::vector<LogRead> reads(std::size_t(paths.size()));
    for (std::size_t i = 0; i < reads.size(); ++i) {
        clsDataSet &ds = reads[i].log.data;
        reads[i].log.path = paths[qsizetype(i)];
        ds.setPH1_Slope(m_dataSet.pH1_Slope());
        ds.setPH2_Slope(m_dataSet.pH2_Slope());
        ds.setPH1_Offset(m_dataSet.pH1_Offset());
        ds.setPH2_Offset(m_dataSet.pH2_Offset());
        ds.setRecordLimit(kAnyLengthRecords);  // the deployment's limit applies to the join
        reads[i].messages.answer = m_ui.standingAnswer().value_or(MsgAnswer::Yes);
    }
    std::atomic<std::size_t> next{0};
    const qint64 maxSize = m_maxInputSize;
    auto work = [&] {
        for (std::size_t i; (i = next++) < reads.size();) {
            LogRead &r = reads[i];
            ReaderContext ctx{r.messages, {}, {}, {}, &r.pass, maxSize};
            r.completed = readFromFile(r.log.path, r.log.data, ctx);
            r.log.data.DATA();  // trimmed on this thread
        }
    };
    {
        BusyCursor busy(m_ui);  // not over the messages that follow
        std::vector<std::thread> threads;
        const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
        for (std::size_t k = 1; k < std::min(cores, reads.size()); ++k) threads.emplace_back(work);
        work();
        for (std::thread &t : threads) t.join();
    }

    // The reads' own messages, in the logs' order, named after their log. A folder opened again
    // because logs joined it tells only what those logs bring: a followed folder is often left
    // alone, and a message told each day would stop it until someone answers.
    const auto isNew = [this](const QString &path) { return m_joining.isEmpty() || m_joining.contains(path); };
    QStringList unreadable;
    std::vector<DeploymentLog> logs;
    std::vector<const LogRead *> readOf;
    for (const LogRead &r : reads) {
        if (!isNew(r.log.path)) continue;
        if (!r.completed) {
            unreadable << fileName(r.log.path);
            continue;
        }
        for (const HeldMessages::Held &m : r.messages.held)
            m_ui.message(fileName(r.log.path) + QStringLiteral(": ") + m.text, m.title, MsgButtons::Ok, m.icon);
    }
    if (!unreadable.isEmpty())
        m_ui.message(QStringLiteral("These logs could not be read and are left out: %1.").arg(unreadable.join(", ")),
                     kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
    logs.reserve(reads.size());  // a table's move may throw, so growing the vector would copy every log
    for (LogRead &r : reads)
        if (r.completed) {
            readOf.push_back(&r);
            logs.push_back(std::move(r.log));
        }
    if (logs.empty()) return false;

    QStringList serials;
    bool differ = false;
    const auto serialsOf = [](const clsDataSet &d) {
        return std::pair{serialText(d.pH1_SerialNumber()), serialText(d.pH2_SerialNumber())};
    };
    for (const DeploymentLog &l : logs) {
        const auto [one, two] = serialsOf(l.data);
        differ = differ || (isNew(l.path) && serialsOf(l.data) != serialsOf(logs[0].data));
        serials << QStringLiteral("%1: pH-1 %2, pH-2 %3").arg(fileName(l.path), one, two);
    }
    if (differ)
        m_ui.message(QStringLiteral("The logs' probe serial numbers differ:\n") + serials.join(u'\n'), kAppTitle,
                     MsgButtons::Ok, MsgIcon::Exclamation);

    int total = 0;
    for (const DeploymentLog &l : logs) total += l.data.rowcount();
    int limit = m_loadAll ? kAnyLengthRecords : kMaxRecords;
    if (total > limit && tellLeftOutRecords(m_ui, limit, total - limit)) limit = kAnyLengthRecords;

    m_dataSet.setRecordLimit(limit);
    m_join = joinLogs(logs, m_dataSet);
    m_dataSet.DATA();
    QStringList differences;
    for (const QString &line : m_join.columnDifferences)
        if (m_joining.isEmpty() || std::any_of(m_joining.begin(), m_joining.end(), [&](const QString &p) {
                return line.startsWith(fileName(p) + QStringLiteral(": "));
            }))
            differences << line;
    if (!differences.isEmpty())
        m_ui.message(QStringLiteral("The logs' columns differ; they are joined by column name:\n") +
                         differences.join(u'\n'),
                     kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);

    m_report = {};
    m_report.completed = unreadable.isEmpty();
    for (std::size_t i = 0; i < logs.size(); ++i) {
        const PassReport &p = readOf[i]->pass;
        m_report.lines += p.lines;
        m_report.skipped += p.lateRecords;
        m_report.cut += p.cutRecords;
        m_report.missing += p.missingRecords;
        m_report.bytes += p.bytes;
        for (std::size_t k = 0; k < 2; ++k) {
            m_report.slopeKept[k] = m_report.slopeKept[k] || !p.slopeRead[k];
            m_report.offsetKept[k] = m_report.offsetKept[k] || !p.offsetRead[k];
        }
    }
    m_report.leftOut = m_join.leftOut;
    m_report.duplicatesDropped = m_join.duplicatesDropped;
    m_report.conflicts = m_join.conflicts;
    m_report.keptFromEarlierFile = earlier;

    // Each log's segments in joined rows: a segment whose records were all dropped has none.
    m_joinedSegments.clear();
    m_segmentLog.clear();
    for (std::size_t j = 0; j < m_join.logs.size(); ++j) {
        JoinedLog &jl = m_join.logs[j];
        const PassReport &p = readOf[jl.source]->pass;
        jl.bytes = p.bytes;
        jl.sha256 = p.sha256;
        joinSegmentsOf(j, logs[jl.source].data.calibrationSegments());
    }
    m_path = m_join.logs.front().path;
    afterRead();
    return m_report.completed;
}

void Workbench::joinSegmentsOf(std::size_t j, const std::vector<FileCalibration> &segments) {
    const auto drop = [this] {
        m_joinedSegments.pop_back();
        m_segmentLog.pop_back();
    };
    while (!m_segmentLog.empty() && m_segmentLog.back() == j) drop();
    // A segment whose records were all dropped has none.
    const JoinedLog &jl = m_join.logs[j];
    if (jl.rows == 0) return;
    for (FileCalibration f : segments) {
        f.firstRow = jl.rowOf(f.firstRow);
        if (f.firstRow >= jl.firstRow + jl.rows) continue;
        if (!m_joinedSegments.empty() && m_joinedSegments.back().firstRow == f.firstRow) drop();
        m_joinedSegments.push_back(f);
        m_segmentLog.push_back(j);
    }
}

bool Workbench::startFollowNewest() {
    const std::size_t j = m_join.logs.size() - 1;
    const JoinedLog &jl = m_join.logs[j];
    auto log = std::make_unique<clsDataSet>();
    // What its header does not give, as its read at the open had it.
    const auto k = std::size_t(std::find(m_segmentLog.begin(), m_segmentLog.end(), j) - m_segmentLog.begin());
    FileCalibration values = m_dataSet.calibrationSegments().back();
    if (k < m_segmentLog.size()) values = m_joinedSegments[k];
    log->setPH1_Slope(values.slope[0]);
    log->setPH2_Slope(values.slope[1]);
    log->setPH1_Offset(values.offset[0]);
    log->setPH2_Offset(values.offset[1]);
    // No more records than the deployment may hold.
    log->setRecordLimit(
        int(std::min<qint64>(kAnyLengthRecords, qint64(m_dataSet.recordLimit()) - jl.firstRow - jl.rows + jl.records)));
    auto ui = std::make_unique<ToldOnce>(m_ui);
    ReadOn readOn;
    ReaderContext ctx{*ui, {}, {}, {}, nullptr, m_maxInputSize, &readOn};
    if (!readFromFile(jl.path, *log, ctx) || !readOn.store) return false;
    ui->quiet = false;
    log->DATA();
    m_followUi = std::move(ui);
    m_followLog = std::move(log);
    const ReaderContext live{m_ui, m_hooks.setStatusPanel2, m_hooks.makeMeterView, {}, nullptr, m_maxInputSize};
    m_follower = std::make_unique<LogFollower>(jl.path, *m_followLog, live, std::move(readOn), m_rotationGraceMs);
    m_followLog->makeRoomToGrow();
    m_dataSet.makeRoomToGrow();
    return true;
}

FollowStep Workbench::pollNewest() {
    clsDataSet &log = *m_followLog;
    const std::size_t j = m_join.logs.size() - 1;
    const std::array<double, 4> probe{log.pH1_Slope(), log.pH2_Slope(), log.pH1_Offset(), log.pH2_Offset()};
    const QStringList fields = log.fieldlist();
    const PassReport before = m_follower->reading() ? m_follower->report() : PassReport{};
    const LogFollower::Step step = m_follower->poll();
    using Outcome = LogFollower::Outcome;
    // Written anew, or given other columns: the joined rows no longer stand for it.
    if (step.outcome == Outcome::ReadAgain || fields != log.fieldlist() || log.rowcount() < m_join.logs[j].records)
        return reopenFolder({});

    FollowStep out;
    out.outcome = step.outcome;
    out.firstNewRow = rowCount();
    // A read from the start the person stopped leaves the deployment as it was.
    if (!(step.outcome == Outcome::Stopped && step.readFromStart)) {
        appendToJoin(m_join, j, log, m_join.logs[j].records, m_dataSet);
        joinSegmentsOf(j, log.calibrationSegments());
        takeAppendedRows(out.firstNewRow);
    }
    // Records the log gained before following started.
    if (out.outcome == Outcome::Unchanged && rowCount() > out.firstNewRow) out.outcome = Outcome::Appended;
    if (m_follower->reading()) {
        const PassReport &now = m_follower->report();
        m_report.lines += now.lines - before.lines;
        m_report.skipped += now.lateRecords - before.lateRecords;
        m_report.cut += now.cutRecords - before.cutRecords;
        m_report.missing += now.missingRecords - before.missingRecords;
        JoinedLog &jl = m_join.logs[j];
        m_report.bytes += m_follower->bytesRead() - jl.bytes;
        jl.bytes = m_follower->bytesRead();
        jl.sha256 = m_follower->sha256();
    }
    out.slopeChanged = {probe[0] != log.pH1_Slope(), probe[1] != log.pH2_Slope()};
    out.offsetChanged = {probe[2] != log.pH1_Offset(), probe[3] != log.pH2_Offset()};
    if (step.outcome == Outcome::Gone || step.outcome == Outcome::Stopped || step.outcome == Outcome::TooLarge) {
        m_follower.reset();
        m_followLog.reset();
    }
    out.segments = int(m_segments.size());
    out.rows = rowCount();
    return out;
}

FollowStep Workbench::reopenFolder(const QStringList &joined) {
    const std::vector<CalibrationSegment> segments = m_segments;
    const bool computed = m_computedOnce, needed = m_computeNeeded;
    const int current = m_current;
    const PlotInputs plot = m_plotInputs;
    const QString folder = m_folder;
    // A record limit lifted for this deployment stays lifted.
    const QScopedValueRollback<bool> all(m_loadAll, m_loadAll || m_dataSet.recordLimit() == kAnyLengthRecords);
    m_follower.reset();
    m_followLog.reset();
    const QScopedValueRollback<QStringList> told(m_joining, joined);
    openFolder(folder);
    // A segment from the same line of the same log keeps its calibration, edits included.
    for (CalibrationSegment &s : m_segments)
        for (const CalibrationSegment &was : segments)
            if (was.logName == s.logName && was.line == s.line) {
                s.calibration = was.calibration;
                s.origin = was.origin;
            }
    m_computedOnce = computed;
    m_computeNeeded = needed;
    m_current = current;
    if (!plot.autoscale) {
        m_plotInputs.start = plot.start;
        m_plotInputs.end = plot.end;
    }
    takeReadAgain(true);

    FollowStep out;
    out.outcome = LogFollower::Outcome::ReadAgain;
    for (const QString &path : joined) out.joinedLogs << fileName(path);
    if (!canFollow() || !startFollow()) {
        out.outcome = LogFollower::Outcome::Stopped;
        out.readFromStart = true;
    }
    out.fieldsChanged = true;
    out.segments = int(m_segments.size());
    out.rows = rowCount();
    return out;
}
