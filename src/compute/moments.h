#pragma once
// Count, mean, sum of squared deviations, min and max of a run of values: the statistics' unit,
// shared by the index of a whole table and the statistics of a stream of rows.
#include <algorithm>
#include <cmath>

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

    // The values x[0..n-1] that are not NaN, in two passes, mean then squared deviations:
    // exact enough, and no division per value.
    static Moments ofBlock(const double *x, int n) {
        Moments mo;
        double sum = 0;
        for (int k = 0; k < n; ++k) {
            if (std::isnan(x[k])) continue;
            if (mo.count == 0) mo.min = mo.max = x[k];
            mo.min = std::min(mo.min, x[k]);
            mo.max = std::max(mo.max, x[k]);
            sum += x[k];
            ++mo.count;
        }
        if (mo.count == 0) return mo;
        mo.mean = sum / mo.count;
        for (int k = 0; k < n; ++k)
            if (!std::isnan(x[k])) mo.m2 += (x[k] - mo.mean) * (x[k] - mo.mean);
        return mo;
    }
};
