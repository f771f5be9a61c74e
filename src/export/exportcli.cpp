#include "export/exportcli.h"

#include "export/csvexport.h"
#include "model/clsdataset.h"
#include "model/datetime.h"
#include "model/numbertext.h"

#include <QCommandLineParser>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <limits>
#include <cstdio>

namespace {

enum class Kind { Slope, Offset, Corr, Thermistor, ThermCorr };
struct NumberOption {
    const char *name;
    Kind kind;
    int index;
};
const NumberOption kNumberOptions[] = {
    {"--ph1-slope", Kind::Slope, 0},       {"--ph1-offset", Kind::Offset, 0},
    {"--ph1-corr", Kind::Corr, 0},         {"--ph1-thermistor", Kind::Thermistor, 0},
    {"--ph2-slope", Kind::Slope, 1},       {"--ph2-offset", Kind::Offset, 1},
    {"--ph2-corr", Kind::Corr, 1},         {"--ph2-thermistor", Kind::Thermistor, 1},
    {"--therm1-corr", Kind::ThermCorr, 0}, {"--therm2-corr", Kind::ThermCorr, 1},
    {"--therm3-corr", Kind::ThermCorr, 2},
};

// Sets one number option; false with a reason when the value does not fit.
bool applyNumber(ExportOptions &o, const NumberOption &opt, const QString &value, QString &error) {
    const std::optional<double> v = readNumber(value);
    if (opt.kind == Kind::Thermistor) {
        if (value != u"1" && value != u"2" && value != u"3") {
            error = QStringLiteral("%1 takes 1, 2 or 3, not \"%2\"").arg(QLatin1String(opt.name), value);
            return false;
        }
        o.thermistor[std::size_t(opt.index)] = value.toInt() - 1;
        return true;
    }
    if (!v || !std::isfinite(*v)) {
        error = QStringLiteral("%1 takes a number, not \"%2\"").arg(QLatin1String(opt.name), value);
        return false;
    }
    switch (opt.kind) {
    case Kind::Slope: o.slope[opt.index] = *v; break;
    case Kind::Offset: o.offset[opt.index] = *v; break;
    case Kind::Corr: o.corr[opt.index] = *v; break;
    case Kind::ThermCorr: o.thermCorr[opt.index] = *v; break;
    default: break;
    }
    return true;
}

// "png", "pdf" or "svg" when the name ends in one of them, else empty.
QString plotFileSuffix(const QString &name) {
    const QString suffix = name.section(u'.', -1).toLower();
    return name.contains(u'.') && (suffix == u"png" || suffix == u"pdf" || suffix == u"svg") ? suffix : QString();
}

ParsedOptions usageError(const QString &why) { return {std::nullopt, why}; }

// The first argument that names no option of the parser, as the person wrote it.
QString unknownArgument(const QStringList &args, const QCommandLineParser &parser, const QStringList &known) {
    for (const QString &arg : args) {
        if (arg == u"--") break;
        if (!arg.startsWith(u'-') || arg == u"-") continue;
        const QString name = arg.mid(arg.startsWith(u"--") ? 2 : 1).section(u'=', 0, 0);
        if (!known.contains(name)) return arg;
    }
    return parser.unknownOptionNames().value(0);
}

}  // namespace

std::optional<qint64> parseByteSize(const QString &text) {
    QString digits = text.trimmed();
    int shift = 0;
    if (!digits.isEmpty()) {
        switch (digits.back().toUpper().unicode()) {
        case u'K': shift = 10; break;
        case u'M': shift = 20; break;
        case u'G': shift = 30; break;
        default: break;
        }
    }
    if (shift) digits.chop(1);
    bool ok = false;
    const qint64 n = digits.toLongLong(&ok);
    if (!ok || n <= 0 || digits.startsWith(u'+') || n > (std::numeric_limits<qint64>::max() >> shift))
        return std::nullopt;
    return n << shift;
}

