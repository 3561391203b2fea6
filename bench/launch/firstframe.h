#pragma once

#include <cstdio>
#include <ctime>

// Prints the monotonic clock once, when the window's first paint has been done.
inline void reportFirstFrame() {
    static bool reported = false;
    if (reported)
        return;
    reported = true;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::printf("frame %lld\n", static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
    std::fflush(stdout);
}
