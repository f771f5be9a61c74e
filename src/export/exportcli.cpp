#include "export/exportcli.h"

#include "export/csvexport.h"
#include "model/clsdataset.h"
#include "model/datatable.h"
#include "model/datetime.h"

#include <QCommandLineParser>
#include <cmath>
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

ParsedOptions parseExportArgs(const QStringList &args) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    QStringList known = {QStringLiteral("help"), QStringLiteral("version")};
    parser.addOption(QCommandLineOption(QStringLiteral("help")));
    parser.addOption(QCommandLineOption(QStringLiteral("version")));
    QStringList valued = {QStringLiteral("csv"),   QStringLiteral("plot"), QStringLiteral("on-bad-date"),
                          QStringLiteral("stats"), QStringLiteral("from"), QStringLiteral("to")};
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

    QString error;
    for (const NumberOption &n : kNumberOptions) {
        const QString name = QLatin1String(n.name + 2);
        if (parser.isSet(name) && !applyNumber(o, n, parser.value(name), error)) return usageError(error);
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
    }
    if ((!o.from.isEmpty() || !o.to.isEmpty()) && o.statsPath.isEmpty())
        return usageError(QStringLiteral("--from and --to go with --stats"));
    if (parser.isSet(QStringLiteral("on-bad-date"))) {
        const QString value = parser.value(QStringLiteral("on-bad-date"));
        if (value != u"continue" && value != u"stop")
            return usageError(QStringLiteral("--on-bad-date takes continue or stop, not \"%1\"").arg(value));
        o.stopOnBadDate = value == u"stop";
    }

    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) return usageError(QStringLiteral("no log file given"));
    if (files.size() > 1) return usageError(QStringLiteral("one log file at a time, not %1").arg(files.size()));
    if (o.csvPath.isEmpty() && o.plotPath.isEmpty() && o.statsPath.isEmpty())
        return usageError(QStringLiteral("nothing to write: give --csv, --plot or --stats"));
    if (!o.plotPath.isEmpty() && o.plotPath == o.csvPath)
        return usageError(QStringLiteral("--csv and --plot name the same file"));
    if (!o.statsPath.isEmpty() && (o.statsPath == o.csvPath || o.statsPath == o.plotPath))
        return usageError(o.statsPath == kStdoutPath ? QStringLiteral("only one output can go to standard output")
                                                     : QStringLiteral("--stats names the same file as another output"));
    o.logFile = files.first();
    return {o, {}};
}

QString exportUsage() {
    return QStringLiteral(
        "Usage: brinewick-export [OPTIONS] LOGFILE\n"
        "Reads a probe log, computes pH-1 and pH-2 and writes the table, the plot and/or statistics.\n"
        "\n"
        "  --csv FILE          write the computed table as CSV (\"-\" for standard output)\n"
        "  --plot FILE         write the plot; .png, .pdf or .svg by the file's extension\n"
        "  --stats FILE        write the statistics of the records as CSV (\"-\" for standard output):\n"
        "                      count, min, max, mean, sd of pH-1, pH-2, dpH, T1-T3 and flow rate;\n"
        "                      first, last and difference of the total volume\n"
        "  --from DATETIME  --to DATETIME  only the records from/to these times (with --stats),\n"
        "                      e.g. \"5/13/2004 08:00:00\"\n"
        "  --ph1-slope X  --ph1-offset X  --ph1-corr X  --ph1-thermistor 1|2|3\n"
        "  --ph2-slope X  --ph2-offset X  --ph2-corr X  --ph2-thermistor 1|2|3\n"
        "  --therm1-corr X  --therm2-corr X  --therm3-corr X\n"
        "  --on-bad-date continue|stop    answer to the invalid start-date question (default continue)\n"
        "  --help, --version\n"
        "\n"
        "Slopes and offsets not given are those of the file; corrections default to 0, thermistors to 1.\n"
        "Messages go to standard error.\n"
        "Exit status: 0 done, 1 the file could not be read or an output not written, 2 wrong usage,\n"
        "3 stopped at an invalid start date, 4 pH could not be computed for every record\n"
        "(the outputs hold the records before it computed).\n"
        "The CSV table ends with a flags column: D probes disagree, S spike, F flat signal,\n"
        "T thermistors disagree, N no flow, X not computed.\n");
}

QString exportVersionText() { return QStringLiteral("brinewick-export ") + kAppVersion; }

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

void printError(const QString &text) {
    const QByteArray bytes = text.toLocal8Bit() + '\n';
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stderr);
    std::fflush(stderr);
}