ParsedOptions parseExportArgs(const QStringList &args) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    QStringList known = {QStringLiteral("help"), QStringLiteral("version")};
    parser.addOption(QCommandLineOption(QStringLiteral("help")));
    parser.addOption(QCommandLineOption(QStringLiteral("version")));
    parser.addOption(QCommandLineOption(QStringLiteral("all-records")));
    parser.addOption(QCommandLineOption(QStringLiteral("join")));
    parser.addOption(QCommandLineOption(QStringLiteral("qc-columns")));
    parser.addOption(QCommandLineOption(QStringLiteral("carry-on")));
    known << QStringLiteral("all-records") << QStringLiteral("join") << QStringLiteral("qc-columns")
          << QStringLiteral("carry-on");
    QStringList valued = {QStringLiteral("csv"),         QStringLiteral("plot"),       QStringLiteral("calibrate"),
                          QStringLiteral("report"),      QStringLiteral("report-dir"), QStringLiteral("csv-dir"),
                          QStringLiteral("on-bad-date"), QStringLiteral("max-size"),   QStringLiteral("stats"),
                          QStringLiteral("from"),        QStringLiteral("to"),         QStringLiteral("stats-dir"),
                          QStringLiteral("segment"),     QStringLiteral("verify"),     QStringLiteral("save-project"),
                          QStringLiteral("project"),     QStringLiteral("visits"),     QStringLiteral("grade-limits")};
    for (const NumberOption &n : kNumberOptions) valued << QLatin1String(n.name + 2);
    for (const QString &name : valued) parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("value")));
    known += valued;

    if (!parser.parse(QStringList{QStringLiteral("brinewick-export")} + args)) {
        if (const QString unknown = unknownArgument(args, parser, known); !unknown.isEmpty())
            return usageError(QStringLiteral("unknown option %1").arg(unknown));
        const QString last = args.value(args.size() - 1);
        if (last.startsWith(u"--") && valued.contains(last.mid(2)))
            return usageError(QStringLiteral("%1 needs a value").arg(last));
        return usageError(parser.errorText());
    }

    ExportOptions o;
    o.help = parser.isSet(QStringLiteral("help"));
    o.version = parser.isSet(QStringLiteral("version"));
    if (o.help || o.version) return {o, {}};

    const QStringList given = parser.positionalArguments();
    if (parser.isSet(QStringLiteral("verify"))) {
        o.verifyPath = parser.value(QStringLiteral("verify"));
        if (args.size() > 2 || !given.isEmpty())
            return usageError(QStringLiteral("--verify checks one project: give no other option and no log"));
        return {o, {}};
    }

    if (parser.isSet(QStringLiteral("all-records"))) {
        o.allRecords = true;
        o.perLogArgs << QStringLiteral("--all-records");
    }
    if (parser.isSet(QStringLiteral("qc-columns"))) {
        o.qcColumns = true;
        o.perLogArgs << QStringLiteral("--qc-columns");
    }
    if (parser.isSet(QStringLiteral("visits"))) {
        o.visitsPath = parser.value(QStringLiteral("visits"));
        if (o.visitsPath.isEmpty()) return usageError(QStringLiteral("--visits needs a visits file"));
        o.perLogArgs << QStringLiteral("--visits") << o.visitsPath;
    }
    if (parser.isSet(QStringLiteral("carry-on"))) {
        o.carryOn = true;
        o.perLogArgs << QStringLiteral("--carry-on");
    }
    if (parser.isSet(QStringLiteral("grade-limits"))) {
        const QString value = parser.value(QStringLiteral("grade-limits"));
        o.gradeLimits = parseGradeLimits(value);
        if (!o.gradeLimits)
            return usageError(
                QStringLiteral("--grade-limits takes four increasing numbers above 0 (E,G,F,MAX), not \"%1\"")
                    .arg(value));
        o.perLogArgs << QStringLiteral("--grade-limits") << value;
    }
    QString error;
    for (const NumberOption &n : kNumberOptions) {
        const QString name = QLatin1String(n.name + 2);
        if (!parser.isSet(name)) continue;
        if (!applyNumber(o, n, parser.value(name), error)) return usageError(error);
        o.perLogArgs << QLatin1String(n.name) << parser.value(name);
    }
    if (parser.isSet(QStringLiteral("segment"))) {
        const QString value = parser.value(QStringLiteral("segment"));
        bool ok = false;
        o.segment = value.toInt(&ok);
        if (!ok || o.segment < 1 || value.startsWith(u'+'))
            return usageError(QStringLiteral("--segment takes a segment number from 1, not \"%1\"").arg(value));
        o.perLogArgs << QStringLiteral("--segment") << value;
    }
    if (parser.isSet(QStringLiteral("csv"))) {
        o.csvPath = parser.value(QStringLiteral("csv"));
        if (o.csvPath.isEmpty()) return usageError(QStringLiteral("--csv needs a file name or -"));
    }
    if (parser.isSet(QStringLiteral("plot"))) {
        const QString value = parser.value(QStringLiteral("plot"));
        if (plotFileSuffix(value).isEmpty())
            return usageError(
                QStringLiteral("--plot needs a file name ending in .png, .pdf or .svg, not \"%1\"").arg(value));
        o.plotPath = value;
    }
    if (parser.isSet(QStringLiteral("report"))) {
        o.reportPath = parser.value(QStringLiteral("report"));
        if (!o.reportPath.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
            return usageError(
                QStringLiteral("--report needs a file name ending in .pdf, not \"%1\"").arg(o.reportPath));
    }
    if (parser.isSet(QStringLiteral("calibrate"))) {
        o.calibratePath = parser.value(QStringLiteral("calibrate"));
        if (o.calibratePath.isEmpty()) return usageError(QStringLiteral("--calibrate needs a points file"));
        o.perLogArgs << QStringLiteral("--calibrate") << o.calibratePath;
    }
    if (parser.isSet(QStringLiteral("stats"))) {
        o.statsPath = parser.value(QStringLiteral("stats"));
        if (o.statsPath.isEmpty()) return usageError(QStringLiteral("--stats needs a file name or -"));
    }
    for (const char *name : {"from", "to"}) {
        const QString key = QLatin1String(name);
        if (!parser.isSet(key)) continue;
        const QString value = parser.value(key);
        if (!dt::parse(value))
            return usageError(
                QStringLiteral("--%1 takes a date-time such as \"5/13/2004 08:00:00\", not \"%2\"").arg(key, value));
        (key == u"from" ? o.from : o.to) = value;
        o.perLogArgs << QStringLiteral("--") + key << value;
    }
    if (parser.isSet(QStringLiteral("on-bad-date"))) {
        const QString value = parser.value(QStringLiteral("on-bad-date"));
        if (value != u"continue" && value != u"stop")
            return usageError(QStringLiteral("--on-bad-date takes continue or stop, not \"%1\"").arg(value));
        o.stopOnBadDate = value == u"stop";
        o.perLogArgs << QStringLiteral("--on-bad-date") << value;
    }
    for (const char *dir : {"report-dir", "csv-dir", "stats-dir"}) {
        const QString name = QLatin1String(dir);
        if (!parser.isSet(name)) continue;
        const QString value = parser.value(name);
        if (value.isEmpty()) return usageError(QStringLiteral("--%1 needs a folder").arg(name));
        (name == u"report-dir" ? o.reportDir : name == u"csv-dir" ? o.csvDir : o.statsDir) = value;
    }
    if ((!o.from.isEmpty() || !o.to.isEmpty()) && o.statsPath.isEmpty() && o.csvPath.isEmpty() &&
        o.statsDir.isEmpty() && o.csvDir.isEmpty())
        return usageError(QStringLiteral("--from and --to go with --stats or --csv"));

    if (parser.isSet(QStringLiteral("max-size"))) {
        const QString value = parser.value(QStringLiteral("max-size"));
        const std::optional<qint64> size = parseByteSize(value);
        if (!size)
            return usageError(
                QStringLiteral("--max-size takes a size in bytes (K, M or G for binary multiples), not \"%1\"")
                    .arg(value));
        o.maxSize = *size;
        o.perLogArgs << QStringLiteral("--max-size") << value;
    }

    const QStringList files = given;
    o.join = parser.isSet(QStringLiteral("join"));
    if (parser.isSet(QStringLiteral("project"))) {
        o.projectPath = parser.value(QStringLiteral("project"));
        if (!files.isEmpty() || o.join || parser.isSet(QStringLiteral("save-project")) || isManyLogs(o) ||
            !o.calibratePath.isEmpty() || o.segment > 0 ||
            std::any_of(std::begin(kNumberOptions), std::end(kNumberOptions),
                        [&](const NumberOption &n) { return parser.isSet(QLatin1String(n.name + 2)); }))
            return usageError(QStringLiteral("--project takes its logs and calibration from the project: give no log, "
                                             "calibration option, --join or folder beside it"));
        if (o.csvPath.isEmpty() && o.plotPath.isEmpty() && o.reportPath.isEmpty() && o.statsPath.isEmpty())
            return usageError(QStringLiteral("nothing to write: give --csv, --plot, --report or --stats"));
        if (o.statsPath == kStdoutPath && o.csvPath == kStdoutPath)
            return usageError(QStringLiteral("only one output can go to standard output"));
        o.logFile = o.projectPath;
        return {o, {}};
    }
    if (files.isEmpty()) return usageError(QStringLiteral("no log file given"));
    if (parser.isSet(QStringLiteral("save-project"))) {
        o.saveProjectPath = parser.value(QStringLiteral("save-project"));
        if (isManyLogs(o))
            return usageError(QStringLiteral("--save-project makes one project of the logs: give no --report-dir, "
                                             "--csv-dir or --stats-dir"));
        if (files.contains(kStdinPath))
            return usageError(QStringLiteral("--save-project needs log files, not standard input (\"-\")"));
        o.join = o.join || files.size() > 1;
    }
    if (o.join && isManyLogs(o))
        return usageError(QStringLiteral("--join makes one deployment of the logs: give --csv, --stats, --plot or "
                                         "--report, not --report-dir, --csv-dir or --stats-dir"));
    if (o.join && files.contains(kStdinPath))
        return usageError(QStringLiteral("--join reads log files, not standard input (\"-\")"));
    if (isManyLogs(o)) {
        if (!o.csvPath.isEmpty() || !o.plotPath.isEmpty() || !o.reportPath.isEmpty())
            return usageError(QStringLiteral("--report-dir, --csv-dir and --stats-dir write a file per log: give no "
                                             "--csv, --plot or --report beside them"));
        if (!o.statsPath.isEmpty())
            return usageError(QStringLiteral("--stats writes one file: give --stats-dir for statistics per log"));
        if (files.count(kStdinPath) > 1)
            return usageError(QStringLiteral("standard input (\"-\") can be read only once"));
        o.logFiles = files;
        return {o, {}};
    }
    if (files.size() > 1 && !o.join)
        return usageError(QStringLiteral("one log file at a time, not %1").arg(files.size()));
    if (o.csvPath.isEmpty() && o.plotPath.isEmpty() && o.reportPath.isEmpty() && o.statsPath.isEmpty() &&
        o.saveProjectPath.isEmpty())
        return usageError(QStringLiteral("nothing to write: give --csv, --plot, --report, --stats or --save-project"));
    if (o.statsPath == kStdoutPath && o.csvPath == kStdoutPath)
        return usageError(QStringLiteral("only one output can go to standard output"));
    o.logFile = files.first();
    if (o.join) o.logFiles = files;
    return {o, {}};
}

