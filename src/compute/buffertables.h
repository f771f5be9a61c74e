#pragma once
// Calibration buffers: pH against temperature, tabled from 0 to 50 degrees Celsius.
#include <QStringView>
#include <array>
#include <optional>
#include <span>

inline constexpr std::array<double, 7> kBufferTemperatures = {0, 10, 20, 25, 30, 40, 50};

enum class BufferSet { Standard, Technical, Primary };

struct BufferTable {
    const char *id;     // short key, e.g. "phosphate"
    const char *label;  // what a person picks, e.g. "6.86 phosphate"
    double nominal;     // the pH at 25 degrees
    BufferSet set;
    std::array<double, 7> pH;  // at kBufferTemperatures
};

// Every buffer: the standard set (4.01, 6.86, 9.18), the technical set (4.00, 7.00, 10.01), then
// the primary set (4.005, 6.865, 9.180, 10.012).
std::span<const BufferTable> bufferTables();
// The buffers of a set, acid to base.
std::span<const BufferTable> bufferSet(BufferSet set);
// The buffer with that id or label (case-insensitive), or nullptr.
const BufferTable *findBuffer(QStringView key);

// The buffer's pH at a temperature, linear between table points; nothing outside 0..50
// degrees or for a temperature that is not a number.
std::optional<double> bufferPH(const BufferTable &buffer, double temperature);
