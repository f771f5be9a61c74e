#include "qc/qctests.h"
#include "compute/columnvalues.h"
#include "qc/qcletters.h"

#include "model/clsdataset.h"
#include "model/cores.h"
#include "model/datetime.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <future>
#include <map>

namespace {

constexpr double kQcNaN = std::numeric_limits<double>::quiet_NaN();
// pH carries four decimals in binary: 7.2 - 7.0 is 0.2000000000000002, which must not count as
// above a threshold of 0.2 (a value equal to a bound is inside).
constexpr double kQcSlack = 1e-9;
constexpr int kQcChunk = 1024;
const int kQcValueCols[kQcSeries] = {colPH1, colPH2, colTherm1, colTherm2, colTherm3};
const int kQcTempTests[3] = {testGrossRange, testSpike, testFlatLine};
const int kQcCodeOfRank[5] = {9, 2, 1, 3, 4};

// Without branches: noisy values near a threshold would have the processor guess wrong half the
// time. Outside the sensor's span is outside the user's too.
std::uint8_t qcRangeTest(double x, double sensorMin, double sensorMax, double userMin, double userMax) {
    const bool sensor = (x < sensorMin - kQcSlack) | (x > sensorMax + kQcSlack);
    const bool user = (x < userMin - kQcSlack) | (x > userMax + kQcSlack);
    return std::uint8_t(1 + 2 * (user | sensor) + sensor);
}

// Thresholds sensible: the fail threshold at or above the suspect one.
std::uint8_t qcAbove(double d, double fail, double suspect) {
    const bool failed = d > fail + kQcSlack, suspected = d > suspect + kQcSlack;
    return std::uint8_t(1 + 2 * (suspected | failed) + failed);
}

}  // namespace

QcColumn qcColumn(int c) {
    if (c < 2 * kQcTests) return {c / kQcTests, c % kQcTests};
    const int k = c - 2 * kQcTests;
    return {2 + k / 3, kQcTempTests[k % 3]};
}

QString qcSeriesName(int s) {
    static const char *const names[kQcSeries] = {"ph1", "ph2", "t1", "t2", "t3"};
    return QString::fromLatin1(names[std::clamp(s, 0, kQcSeries - 1)]);
}

QString qcSeriesCaption(int s) {
    static const char *const names[kQcSeries] = {"pH-1", "pH-2", "Therm 1", "Therm 2", "Therm 3"};
    return QString::fromLatin1(names[std::clamp(s, 0, kQcSeries - 1)]);
}

QString qcTestName(int t) {
    static const char *const names[kQcTests] = {"gap",         "syntax",          "gross_range",
                                                "climatology", "spike",           "rate_of_change",
                                                "flat_line",   "probe_agreement", "thermistor_agreement"};
    return QString::fromLatin1(names[std::clamp(t, 0, kQcTests - 1)]);
}

QString qcTestCaption(int t) {
    static const char *const names[kQcTests] = {"Gap",         "Syntax",          "Gross range",
                                                "Climatology", "Spike",           "Rate of change",
                                                "Flat line",   "Probe agreement", "Thermistor agreement"};
    return QString::fromLatin1(names[std::clamp(t, 0, kQcTests - 1)]);
}

QString qcColumnName(int c) {
    const QcColumn col = qcColumn(c);
    return QStringLiteral("qc_%1_%2").arg(qcSeriesName(col.series), qcTestName(col.test));
}

QString qcCodeCaption(int code) {
    switch (code) {
    case qcPass: return QStringLiteral("pass");
    case qcNotEvaluated: return QStringLiteral("not evaluated");
    case qcSuspect: return QStringLiteral("suspect");
    case qcFail: return QStringLiteral("fail");
    default: return QStringLiteral("missing");
    }
}

int qcRank(int code) {
    switch (code) {
    case qcFail: return 4;
    case qcSuspect: return 3;
    case qcPass: return 2;
    case qcNotEvaluated: return 1;
    default: return 0;
    }
}

int qcWorse(int a, int b) { return qcRank(a) >= qcRank(b) ? a : b; }

int qcAggregate(QcAggregates packed, int series) { return kQcCodeOfRank[std::min((packed >> (3 * series)) & 7, 4)]; }

int qcWorstPH(QcAggregates packed) { return qcWorse(qcAggregate(packed, seriesPH1), qcAggregate(packed, seriesPH2)); }