std::optional<GradeLimits> parseGradeLimits(const QString &text) {
    const QStringList parts = text.split(u',');
    if (parts.size() != 4) return std::nullopt;
    std::array<double, 4> v{};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::optional<double> n = readNumber(parts[qsizetype(i)].trimmed());
        if (!n || !std::isfinite(*n) || *n <= (i ? v[i - 1] : 0.0)) return std::nullopt;
        v[i] = *n;
    }
    return GradeLimits{v[0], v[1], v[2], v[3]};
}

QString readVisitsOption(ExportOptions &o) {
    if (o.visitsPath.isEmpty()) return {};
    QFile file(o.visitsPath);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("the visits file \"%1\" cannot be read: %2; nothing was written.")
            .arg(o.visitsPath, file.errorString());
    VisitsRead read = parseVisitsCsv(file.readAll());
    if (!read.error.isEmpty())
        return QStringLiteral("the visits file \"%1\": %2 Nothing was written.").arg(o.visitsPath, read.error);
    o.visits = std::move(read.visits);
    return {};
}

bool isManyLogs(const ExportOptions &o) {
    return !o.reportDir.isEmpty() || !o.csvDir.isEmpty() || !o.statsDir.isEmpty();
}

QString exportUsage() {
    return QStringLiteral(
        "Usage: brinewick-export [OPTIONS] LOGFILE\n"
        "       brinewick-export [--report-dir DIR] [--csv-dir DIR] [OPTIONS] LOGFILE...\n"
        "       brinewick-export --join [OPTIONS] LOGFILE...\n"
        "       brinewick-export --save-project P.brinewick [OPTIONS] LOGFILE...\n"
        "       brinewick-export --project P.brinewick [--visits FILE] [--csv FILE] [--stats FILE] [--report "
        "FILE.pdf]\n"
        "                        [--plot FILE]\n"
        "       brinewick-export --verify P.brinewick\n"
        "Reads a probe log (\"-\" for standard input), computes pH-1 and pH-2 and writes the table,\n"
        "the plot and/or the report.\n"
        "\n"
        "  --csv FILE          write the computed table as CSV (\"-\" for standard output)\n"
        "  --plot FILE         write the plot; .png, .pdf or .svg by the file's extension\n"
        "  --report FILE.pdf   write the report: the file, its header, the calibration applied, the\n"
        "                      read, the plot and its statistics\n"
        "  --stats FILE        write the statistics of the records as CSV (\"-\" for standard output):\n"
        "                      count, min, max, mean, sd of pH-1, pH-2, dpH, T1-T3 and flow rate;\n"
        "                      first, last and difference of the total volume\n"
        "  --from DATETIME  --to DATETIME  only the records from/to these times in the statistics\n"
        "                      and the CSV, e.g. \"5/13/2004 08:00:00\" (the plot and report show the\n"
        "                      whole log); a range that holds no record of a log is a failure (1)\n"
        "  --ph1-slope X  --ph1-offset X  --ph1-corr X  --ph1-thermistor 1|2|3\n"
        "  --ph2-slope X  --ph2-offset X  --ph2-corr X  --ph2-thermistor 1|2|3\n"
        "  --therm1-corr X  --therm2-corr X  --therm3-corr X\n"
        "  --segment N         the options above (and --calibrate) for calibration segment N only\n"
        "                      (from 1): a log's header starts the first, and each slope or offset\n"
        "                      line after a record starts another; by default they are for every one\n"
        "  --join              the logs as one deployment: joined in the order of their first\n"
        "                      record, a record two logs hold alike kept once, one of the same time\n"
        "                      with other values kept and flagged O; each log's header and each\n"
        "                      calibration line start a segment; the CSV gains a log column\n"
        "  --report-dir DIR  --csv-dir DIR  --stats-dir DIR\n"
        "                      for many logs: a report, CSV and/or statistics file (NAME.stats.csv)\n"
        "                      per log, named after it (\"stdin\" for -, which may appear once);\n"
        "                      a log that fails does not stop the others\n"
        "  --calibrate FILE    slope and offset from buffer points, one a line: probe, buffer pH or\n"
        "                      name, then mV and temperature, or the from and to date-times of a\n"
        "                      span of records; printed, then applied over the options above\n"
        "  --on-bad-date continue|stop    answer to the invalid start-date question (default continue)\n"
        "  --max-size BYTES    do not read a log of this size or more; K, M, G for binary multiples\n"
        "                      (default 2G); a pipe or device stops there\n"
        "  --all-records       Load every record of a log, however long (by default the first 32767)\n"
        "  --qc-columns        the CSV gains a column per quality-control test and series\n"
        "                      (qc_ph1_gap ... qc_t3_flat_line)\n"
        "  --visits FILE       service visits: a header line naming the columns probe (1 or 2), visit\n"
        "                      (M/d/yyyy hh:mm:ss), fouling error, buffer pH, drift error and optionally\n"
        "                      buffer 2 pH, drift error 2, note; then one visit a line (a visit of both\n"
        "                      probes is two lines). Fouling and drift corrections are prorated between\n"
        "                      visits and each record graded; the CSV ends with pH-1 corrected, pH-1\n"
        "                      correction, pH-1 grade and the same of pH-2. A bad line is named and\n"
        "                      nothing is written (1). With --project they replace the project's visits\n"
        "  --carry-on          Carry the last correction on: records before the first visit take its\n"
        "                      whole correction, records after the last its; without it they get none\n"
        "  --grade-limits E,G,F,MAX   the largest total correction (pH) of an Excellent, Good and Fair\n"
        "                      record, and the largest reported (Poor up to it, above it \"Not reported\":\n"
        "                      no corrected value, qc 4); increasing, default 0.2,0.5,0.8,2.0\n"
        "  --save-project P.brinewick   write the project the logs and the options above describe (its\n"
        "                      calibration segments, buffer calibration, service visits and grade\n"
        "                      limits); its audit trail starts with one entry naming them. More than\n"
        "                      one log are joined (--join)\n"
        "  --project P.brinewick   the logs, calibration, limits and marks of a project, in place of\n"
        "                      logs and calibration options: the same CSV and report as the window\n"
        "                      shows for it. A log that differs from the project is named, and used.\n"
        "                      --visits, --carry-on and --grade-limits take the place of its own\n"
        "  --verify P.brinewick    check a project's audit trail and the size and SHA-256 of its logs:\n"
        "                      exit 0 both hold, 6 the trail is broken (the first broken entry is\n"
        "                      named), 7 a log differs or is gone\n"
        "  --help, --version\n"
        "\n"
        "Slopes and offsets not given are those of the file; corrections default to 0, thermistors to 1.\n"
        "Messages go to standard error.\n"
        "Exit status: 0 done, 1 the file could not be read, --from/--to hold no record or are reversed,\n"
        "the log has no --segment N, or an output not written, 2 wrong usage\n"
        "(also an output that is a log or another output of the run; nothing is written),\n"
        "3 stopped at an invalid start date, 4 pH could not be computed for every record\n"
        "(the outputs hold the records before it computed), 5 a probe's buffer calibration gave no\n"
        "result or failed its limits (nothing is applied or written), 6 and 7 of --verify.\n"
        "The CSV table ends with a flags column: S spike, F flat line, D probes disagree,\n"
        "T thermistors disagree, N no flow, X not computed, M missing value, G gap, R range,\n"
        "C climatology, Y syntax, O conflict (same date-time as a record of another log with\n"
        "other values); then qc_ph1 and qc_ph2, each probe's worst quality-control result\n"
        "(1 pass, 2 not evaluated, 3 suspect, 4 fail, 9 missing). --stats counts each result.\n"
        "A project's marks add two last columns: mark (bad or doubtful) and note; statistics leave\n"
        "out the records marked bad unless the project includes them.\n");
}

