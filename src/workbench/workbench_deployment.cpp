// Many logs opened as one deployment: read at once on the machine's cores, joined in time order.
#include "workbench/workbench.h"

#include "fileio/fileio.h"
#include "model/interaction.h"

#include <QDir>
#include <QFileInfo>
#include <atomic>
#include <thread>
#ifdef __GLIBC__
#include <malloc.h>
#endif

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

QStringList Workbench::logsOfFolder(const QString &folder) {
    QStringList patterns = logFilePatterns();
    patterns.removeLast();  // every file: a folder holds more than logs
    const QDir dir(folder);
    QStringList paths;
    for (const QString &name : dir.entryList(patterns, QDir::Files | QDir::Readable, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

bool Workbench::openFolder(const QString &folder) {
    const QStringList logs = logsOfFolder(folder);
    if (logs.isEmpty()) {
        m_ui.message(QStringLiteral("The folder %1 holds no log files.").arg(QDir::toNativeSeparators(folder)),
                     kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    return openLogs(logs);
}

QString Workbench::logNameOfRow(int row) const {
    if (row < 0 || row >= rowCount() || m_join.logs.empty()) return {};
    const std::size_t log = m_join.logOfRow.empty() ? 0 : m_join.logOfRow[std::size_t(row)];
    return fileName(m_join.logs[log].path);
}

bool Workbench::openLogs(const QStringList &paths) {
    if (paths.size() == 1) return open(paths.first());
    if (paths.isEmpty()) return false;
    const bool earlier = !m_path.isEmpty();
    m_follower.reset();
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

    // The reads' own messages, in the logs' order, named after their log.
    QStringList unreadable;
    std::vector<DeploymentLog> logs;
    std::vector<const LogRead *> readOf;
    for (const LogRead &r : reads) {
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
    for (LogRead &r : reads)
        if (r.completed) {
            readOf.push_back(&r);
            logs.push_back(std::move(r.log));
        }
    if (logs.empty()) return false;

    QStringList serials;
    bool differ = false;
    for (const DeploymentLog &l : logs) {
        const QString s =
            QStringLiteral("%1: pH-1 %2, pH-2 %3")
                .arg(fileName(l.path), serialText(l.data.pH1_SerialNumber()), serialText(l.data.pH2_SerialNumber()));
        differ = differ || serialText(l.data.pH1_SerialNumber()) != serialText(logs[0].data.pH1_SerialNumber()) ||
                 serialText(l.data.pH2_SerialNumber()) != serialText(logs[0].data.pH2_SerialNumber());
        serials << s;
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
    if (!m_join.columnDifferences.isEmpty())
        m_ui.message(QStringLiteral("The logs' columns differ; they are joined by column name:\n") +
                         m_join.columnDifferences.join(u'\n'),
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
        if (jl.rows == 0) continue;
        for (FileCalibration f : logs[jl.source].data.calibrationSegments()) {
            f.firstRow = jl.rowOf(f.firstRow);
            if (f.firstRow >= jl.firstRow + jl.rows) continue;
            if (!m_joinedSegments.empty() && m_joinedSegments.back().firstRow == f.firstRow) {
                m_joinedSegments.pop_back();
                m_segmentLog.pop_back();
            }
            m_joinedSegments.push_back(f);
            m_segmentLog.push_back(j);
        }
    }
    m_path = m_join.logs.front().path;
#ifdef __GLIBC__
    malloc_trim(0);  // the logs' tables, freed as they joined, were the reading threads' memory
#endif
    afterRead();
    return m_report.completed;
}