void IntervalHistogram::addDays(const double *days, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const double day = days[i];
        if (!std::isfinite(day)) continue;
        if (std::isfinite(m_lastDay)) {
            // Whole milliseconds: the days of equal steps differ in their last bits.
            const long long key = std::llround((day - m_lastDay) * dt::kSecondsPerDay * 1000.0);
            if (key != m_lastKey) {
                m_lastKey = key;
                m_lastCount = &m_counts[key];
            }
            ++*m_lastCount;
            ++m_total;
        }
        m_lastDay = day;
    }
}

double IntervalHistogram::medianSeconds() const {
    if (m_total == 0) return kQcNaN;
    const std::map<long long, long long> sorted(m_counts.begin(), m_counts.end());
    // The middle interval, or the mean of the two middle ones.
    const long long lo = (m_total - 1) / 2, hi = m_total / 2;
    long long seen = 0;
    double a = kQcNaN, b = kQcNaN;
    for (const auto &[key, count] : sorted) {
        if (std::isnan(a) && lo < seen + count) a = double(key);
        if (hi < seen + count) {
            b = double(key);
            break;
        }
        seen += count;
    }
    return (a + b) / 2000.0;
}

double medianIntervalSeconds(const DataTable &t) {
    IntervalHistogram h;
    h.addDays(t.days().data(), std::size_t(t.rowCount()));
    return h.medianSeconds();
}

QcSetup qcSetup(const QcThresholds &th, double medianSeconds) {
    QcSetup s;
    s.th = th;
    s.medianSeconds = medianSeconds;
    if (std::isfinite(medianSeconds) && medianSeconds > 0) {
        // Whole records, rounded down; a hair added so that 1800 / 1.5 stays 1200.
        s.flatSuspect = int(std::min(1e9, std::floor(th.flatSuspectMinutes * 60.0 / medianSeconds + 1e-9)));
        s.flatFail = int(std::min(1e9, std::floor(th.flatFailMinutes * 60.0 / medianSeconds + 1e-9)));
    }
    return s;
}

long long QcRunner::Flat::add(long long row, double x, double tolerance) {
    // Most records differ from the one before by the tolerance or more: the run starts again with
    // them alone, and the queues are made only when a run grows.
    if (start < 0 || std::fabs(x - last) >= tolerance - kQcSlack) {
        start = row;
        last = x;
        single = true;
        return 0;
    }
    if (single) {
        lo.assign(1, {start, last});
        hi.assign(1, {start, last});
        loHead = hiHead = 0;
        single = false;
    }
    last = x;
    while (hi.size() > hiHead && hi.back().value <= x) hi.pop_back();
    hi.push_back({row, x});
    while (lo.size() > loHead && lo.back().value >= x) lo.pop_back();
    lo.push_back({row, x});
    // The run keeps its records whose range stays below the tolerance.
    while (hi[hiHead].value - lo[loHead].value >= tolerance - kQcSlack) {
        ++start;
        while (hi[hiHead].row < start) ++hiHead;
        while (lo[loHead].row < start) ++loHead;
    }
    if (hiHead > 4096 && 2 * hiHead > hi.size()) {
        hi.erase(hi.begin(), hi.begin() + std::ptrdiff_t(hiHead));
        hiHead = 0;
    }
    if (loHead > 4096 && 2 * loHead > lo.size()) {
        lo.erase(lo.begin(), lo.begin() + std::ptrdiff_t(loHead));
        loHead = 0;
    }
    return row - start;
}

void QcRunner::run(const DataTable &t, int row0, int computed, int from, int to, const QcOut &out) {
    if (from >= to) return;
    if (row0 + from != m_next) {
        // Started again far enough back that every test of `from` sees what it looks at.
        const QcSetup setup = m_setup;
        *this = QcRunner(setup);
        const int start = std::max(0, from - std::max(setup.flatSuspect, setup.flatFail) - 2);
        m_next = row0 + start;
        for (int c0 = start; c0 < from; c0 += kQcChunk)
            runChunk(t, row0, computed, c0, std::min(from, c0 + kQcChunk), {});
    }
    for (int c0 = from; c0 < to; c0 += kQcChunk) {
        const std::size_t at = std::size_t(c0 - from);
        QcOut part{out.letters ? out.letters + at : nullptr, out.aggregates ? out.aggregates + at : nullptr,
                   out.tests ? out.tests + at * kQcColumns : nullptr};
        runChunk(t, row0, computed, c0, std::min(to, c0 + kQcChunk), part);
    }
}

