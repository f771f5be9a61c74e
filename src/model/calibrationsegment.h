#pragma once
// The calibration segments of a log: the header's slopes and offsets hold from its first record
// on, and a calibration line after a record starts another segment at the next record.
#include <algorithm>
#include <array>
#include <vector>

// One segment as the log gives it: the probes' slope and offset for the records from firstRow
// on, up to the next segment's first.
struct FileCalibration {
    int firstRow = 0;
    int line = 0;  // the log's line that started it (the first of a group); 0: the header
    std::array<double, 2> slope{1.0, 1.0}, offset{0.0, 0.0};
};

// The segment of a row: the last one starting at or before it (segments start in row order,
// the first at row 0).
template <class Segment> int segmentOfRow(const std::vector<Segment> &segments, int row) {
    const auto after =
        std::upper_bound(segments.begin(), segments.end(), row, [](int r, const Segment &s) { return r < s.firstRow; });
    return std::max(int(after - segments.begin()) - 1, 0);
}
