#pragma once

#include <QTimer>
#include <cstdio>
#include <ctime>
#include <utility>

// Prints the monotonic clock once the event that paints the window's first frame has been
// handled in full: children drawn and the frame flushed to the screen.
inline void reportFirstFrame() {
    static bool scheduled = false;
    if (std::exchange(scheduled, true))
        return;
    QTimer::singleShot(0, [] {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::printf("frame %lld\n",
                    static_cast<long long>(now.tv_sec) * 1'000'000'000LL + now.tv_nsec);
        std::fflush(stdout);
    });
}