QString exportVersionText() { return QStringLiteral("brinewick-export ") + kAppVersion; }

QList<NamedFile> exportInputs(const ExportOptions &o) {
    QList<NamedFile> inputs{{QStringLiteral("the log"), o.logFile}};
    for (qsizetype i = 1; o.join && i < o.logFiles.size(); ++i)
        inputs.append({QStringLiteral("the log"), o.logFiles[i]});
    if (!o.calibratePath.isEmpty()) inputs.append({QStringLiteral("--calibrate"), o.calibratePath});
    if (!o.visitsPath.isEmpty()) inputs.append({QStringLiteral("--visits"), o.visitsPath});
    if (!o.projectPath.isEmpty()) inputs.first() = {QStringLiteral("--project"), o.projectPath};
    return inputs;
}

QList<NamedFile> exportOutputs(const ExportOptions &o) {
    QList<NamedFile> outputs;
    if (!o.csvPath.isEmpty()) outputs.append({QStringLiteral("--csv"), o.csvPath});
    if (!o.plotPath.isEmpty()) outputs.append({QStringLiteral("--plot"), o.plotPath});
    if (!o.reportPath.isEmpty()) outputs.append({QStringLiteral("--report"), o.reportPath});
    if (!o.statsPath.isEmpty()) outputs.append({QStringLiteral("--stats"), o.statsPath});
    if (!o.saveProjectPath.isEmpty()) outputs.append({QStringLiteral("--save-project"), o.saveProjectPath});
    return outputs;
}

