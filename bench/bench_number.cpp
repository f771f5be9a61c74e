// Reading the numbers of record lines: the classifier's number reader and the record scan's
// against a bare std::from_chars on the same number texts. A hand-written fast path stays out
// unless it beats from_chars by 1.5x here. Then the number text every layer shares: the cells'
// reader and general form, the fields' fixed form, the CSV writer's shortest form.
#include "compute/calibrationreport.h"
#include "fields/formatter.h"
#include "fileio/classifyline.h"
#include "fileio/patternmatcher.h"
#include "fileio/recordscan.h"
#include "loggen.h"
#include "model/numbertext.h"

#include <QList>
#include <benchmark/benchmark.h>
#include <charconv>
#include <vector>

namespace {

// Every number match of a generated log's record lines.
const std::vector<QString> &numberTexts() {
    static const std::vector<QString> texts = [] {
        std::vector<QString> out;
        PatternMatcher number(patterns::kNumber);
        for (const QByteArray &line : generateLog(5000).split('\n')) {
            const QString s = QString::fromLatin1(line).remove(u'"');
            if (s.size() < 9 || s[2] != u':') continue;
            for (bool ok = number.Match(s, 8); ok; ok = number.MatchNext()) out.push_back(number.MatchedText());
        }
        return out;
    }();
    return texts;
}

// The bare conversion, without the range handling of numberValue.
double fromCharsOnly(QStringView text) {
    if (text.startsWith(u'+')) text = text.mid(1);
    char buf[64];
    const qsizetype n = std::min<qsizetype>(text.size(), sizeof buf);
    for (qsizetype i = 0; i < n; ++i) buf[i] = char(text[i].unicode());
    double v = 0;
    std::from_chars(buf, buf + n, v);
    return v;
}

void BM_NumberValue(benchmark::State &state) {
    const auto &texts = numberTexts();
    for (auto _ : state)
        for (const QString &t : texts) benchmark::DoNotOptimize(numberValue(t));
    state.counters["numbers/s"] =
        benchmark::Counter(double(texts.size()) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_NumberValue)->Unit(benchmark::kMicrosecond);

void BM_FromCharsOnly(benchmark::State &state) {
    const auto &texts = numberTexts();
    for (auto _ : state)
        for (const QString &t : texts) benchmark::DoNotOptimize(fromCharsOnly(t));
    state.counters["numbers/s"] =
        benchmark::Counter(double(texts.size()) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FromCharsOnly)->Unit(benchmark::kMicrosecond);

// The same texts as bytes side by side, as the record scan meets them in a file.
struct NumberBytes {
    QByteArray bytes;
    std::vector<std::pair<qsizetype, qsizetype>> spans;  // start and length of each
};
const NumberBytes &numberBytes() {
    static const NumberBytes out = [] {
        NumberBytes n;
        for (const QString &t : numberTexts()) {
            n.spans.emplace_back(n.bytes.size(), t.size());
            n.bytes += t.toLatin1() + ',';
        }
        return n;
    }();
    return out;
}

void BM_RecordNumber(benchmark::State &state) {
    const NumberBytes &n = numberBytes();
    for (auto _ : state)
        for (const auto &[at, size] : n.spans)
            benchmark::DoNotOptimize(recordNumber(n.bytes.data() + at, n.bytes.data() + at + size));
    state.counters["numbers/s"] =
        benchmark::Counter(double(n.spans.size()) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RecordNumber)->Unit(benchmark::kMicrosecond);

void BM_FromCharsOnBytes(benchmark::State &state) {
    const NumberBytes &n = numberBytes();
    for (auto _ : state)
        for (const auto &[at, size] : n.spans) {
            double v = 0;
            std::from_chars(n.bytes.data() + at, n.bytes.data() + at + size, v);
            benchmark::DoNotOptimize(v);
        }
    state.counters["numbers/s"] =
        benchmark::Counter(double(n.spans.size()) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FromCharsOnBytes)->Unit(benchmark::kMicrosecond);

// The values of those texts, for the writers.
const std::vector<double> &numberValues() {
    static const std::vector<double> values = [] {
        std::vector<double> out;
        for (const QString &t : numberTexts()) out.push_back(numberValue(t).value_or(0.0));
        return out;
    }();
    return values;
}

void numbersPerSecond(benchmark::State &state, std::size_t count) {
    state.counters["numbers/s"] = benchmark::Counter(double(count) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_ReadNumber(benchmark::State &state) {
    const auto &texts = numberTexts();
    for (auto _ : state)
        for (const QString &t : texts) benchmark::DoNotOptimize(readNumber(t));
    numbersPerSecond(state, texts.size());
}
BENCHMARK(BM_ReadNumber)->Unit(benchmark::kMicrosecond);

void BM_GeneralNumberText(benchmark::State &state) {
    const auto &values = numberValues();
    for (auto _ : state)
        for (double v : values) benchmark::DoNotOptimize(generalNumberText(v));
    numbersPerSecond(state, values.size());
}
BENCHMARK(BM_GeneralNumberText)->Unit(benchmark::kMicrosecond);

void BM_FixedText(benchmark::State &state) {
    const auto &values = numberValues();
    for (auto _ : state)
        for (double v : values) benchmark::DoNotOptimize(numtext::fixed(v, 4));
    numbersPerSecond(state, values.size());
}
BENCHMARK(BM_FixedText)->Unit(benchmark::kMicrosecond);

void BM_ShortestNumberChars(benchmark::State &state) {
    const auto &values = numberValues();
    char buf[32];
    for (auto _ : state)
        for (double v : values) {
            benchmark::DoNotOptimize(shortestNumberChars(buf, v));
            benchmark::ClobberMemory();
        }
    numbersPerSecond(state, values.size());
}
BENCHMARK(BM_ShortestNumberChars)->Unit(benchmark::kMicrosecond);

// A calibration result as the report prints it: slope and offset in the fields' form.
void BM_CalibrationFieldTexts(benchmark::State &state) {
    const auto &values = numberValues();
    for (auto _ : state)
        for (std::size_t i = 0; i + 1 < values.size(); i += 2)
            benchmark::DoNotOptimize(calibrationFieldTexts(values[i] / 100, values[i + 1] / 1000));
    numbersPerSecond(state, values.size());
}
BENCHMARK(BM_CalibrationFieldTexts)->Unit(benchmark::kMicrosecond);

// The same texts the long way, side by side: the general form through the field's formatter,
// which reads it back and writes the fixed form.
void BM_CalibrationFieldTextsThroughTheFormatter(benchmark::State &state) {
    const auto &values = numberValues();
    const Formatter formatter;
    auto fieldText = [&](double v) {
        QString text = generalNumberText(v);
        formatter.FormatFixedNumeric(text, 0, 4);
        return text;
    };
    for (auto _ : state)
        for (std::size_t i = 0; i + 1 < values.size(); i += 2) {
            benchmark::DoNotOptimize(fieldText(values[i] / 100));
            benchmark::DoNotOptimize(fieldText(values[i + 1] / 1000));
        }
    numbersPerSecond(state, values.size());
}
BENCHMARK(BM_CalibrationFieldTextsThroughTheFormatter)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