void QcRunner::runChunk(const DataTable &t, int row0, int computed, int from, int to, const QcOut &out) {
    const QcThresholds &th = m_setup.th;
    const int n = t.rowCount(), m = to - from, span = std::min(n, to + 1) - from;
    double scratch[kQcSeries + 1][kQcChunk + 1];
    const double *v[kQcSeries];
    for (int s = 0; s < kQcSeries; ++s)
        v[s] = columnRows(t, kQcValueCols[s], from, span, s < 2 ? computed : n, scratch[s]);
    const double *flow = columnRows(t, colFlowRate, from, m, n, scratch[kQcSeries]);
    const double *days = t.days().data() + from;
    const bool hasPH = t.lastCol() >= colPH2;
    // Columns that may hold a cell that is no number: the fields of the line, the computed pH aside.
    const double *odd[64];
    int odds = 0;
    for (int c = 1; c <= t.lastCol() && odds < 64; ++c)
        if (c != colPH1 && c != colPH2 && !t.allNumbers(c)) odd[odds++] = t.numbers(c).data();
    bool climatology = false;
    for (const QcMonthSpan &s : th.climatology) climatology = climatology || s.set;
    const double gapSeconds = th.gapMinutes * 60.0 + 1e-3;  // a step of the limit itself comes out a hair longer
    const double tolerance[kQcSeries] = {th.flatTolerance, th.flatTolerance, th.tFlatTolerance, th.tFlatTolerance,
                                         th.tFlatTolerance};
    const int nS = m_setup.flatSuspect, nF = m_setup.flatFail;
    const double rateSuspect = th.rateSuspectPerHour / 3600.0, rateFail = th.rateFailPerHour / 3600.0;  // per second

    std::uint8_t res[kQcColumns];
    for (int k = 0; k < m; ++k) {
        const int r = from + k;
        const long long abs = row0 + r;
        const double day = days[k];
        const bool gapped =
            std::isfinite(day) && std::isfinite(m_lastDay) && (day - m_lastDay) * dt::kSecondsPerDay > gapSeconds;
        if (std::isfinite(day)) m_lastDay = day;
        const double seconds = (day - m_previousRowDay) * dt::kSecondsPerDay;
        m_previousRowDay = day;
        bool syntax = !std::isfinite(day);
        for (int i = 0; i < odds && !syntax; ++i) syntax = std::isnan(odd[i][r]);
        std::uint8_t climate = qcNotEvaluated;
        if (climatology && std::isfinite(day)) {
            const long long whole = (long long)std::floor(day);
            if (whole != m_monthDay) {
                m_monthDay = whole;
                m_month = dt::toParts(day).month;
            }
            const QcMonthSpan &span = th.climatology[std::size_t(std::clamp(m_month, 1, 12) - 1)];
            if (span.set) climate = qcPass;  // the value decides below
        }
        double tlo = std::numeric_limits<double>::infinity(), thi = -tlo;
        int temps = 0;
        for (int s = 2; s < kQcSeries; ++s)
            if (const double x = v[s][k]; !std::isnan(x)) {
                tlo = std::min(tlo, x);
                thi = std::max(thi, x);
                ++temps;
            }
        const std::uint8_t thermistors = temps < 2                                     ? qcNotEvaluated
                                         : thi - tlo > th.thermistorSuspect + kQcSlack ? qcSuspect
                                                                                       : qcPass;

        FlagMask letters = 0;
        QcAggregates aggregates = 0;
        for (int s = 0; s < kQcSeries; ++s) {
            Series &S = m_series[std::size_t(s)];
            const double x = v[s][k];
            const bool ph = s < 2;
            static constexpr int kFirstColumn[kQcSeries] = {0, kQcTests, 2 * kQcTests, 2 * kQcTests + 3,
                                                            2 * kQcTests + 6};
            std::uint8_t *out = res + kFirstColumn[s];
            if (std::isnan(x)) {
                std::fill(out, out + (ph ? kQcTests : 3), std::uint8_t(qcMissing));
                S.previous = kQcNaN;
                S.flat.start = -1;
                continue;  // rank 0: 9
            }
            const double next = k + 1 < span ? v[s][k + 1] : kQcNaN;
            const bool edge = abs == 0 || k + 1 >= span;
            std::uint8_t spike = qcNotEvaluated;
            if (!edge && !std::isnan(S.previous) && !std::isnan(next)) {
                const double d = std::fabs(x - (S.previous + next) / 2);
                spike = ph ? qcAbove(d, th.spikeFail, th.spikeSuspect) : qcAbove(d, th.tSpikeFail, th.tSpikeSuspect);
            }
            const long long run = S.flat.add(abs, x, tolerance[s]);
            std::uint8_t flat = nS < 1 && nF < 1 ? qcNotEvaluated : qcPass;
            if (nF >= 1 && run >= nF)
                flat = qcFail;
            else if (nS >= 1 && run >= nS)
                flat = qcSuspect;
            const std::uint8_t range = ph ? qcRangeTest(x, th.phSensorMin, th.phSensorMax, th.phUserMin, th.phUserMax)
                                          : qcRangeTest(x, th.tSensorMin, th.tSensorMax, th.tUserMin, th.tUserMax);
            // Each result as it is made: the series' worst so far (the rank of 1, 2, 3, 4 is 2, 1,
            // 3, 4; a value present gives no 9) and the letter of a suspect or failed test.
            int rank = 0;
            auto put = [&](int i, std::uint8_t code, FlagMask letter) {
                out[i] = code;
                rank = std::max(rank, code <= qcNotEvaluated ? 3 - code : int(code));
                if (code >= qcSuspect) letters |= letter;
            };
            if (ph) {
                put(testGap, gapped ? qcFail : qcPass, 0);
                put(testSyntax, syntax ? qcFail : qcPass, 0);
                put(testGrossRange, range, flagRange);
                std::uint8_t c = climate;
                if (c == qcPass) {
                    const QcMonthSpan &span = th.climatology[std::size_t(std::clamp(m_month, 1, 12) - 1)];
                    c = x < span.min - kQcSlack || x > span.max + kQcSlack ? qcSuspect : qcPass;
                }
                put(testClimatology, c, flagClimatology);
                put(testSpike, spike, flagSpike);
                std::uint8_t rate = qcPass;
                if (abs > 0) {
                    if (std::isnan(S.previous) || !(seconds > 0)) {
                        rate = qcNotEvaluated;
                    } else {
                        const double d = std::fabs(x - S.previous);
                        if (rateFail > 0 && d > rateFail * seconds + kQcSlack)
                            rate = qcFail;
                        else if (d > rateSuspect * seconds + kQcSlack)
                            rate = qcSuspect;
                    }
                }
                put(testRateOfChange, rate, 0);
                put(testFlatLine, flat, flagFlat);
                const double other = v[1 - s][k];
                put(testProbeAgreement,
                    std::isnan(other) ? std::uint8_t(qcNotEvaluated)
                                      : qcAbove(std::fabs(x - other), th.probeFail, th.probeSuspect),
                    flagDisagree);
                put(testThermistorAgreement, thermistors, flagThermistors);
            } else {
                put(0, range, flagRange);
                put(1, spike, flagSpike);
                put(2, flat, flagFlat);
            }
            S.previous = x;
            aggregates |= QcAggregates(rank << (3 * s));
        }
        if (flow[k] == 0.0) letters |= flagNoFlow;
        if (r >= computed) letters |= flagNotComputed;
        if (hasPH && r < computed && (std::isnan(v[0][k]) || std::isnan(v[1][k]))) letters |= flagMissing;
        if (gapped) letters |= flagGap;
        if (syntax) letters |= flagSyntax;
        if (out.letters) out.letters[k] = letters;
        if (out.aggregates) out.aggregates[k] = aggregates;
        if (out.tests) std::copy(res, res + kQcColumns, out.tests + std::size_t(k) * kQcColumns);
    }
    m_next = row0 + to;
}