QString exportOutputConflict(const ExportOptions &o) { return sameFileConflict(exportInputs(o), exportOutputs(o)); }

// Nothing is written for a range without records: an empty file would pass for a result.
QString noRecordInRange(const ExportOptions &o, int records, const QString &firstTime, const QString &lastTime) {
    QString text = QStringLiteral("brinewick-export: no record of \"%1\" lies").arg(o.logFile);
    if (!o.from.isEmpty()) text += QStringLiteral(" from %1").arg(o.from);
    if (!o.to.isEmpty()) text += QStringLiteral(" to %1").arg(o.to);
    if (records > 0) text += QStringLiteral(" (its records run from %1 to %2)").arg(firstTime, lastTime);
    return text + QStringLiteral("; nothing was written.");
}

QString reversedRangeError(const ExportOptions &o) {
    if (o.from.isEmpty() || o.to.isEmpty() || *dt::parse(o.from) <= *dt::parse(o.to)) return {};
    return QStringLiteral("--from \"%1\" is later than --to \"%2\"; nothing was written.").arg(o.from, o.to);
}

void applyCalibrationOptions(const ExportOptions &o, Calibration &c) {
    for (std::size_t i = 0; i < 2; ++i) {
        if (o.slope[i]) c.slope[i] = *o.slope[i];
        if (o.offset[i]) c.offset[i] = *o.offset[i];
        if (o.corr[i]) c.corr[i] = *o.corr[i];
    }
    c.thermistor = o.thermistor;
    for (std::size_t i = 0; i < 3; ++i)
        if (o.thermCorr[i]) c.thermistorCorr[i] = *o.thermCorr[i];
}

