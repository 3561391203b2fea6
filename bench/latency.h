#pragma once

// The figures of a latency benchmark: percentiles of many timed rounds, printed as one row
// beside the target they are held against.

#include <algorithm>
#include <cstdio>
#include <vector>

namespace ostrane::bench {

struct LatencySummary {
    double p50 = 0;
    double p99 = 0;
    double max = 0;
    int failures = 0;
};

inline LatencySummary summarize(std::vector<double> samples, int failures) {
    if (samples.empty())
        return {.failures = failures};
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples[samples.size() * 99 / 100], samples.back(),
            failures};
}

inline void printLatency(const char* what, const LatencySummary& s, const char* target) {
    std::printf("%-34s %9.1f %9.1f %9.1f   %-24s", what, s.p50, s.p99, s.max, target);
    if (s.failures != 0)
        std::printf(" (%d unexpected results)", s.failures);
    std::printf("\n");
}

} // namespace ostrane::bench
