#pragma once
// Small statistics over samples in milliseconds, and the line format of the figures.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace orv::bench {

// The p-th percentile (0..100) by the nearest-rank rule; 0 for no samples.
inline double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const double rank = std::ceil(p / 100.0 * static_cast<double>(v.size()));
    const auto i = static_cast<std::size_t>(std::max(1.0, rank)) - 1;
    return v[std::min(i, v.size() - 1)];
}

inline double median(const std::vector<double>& v) { return percentile(v, 50.0); }

inline double maximum(const std::vector<double>& v) {
    return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
}

inline double mean(const std::vector<double>& v) {
    if (v.empty()) return 0.0;
    double sum = 0.0;
    for (double x : v) sum += x;
    return sum / static_cast<double>(v.size());
}

inline double sum(const std::vector<double>& v) {
    double s = 0.0;
    for (double x : v) s += x;
    return s;
}

inline std::size_t count_above(const std::vector<double>& v, double limit) {
    return static_cast<std::size_t>(std::count_if(v.begin(), v.end(), [&](double x) { return x > limit; }));
}

// "median 0.21 ms p99 0.90 ms max 1.20 ms (n=223)"
inline std::string describe(const std::vector<double>& v) {
    char line[160];
    std::snprintf(line, sizeof line, "median %.3f ms p99 %.3f ms max %.3f ms (n=%zu)", median(v),
                  percentile(v, 99.0), maximum(v), v.size());
    return line;
}

}  // namespace orv::bench
