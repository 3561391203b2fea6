#pragma once

#include <QTimer>
#include <cstdio>
#include <ctime>
#include <utility>

// Prints the monotonic clock and the CPU time the process has used, every thread's, once the
// event that paints the window's first frame has been handled in full: children drawn and
// the frame flushed to the screen.
inline void reportFirstFrame() {
    static bool scheduled = false;
    if (std::exchange(scheduled, true))
        return;
    QTimer::singleShot(0, [] {
        auto nanoseconds = [](clockid_t clock) {
            timespec now{};
            clock_gettime(clock, &now);
            return static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec;
        };
        std::printf("frame %lld %lld\n", nanoseconds(CLOCK_MONOTONIC),
                    nanoseconds(CLOCK_PROCESS_CPUTIME_ID));
        std::fflush(stdout);
    });
}
