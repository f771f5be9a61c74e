#include "corrections/corrections.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>

QString gradeText(Grade grade) {
    switch (grade) {
    case Grade::Excellent: return QStringLiteral("Excellent");
    case Grade::Good: return QStringLiteral("Good");
    case Grade::Fair: return QStringLiteral("Fair");
    case Grade::Poor: return QStringLiteral("Poor");
    case Grade::NotReported: return QStringLiteral("Not reported");
    case Grade::None: break;
    }
    return {};
}

namespace {
// A sum is made of corrections that were themselves rounded; a hair over a bound is on it.
constexpr double kGradeSlack = 1e-9;

std::array<double, 4> gradeBounds(const GradeLimits &l) {
    return {l.excellent + kGradeSlack, l.good + kGradeSlack, l.fair + kGradeSlack, l.maxAllowable + kGradeSlack};
}

// Each bound passed is one grade worse; no branch, as it runs for every row.
inline Grade gradeByBounds(double total, const std::array<double, 4> &b) {
    return Grade(int(Grade::Excellent) + (total > b[0]) + (total > b[1]) + (total > b[2]) + (total > b[3]));
}
}  // namespace

Grade gradeOf(double total, const GradeLimits &limits) {
    return std::isnan(total) ? Grade::None : gradeByBounds(total, gradeBounds(limits));
}

namespace {
constexpr double kMsPerDay = 86400.0 * 1000.0;

// Whole milliseconds, halves away from zero: a cast, not std::round's library call, which costs a
// million rows a third of their time. Any period is far within 2^63 ms.
inline double corrWholeMs(double days) {
    const double x = days * kMsPerDay;
    return double(std::int64_t(x + std::copysign(0.5, x)));
}
}  // namespace

ProbeCorrector::ProbeCorrector(const std::vector<ServiceVisit> &visits, const CorrectionSettings &settings)
    : m_visits(visits), m_settings(settings) {
    std::stable_sort(m_visits.begin(), m_visits.end(),
                     [](const ServiceVisit &a, const ServiceVisit &b) { return a.day < b.day; });
    m_periodMs.resize(m_visits.size());
    for (std::size_t k = 1; k < m_visits.size(); ++k)
        m_periodMs[k] = corrWholeMs(m_visits[k].day - m_visits[k - 1].day);
    m_bounds = gradeBounds(settings.limits);
}

inline std::size_t ProbeCorrector::laterVisit(double day, std::size_t hint) const {
    // Rows in time order keep the visit of the row before, or move on by one.
    const std::size_t n = m_visits.size();
    for (std::size_t k = hint; k <= n && k <= hint + 1; ++k)
        if ((k == n || !(m_visits[k].day < day)) && (k == 0 || m_visits[k - 1].day < day)) return k;
    return std::size_t(std::lower_bound(m_visits.begin(), m_visits.end(), day,
                                        [](const ServiceVisit &v, double d) { return v.day < d; }) -
                       m_visits.begin());
}

inline Correction ProbeCorrector::atVisit(double day, double ph, std::size_t laterIndex) const {
    Correction c;
    // The visit that ends the record's period: the first at or after it.
    const auto later = m_visits.begin() + std::ptrdiff_t(laterIndex);
    double fraction = 1;
    const ServiceVisit *visit = nullptr;
    if (later == m_visits.begin() || later == m_visits.end() || std::isnan(day)) {
        if (m_settings.carryOn && !std::isnan(day))
            visit = later == m_visits.end() ? &m_visits.back() : &m_visits.front();
    } else {
        visit = &*later;
        // In whole milliseconds: decimal days carry rounding that a period of minutes would show.
        const double t0 = (later - 1)->day;
        fraction = corrWholeMs(day - t0) / m_periodMs[laterIndex];
    }
    if (visit) {
        c.fouling = -visit->foulingError * fraction;
        c.drift = -visit->driftErrorAt(ph) * fraction;
    }
    c.grade = gradeByBounds(std::fabs(c.fouling) + std::fabs(c.drift), m_bounds);
    return c;
}

Correction ProbeCorrector::at(double day, double ph) const {
    if (std::isnan(ph) || m_visits.empty()) return {};
    return atVisit(day, ph, laterVisit(day, 0));
}

double ProbeCorrector::corrected(double ph, const Correction &c) {
    return c.grade == Grade::NotReported ? std::numeric_limits<double>::quiet_NaN() : ph + c.total();
}

void correctRows(const ProbeCorrector &corrector, std::span<const double> days, std::span<const double> ph,
                 ProbeCorrections &out, std::size_t from) {
    const std::size_t n = days.size();
    out.correction.resize(n);
    out.grade.resize(n);
    std::size_t later = 0;
    for (std::size_t r = from; r < n; ++r) {
        const double v = r < ph.size() ? ph[r] : std::numeric_limits<double>::quiet_NaN();
        Correction c;
        if (!std::isnan(v) && corrector.active())
            c = corrector.atVisit(days[r], v, later = corrector.laterVisit(days[r], later));
        out.correction[r] = c.grade == Grade::None ? std::numeric_limits<double>::quiet_NaN() : c.total();
        out.grade[r] = c.grade;
    }
}

GradeCounts countGrades(const std::vector<Grade> &grades) {
    GradeCounts counts{};
    for (Grade g : grades) ++counts[std::size_t(g)];
    return counts;
}

std::vector<DailyGrade> dailyGrades(std::span<const double> days, const std::vector<Grade> &grades) {
    std::map<double, Grade> byDate;
    Grade *day = nullptr;  // the last row's day: rows in time order look no further
    double date = std::numeric_limits<double>::quiet_NaN();
    for (std::size_t r = 0; r < std::min(days.size(), grades.size()); ++r) {
        if (grades[r] == Grade::None || std::isnan(days[r])) continue;
        if (std::floor(days[r]) != date) {
            date = std::floor(days[r]);
            day = &byDate.try_emplace(date, grades[r]).first->second;
        }
        *day = std::max(*day, grades[r]);
    }
    std::vector<DailyGrade> out;
    out.reserve(byDate.size());
    for (const auto &[date, grade] : byDate) out.push_back({date, grade});
    return out;
}
