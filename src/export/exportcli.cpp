#include "export/exportcli.h"

#include "model/clsdataset.h"
#include "model/datatable.h"

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
    case Kind::ThermCorr: o.thermCorr[std::size_t(opt.index)] = *v; break;
    default: break;
    }
    return true;
}

ParsedOptions usageError(const QString &why) { return {std::nullopt, why}; }

}  // namespace

ParsedOptions parseExportArgs(const QStringList &args) {
    ExportOptions o;
    QStringList files;
    bool onlyFiles = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        if (onlyFiles || !arg.startsWith(u"--")) {
            if (!onlyFiles && arg.startsWith(u'-') && arg != u"-")
                return usageError(QStringLiteral("unknown option %1").arg(arg));
            files << arg;
            continue;
        }
        if (arg == u"--") {
            onlyFiles = true;
            continue;
        }
        if (arg == u"--help") {
            o.help = true;
            continue;
        }
        if (arg == u"--version") {
            o.version = true;
            continue;
        }

        // "--name value" or "--name=value"
        QString value;
        bool inlineValue = false;
        if (const qsizetype eq = arg.indexOf(u'='); eq > 0) {
            value = arg.mid(eq + 1);
            arg.truncate(eq);
            inlineValue = true;
        }
        const NumberOption *number = nullptr;
        for (const NumberOption &n : kNumberOptions)
            if (arg == QLatin1String(n.name)) number = &n;
        const bool known = number || arg == u"--csv" || arg == u"--plot" || arg == u"--on-bad-date";
        if (!known) return usageError(QStringLiteral("unknown option %1").arg(arg));
        if (!inlineValue) {
            if (i + 1 >= args.size()) return usageError(QStringLiteral("%1 needs a value").arg(arg));
            value = args[++i];
        }

        QString error;
        if (number) {
            if (!applyNumber(o, *number, value, error)) return usageError(error);
        } else if (arg == u"--csv") {
            if (value.isEmpty()) return usageError(QStringLiteral("--csv needs a file name or -"));
            o.csvPath = value;
        } else if (arg == u"--plot") {
            const QString suffix = value.section(u'.', -1).toLower();
            if (!value.contains(u'.') || (suffix != u"png" && suffix != u"pdf" && suffix != u"svg"))
                return usageError(
                    QStringLiteral("--plot needs a file name ending in .png, .pdf or .svg, not \"%1\"").arg(value));
            o.plotPath = value;
        } else {
            if (value != u"continue" && value != u"stop")
                return usageError(QStringLiteral("--on-bad-date takes continue or stop, not \"%1\"").arg(value));
            o.stopOnBadDate = value == u"stop";
        }
    }
    if (o.help || o.version) return {o, {}};
    if (files.isEmpty()) return usageError(QStringLiteral("no log file given"));
    if (files.size() > 1) return usageError(QStringLiteral("one log file at a time, not %1").arg(files.size()));
    if (o.csvPath.isEmpty() && o.plotPath.isEmpty())
        return usageError(QStringLiteral("nothing to write: give --csv or --plot"));
    if (o.plotPath == o.csvPath) return usageError(QStringLiteral("--csv and --plot name the same file"));
    o.logFile = files.first();
    return {o, {}};
}

QString exportUsage() {
    return QStringLiteral(
        "Usage: brinewick-export [OPTIONS] LOGFILE\n"
        "Reads a probe log, computes pH-1 and pH-2 and writes the table and/or the plot.\n"
        "\n"
        "  --csv FILE          write the computed table as CSV (\"-\" for standard output)\n"
        "  --plot FILE         write the plot; .png, .pdf or .svg by the file's extension\n"
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
        "(the outputs hold the records before it computed).\n");
}

QString exportVersionText() { return QStringLiteral("brinewick-export ") + kAppVersion; }

std::pair<ProbeInputs, ProbeInputs> probeInputsFor(const clsDataSet &ds, const ExportOptions &o) {
    // The window shows the file's values in its fields in their general text form and reads
    // them back from there: the same round trip gives the same pH to the last digit.
    const auto viaField = [](double v) { return readNumber(generalNumberText(v)).value_or(v); };
    const double slopes[2] = {viaField(ds.pH1_Slope()), viaField(ds.pH2_Slope())};
    const double offsets[2] = {viaField(ds.pH1_Offset()), viaField(ds.pH2_Offset())};
    ProbeInputs p[2];
    for (int i = 0; i < 2; ++i) {
        p[i].slope = o.slope[i].value_or(slopes[i]);
        p[i].offset = o.offset[i].value_or(offsets[i]);
        p[i].corr = o.corr[i].value_or(0.0);
        p[i].thermistor = o.thermistor[std::size_t(i)];
        p[i].thermCorr = o.thermCorr[std::size_t(p[i].thermistor)];
    }
    return {p[0], p[1]};
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
