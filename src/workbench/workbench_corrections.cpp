// The workbench's service visits and the corrections and grades made from them.
#include "workbench/workbench.h"

#include <algorithm>
#include <cmath>

void Workbench::setServiceVisits(const std::vector<ServiceVisit> &visits, const CorrectionSettings &settings) {
    // Rows no longer past the limit need their aggregates from the tests again; else the tests stand.
    bool failed = false;
    for (const ProbeCorrections &c : m_corrections)
        failed = failed || std::find(c.grade.begin(), c.grade.end(), Grade::NotReported) != c.grade.end();
    m_visits = visits;
    m_correctionSettings = settings;
    if (failed && isOpen() && !m_qc.aggregates.empty())
        runQc();
    else
        runCorrections();
    if (m_plot) m_plot->setComputed(m_computedRows, &m_qc.letters, &m_qc.aggregates);
}

ProbeCorrector Workbench::corrector(int probe) const {
    return ProbeCorrector(visitsOfProbe(m_visits, probe + 1), m_correctionSettings);
}

void Workbench::runCorrections(int from) {
    for (int p = 0; p < 2; ++p) {
        ProbeCorrections &out = m_corrections[std::size_t(p)];
        const ProbeCorrector c = corrector(p);
        if (!isOpen() || !c.active() || m_qc.aggregates.empty()) {
            out = {};
            continue;
        }
        const std::size_t start = from > 0 && std::size_t(from) <= out.grade.size() ? std::size_t(from) : 0;
        correctProbeRows(c, p, openTable(), m_computedRows, start, openTable().days().size(), out, m_qc.aggregates);
    }
}

void Workbench::correctProbeRows(const ProbeCorrector &corrector, int probe, const DataTable &t, int computed,
                                 std::size_t from, std::size_t to, ProbeCorrections &out,
                                 std::span<QcAggregates> aggregates) {
    const int col = probe == 0 ? colPH1 : colPH2;
    const std::span<const double> ph = col < t.colCount() ? t.numbers(col) : std::span<const double>();
    const auto upTo = std::size_t(std::max(computed, 0));
    correctRows(corrector, t.days().first(to), ph.first(std::min({ph.size(), upTo, to})), out, from);
    const int shift = 3 * (probe == 0 ? seriesPH1 : seriesPH2);
    for (std::size_t r = from; r < std::min(to, aggregates.size()); ++r)
        if (out.grade[r] == Grade::NotReported)
            aggregates[r] = QcAggregates((aggregates[r] & ~(7 << shift)) | (qcFail << shift));
}

double Workbench::correctedPH(int probe, int row) const {
    const ProbeCorrections &c = m_corrections[std::size_t(probe)];
    if (row < 0 || std::size_t(row) >= c.grade.size() || c.grade[std::size_t(row)] == Grade::None) return std::nan("");
    return c.corrected(std::size_t(row), openTable().value(row, probe == 0 ? colPH1 : colPH2));
}
