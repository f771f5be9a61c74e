#pragma once
// Count, mean, sum of squared deviations, min and max of a run of values: the statistics' unit,
// shared by the index of a whole table and the statistics of a stream of rows.
#include <algorithm>
#include <cmath>
#include <limits>

struct Moments {
    int count = 0;
    double mean = 0, m2 = 0, min = 0, max = 0;

    // One value more (Welford's update).
    void add(double x) {
        if (count == 0) {
            min = max = x;
        } else {
            min = std::min(min, x);
            max = std::max(max, x);
        }
        ++count;
        const double d = x - mean;
        mean += d / count;
        m2 += d * (x - mean);
    }

    // The values of `o` after these.
    void merge(const Moments &o) {
        if (o.count == 0) return;
        if (count == 0) {
            *this = o;
            return;
        }
        // Pairwise combination keeps the variance exact where sums of squares would cancel.
        const double n = double(count) + o.count, d = o.mean - mean;
        mean += d * o.count / n;
        m2 += o.m2 + d * d * (double(count) * o.count / n);
        count += o.count;
        min = std::min(min, o.min);
        max = std::max(max, o.max);
    }
};

// The moments of N series of a block, each series in row order as ever (sum, then squared
// deviations from the mean) so the results do not depend on this loop's shape; the series go
// side by side only so that their sums' additions overlap instead of waiting on each other.
template <int N>
void blockMoments(const double *const *x, int m, Moments *out) {
    double sum[N], lo[N], hi[N], m2[N], mean[N];
    int count[N];
#pragma GCC unroll 8
    for (int s = 0; s < N; ++s) {
        sum[s] = m2[s] = 0;
        lo[s] = std::numeric_limits<double>::infinity();
        hi[s] = -std::numeric_limits<double>::infinity();
        count[s] = 0;
    }
    for (int k = 0; k < m; ++k) {
#pragma GCC unroll 8
        for (int s = 0; s < N; ++s) {
            const double y = x[s][k];
            const bool has = y == y;
            // A missing value adds +0, which leaves a sum that starts at +0 unchanged.
            sum[s] += has ? y : 0.0;
            count[s] += has;
            // Strict comparisons keep the first of equal values (+0 before -0), as std::min did.
            lo[s] = y < lo[s] ? y : lo[s];
            hi[s] = y > hi[s] ? y : hi[s];
        }
    }
#pragma GCC unroll 8
    for (int s = 0; s < N; ++s) mean[s] = count[s] > 0 ? sum[s] / count[s] : 0.0;
    for (int k = 0; k < m; ++k) {
#pragma GCC unroll 8
        for (int s = 0; s < N; ++s) {
            const double y = x[s][k];
            const double d = y - mean[s];
            m2[s] += y == y ? d * d : 0.0;
        }
    }
#pragma GCC unroll 8
    for (int s = 0; s < N; ++s) {
        Moments &o = out[s];
        o = {};
        if (count[s] == 0) continue;
        o.count = count[s];
        o.mean = mean[s];
        o.m2 = m2[s];
        o.min = lo[s];
        o.max = hi[s];
    }
}