void QcTable::compute(const DataTable &t, int computed, const QcThresholds &th, QcResults &out) {
    const int n = t.rowCount();
    m_histogram = {};
    m_histogram.addDays(t.days().data(), std::size_t(n));
    m_rows = n;
    m_resume = QcRunner(qcSetup(th, m_histogram.medianSeconds()));
    out.letters.assign(std::size_t(n), 0);
    out.aggregates.assign(std::size_t(n), 0);
    runFrom(t, std::clamp(computed, 0, n), 0, out);
}

void QcTable::runFrom(const DataTable &t, int computed, int from, QcResults &out) {
    const int n = t.rowCount();
    if (n == 0) return;
    auto at = [&](int r) { return QcOut{out.letters.data() + r, out.aggregates.data() + r, nullptr}; };
    // A long table in two halves on two cores: the second starts again a window before its first
    // row, which gives its rows what a run from the first record gives them.
    constexpr int kTwoCoreRows = 200000;
    if (n - 1 - from >= kTwoCoreRows && aCoreIsFree()) {
        const int mid = from + (n - 1 - from) / 2;
        QcRunner first = m_resume;
        std::future<void> other =
            std::async(std::launch::async, [&] { first.run(t, 0, computed, from, mid, at(from)); });
        m_resume.run(t, 0, computed, mid, n - 1, at(mid));
        other.get();
    } else {
        m_resume.run(t, 0, computed, from, n - 1, at(from));
    }
    QcRunner last = m_resume;
    last.run(t, 0, computed, n - 1, n, at(n - 1));
}

