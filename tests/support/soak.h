#pragma once

// The soak: the window sends conversation after conversation, through the conversations main
// gives it, to a player that accepts, refuses or never answers at random.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace ostrane::testing {

struct SoakOptions {
    std::size_t conversations = 100000;
    unsigned seed = 1;
    unsigned hangPerMille = 1;
    unsigned refusePerMille = 300;
    // How many times along the way descriptors and memory are counted.
    int samples = 10;
};

struct SoakSample {
    std::size_t conversations = 0;
    std::size_t descriptors = 0; // entries of /proc/self/fd
    long residentKb = 0;
};

struct SoakFigures {
    std::size_t conversations = 0;
    // The player's own count: "served N accepted A refused R hung H".
    std::string playerCounts;
    std::vector<SoakSample> samples; // the first before any conversation
    // The longest the window's event loop went without running a 10 ms timer.
    double worstGapMs = 0;
    double slowestPressMs = 0;
    double seconds = 0;
};

// Needs a QApplication. `progress` hears each sample as it is taken.
SoakFigures runSoak(const SoakOptions& options,
                    const std::function<void(const SoakSample&)>& progress = {});

} // namespace ostrane::testing
