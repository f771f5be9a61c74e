#pragma once
// Fouling and drift corrections prorated between service visits, and the grade of each record,
// as U.S. Geological Survey records of continuous water quality are computed (Wagner, R.J.,
// Boulger, R.W., Oblinger, C.J., and Smith, B.A., 2006, Guidelines and standard procedures for
// continuous water-quality monitors, USGS Techniques and Methods 1-D3).
#include "corrections/servicevisits.h"

#include <QString>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

// Worst last: a day's grade is the largest of its records'.
enum class Grade : std::uint8_t { None = 0, Excellent, Good, Fair, Poor, NotReported };
// "Excellent" ... "Poor", "Not reported"; empty for None.
QString gradeText(Grade grade);

// The pH rows of the guidelines' table of accuracy ratings (Excellent <= +/-0.2 pH unit, Good
// > 0.2-0.5, Fair > 0.5-0.8, Poor > 0.8) and their maximum allowable limit for reporting
// (+/-2 pH units). A sum equal to a bound takes the better grade.
struct GradeLimits {
    double excellent = 0.2, good = 0.5, fair = 0.8, maxAllowable = 2.0;
    bool operator==(const GradeLimits &) const = default;
};
Grade gradeOf(double totalCorrection, const GradeLimits &limits);

struct CorrectionSettings {
    GradeLimits limits{};
    // Records before the first visit take the first visit's whole correction, those after the
    // last the last's; without it they get none.
    bool carryOn = false;
    bool operator==(const CorrectionSettings &) const = default;
};

struct Correction {
    double fouling = 0, drift = 0;
    Grade grade = Grade::None;
    double total() const { return fouling + drift; }
};

// One probe's corrections at any record, from its visits.
class ProbeCorrector {
public:
    ProbeCorrector() = default;
    ProbeCorrector(const std::vector<ServiceVisit> &visitsOfProbe, const CorrectionSettings &settings);
    bool active() const { return !m_visits.empty(); }
    // Between visits t0 and t1 (t0 < t <= t1): minus each error at t1 times (t - t0) / (t1 - t0).
    // A pH that is no number gets no correction and no grade.
    Correction at(double day, double ph) const;
    // The corrected pH: empty (NaN) when not reported.
    static double corrected(double ph, const Correction &c);

private:
    // Inline in the one file that defines them, so that a table's rows run without a call each.
    friend void correctRows(const ProbeCorrector &, std::span<const double>, std::span<const double>,
                            struct ProbeCorrections &, std::size_t);
    // The index of the first visit at or after `day`, looked for first at `hint` and the next.
    std::size_t laterVisit(double day, std::size_t hint) const;
    // at() with that index known.
    Correction atVisit(double day, double ph, std::size_t laterIndex) const;

    std::vector<ServiceVisit> m_visits;
    std::vector<double> m_periodMs;  // [k]: from visit k - 1 to visit k in whole milliseconds
    CorrectionSettings m_settings;
    std::array<double, 4> m_bounds{};  // the limits with gradeOf's slack, for a row's grade without branches
};

// A probe's corrections of a table's rows: the total correction (NaN without pH) and the grade.
struct ProbeCorrections {
    std::vector<double> correction;
    std::vector<Grade> grade;
    bool empty() const { return grade.empty(); }
    double corrected(std::size_t row, double ph) const {
        return grade[row] == Grade::NotReported ? std::numeric_limits<double>::quiet_NaN() : ph + correction[row];
    }
};
// Rows from..days.size() of `out` (resized to days' size) worked out.
void correctRows(const ProbeCorrector &corrector, std::span<const double> days, std::span<const double> ph,
                 ProbeCorrections &out, std::size_t from = 0);

// Records per grade, None first.
using GradeCounts = std::array<int, 6>;
GradeCounts countGrades(const std::vector<Grade> &grades);

// The lowest grade of each day's records (days by their date), in date order.
struct DailyGrade {
    double date = 0;  // the day's midnight
    Grade grade = Grade::None;
};
std::vector<DailyGrade> dailyGrades(std::span<const double> days, const std::vector<Grade> &grades);