QString missingSegmentError(const ExportOptions &o, int segments) {
    if (o.segment <= segments) return {};
    return QStringLiteral("brinewick-export: --segment %1: \"%2\" has %3; nothing was written.")
        .arg(o.segment)
        .arg(o.logFile, segments == 1 ? QStringLiteral("1 calibration segment")
                                      : QStringLiteral("%1 calibration segments").arg(segments));
}

QString applyCalibrationOptions(const ExportOptions &o, Workbench &wb) {
    const int n = int(wb.segments().size());
    if (QString error = missingSegmentError(o, n); !error.isEmpty()) return error;
    for (int i = 0; i < n; ++i) {
        if (o.segment > 0 && i != o.segment - 1) continue;
        CalibrationSegment s = wb.segments()[std::size_t(i)];
        applyCalibrationOptions(o, s.calibration);
        wb.setSegmentCalibration(i, s.calibration, s.origin);
    }
    return {};
}

MsgAnswer StderrInteraction::message(const QString &text, const QString &, MsgButtons buttons, MsgIcon) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (buttons == MsgButtons::YesNo) {
        const MsgAnswer answer = m_answerNo ? MsgAnswer::No : MsgAnswer::Yes;
        if (answer == MsgAnswer::No) m_answeredNo = true;
        printError(line + (answer == MsgAnswer::No ? QStringLiteral(" No") : QStringLiteral(" Yes")));
        return answer;
    }
    printError(line);
    return MsgAnswer::Ok;
}