int QcTable::extend(const DataTable &t, int computed, QcResults &out) {
    const int n = t.rowCount();
    const QcThresholds th = m_resume.setup().th;
    if (n < m_rows || out.letters.size() != std::size_t(m_rows)) {
        compute(t, computed, th, out);
        return 0;
    }
    if (n == m_rows) return n;
    m_histogram.addDays(t.days().data() + m_rows, std::size_t(n - m_rows));
    const QcSetup now = qcSetup(th, m_histogram.medianSeconds());
    if (now.flatSuspect != setup().flatSuspect || now.flatFail != setup().flatFail) {
        compute(t, computed, th, out);
        return 0;
    }
    const int from = std::max(0, m_rows - 1);
    m_rows = n;
    out.letters.resize(std::size_t(n), 0);
    out.aggregates.resize(std::size_t(n), 0);
    runFrom(t, std::clamp(computed, 0, n), from, out);
    return from;
}

std::array<std::uint8_t, kQcColumns> qcRowTests(const DataTable &t, int computed, const QcSetup &setup, int row) {
    std::array<std::uint8_t, kQcColumns> tests{};
    if (row < 0 || row >= t.rowCount()) return tests;
    QcRunner runner(setup);
    runner.run(t, 0, computed, row, row + 1, {nullptr, nullptr, tests.data()});
    return tests;
}

QcCounts countQc(const std::vector<QcAggregates> &aggregates, int first, int last) {
    long long byRank[kQcSeries][8]{};
    last = std::min(last, int(aggregates.size()) - 1);
    for (int r = std::max(first, 0); r <= last; ++r) {
        const QcAggregates a = aggregates[std::size_t(r)];
        for (int s = 0; s < kQcSeries; ++s) ++byRank[s][(a >> (3 * s)) & 7];
    }
    QcCounts c;
    for (int s = 0; s < kQcSeries; ++s)
        for (int rank = 0; rank < 5; ++rank) {
            const auto i =
                std::size_t(std::find(kQcCodes.begin(), kQcCodes.end(), kQcCodeOfRank[rank]) - kQcCodes.begin());
            c.of[std::size_t(s)][i] = byRank[s][rank];
        }
    return c;
}

QString qcCountsText(const QcCounts &c) {
    QStringList lines;
    for (int s = 0; s < kQcSeries; ++s) {
        QStringList parts;
        for (std::size_t i = 0; i < kQcCodes.size(); ++i)
            if (const long long k = c.of[std::size_t(s)][i]) parts << QStringLiteral("%1: %2").arg(kQcCodes[i]).arg(k);
        if (!parts.isEmpty())
            lines << QStringLiteral("%1 \u2014 %2").arg(qcSeriesCaption(s), parts.join(QStringLiteral(", ")));
    }
    return lines.join(u'\n');
}

QcTestCounts countQcTests(const DataTable &t, int computed, const QcSetup &setup, int first, int last) {
    QcTestCounts counts{};
    first = std::max(first, 0);
    last = std::min(last, t.rowCount() - 1);
    QcRunner runner(setup);
    std::vector<std::uint8_t> tests;
    constexpr int kPiece = 16384;
    for (int r = first; r <= last; r += kPiece) {
        const int end = std::min(last + 1, r + kPiece);
        tests.resize(std::size_t(end - r) * kQcColumns);
        runner.run(t, 0, computed, r, end, {nullptr, nullptr, tests.data()});
        for (std::size_t i = 0; i < tests.size(); ++i) {
            const int code = tests[i];
            const auto k = std::size_t(std::find(kQcCodes.begin(), kQcCodes.end(), code) - kQcCodes.begin());
            if (k < kQcCodes.size()) ++counts[i % kQcColumns][k];
        }
    }
    return counts;
}
