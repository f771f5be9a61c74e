#include "model/clsplotset.h"

void clsPlotSet::Clear() {
    for (int i = 0; i < kSlots; ++i) {
        m_fields[i] = 0;
        m_colors[i] = 0;
        m_names[i].clear();
    }
    m_count = 0;
}

void clsPlotSet::add(int datafieldindex, const QString &plotname, std::uint32_t color) {
    if (m_count == kSlots) return;
    const int slot = m_count++;
    m_names[slot] = plotname;
    m_fields[slot] = datafieldindex;
    m_colors[slot] = color;
}

void clsPlotSet::setplotname(int plotindex, const QString &vData) {
    if (inRange(plotindex)) m_names[plotindex] = vData;
}

QString clsPlotSet::plotname(int index) const { return inRange(index) ? m_names[index] : QString(); }

void clsPlotSet::setdatafieldindex(int plotindex, int vData) {
    if (inRange(plotindex)) m_fields[plotindex] = vData;
}

int clsPlotSet::datafieldindex(int plotindex) const { return inRange(plotindex) ? m_fields[plotindex] : -1; }

void clsPlotSet::setcolorindex(int plotindex, std::int16_t vData) {
    // The 16-bit value is stored sign-extended.
    if (inRange(plotindex)) m_colors[plotindex] = std::uint32_t(std::int32_t(vData));
}

std::int64_t clsPlotSet::colorindex(int plotindex) const {
    return inRange(plotindex) ? std::int64_t(m_colors[plotindex]) : -1;
}