namespace {
thread_local CapturedOutput *t_capture = nullptr;
}

void printError(const QString &text) {
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    if (t_capture) return t_capture->add(false, bytes);
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void printOutput(const QString &text) {
    const QByteArray bytes = text.toLocal8Bit();
    if (t_capture) return t_capture->add(true, bytes);
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
}

void CapturedOutput::add(bool toStdout, const QByteArray &bytes) {
    if (bytes.isEmpty()) return;
    if (!chunks.empty() && chunks.back().first == toStdout)
        chunks.back().second += bytes;
    else
        chunks.emplace_back(toStdout, bytes);
}

void CapturedOutput::flush() {
    for (const auto &[toStdout, bytes] : chunks) {
        std::FILE *stream = toStdout ? stdout : stderr;
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
        std::fflush(stream);
    }
    chunks.clear();
}

OutputCapture::OutputCapture(CapturedOutput &into) : m_previous(t_capture) { t_capture = &into; }

OutputCapture::~OutputCapture() { t_capture = m_previous; }

std::variant<ExportOptions, int> startOptions(int argc, char **argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    const ParsedOptions parsed = parseExportArgs(args);
    if (!parsed.options) {
        printError(QStringLiteral("brinewick-export: ") + parsed.error + QStringLiteral(" (see --help)"));
        return kExitUsage;
    }
    ExportOptions o = *parsed.options;
    if (o.help) {
        printOutput(exportUsage());
        return kExitOk;
    }
    if (o.version) {
        printOutput(exportVersionText() + u'\n');
        return kExitOk;
    }
    if (const QString reversed = reversedRangeError(o); !reversed.isEmpty()) {
        printError(QStringLiteral("brinewick-export: ") + reversed);
        return kExitFailed;
    }
    if (const QString error = readVisitsOption(o); !error.isEmpty()) {
        printError(QStringLiteral("brinewick-export: ") + error);
        return kExitFailed;
    }
    return o;
}
