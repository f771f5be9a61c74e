#pragma once
#include <QString>
#include <array>
#include <cstdint>

// The series the time plot shows: five fixed slots and a fill count.
class clsPlotSet {
public:
    static constexpr int kSlots = 5;
    clsPlotSet() { Clear(); }

    void Clear();
    // Appends an entry; a sixth is dropped without a word.
    void add(int datafieldindex, const QString &plotname, std::uint32_t color);
    int Count() const { return m_count; }

    void setplotname(int plotindex, const QString &vData);
    QString plotname(int index) const;
    void setdatafieldindex(int plotindex, int vData);
    int datafieldindex(int plotindex) const;
    void setcolorindex(int plotindex, std::int16_t vData);
    std::int64_t colorindex(int plotindex) const;

private:
    static bool inRange(int i) { return i >= 0 && i < kSlots; }
    std::array<int, kSlots> m_fields{};
    std::array<QString, kSlots> m_names;
    std::array<std::uint32_t, kSlots> m_colors{};
    int m_count = 0;
};
