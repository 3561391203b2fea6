// DDE open latency under Wine against the DDEML link peer, and the failed open with no
// server, printed beside their targets.

#include "latency.h"
#include "peerprocess.h"
#include "platform/win32/ddeconversations.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using ostrane::bench::LatencySummary;
using ostrane::bench::printLatency;
using ostrane::bench::summarize;

using ostrane::platform::win32::DdeConversations;
using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

constexpr int rounds = 1'000;

// Times `open` `rounds` times; `open` says whether it gave what it should.
LatencySummary measure(const std::function<bool()>& open, const std::function<void()>& after) {
    std::vector<double> samples;
    samples.reserve(rounds);
    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        if (!open())
            ++failures;
        samples.push_back(Micros(Clock::now() - start).count());
        after();
    }
    return summarize(std::move(samples), failures);
}

} // namespace

int main() {
    DdeConversations conversations;
    if (!conversations.initialised()) {
        std::fprintf(stderr, "DDEML did not start\n");
        return 1;
    }

    const LatencySummary noServer =
        measure([&] { return !conversations.open("QV-spc", "PLAY"); }, [] {});

    LatencySummary opens;
    {
        ostrane::wintest::LinkPeer peer;
        if (!peer.ready()) {
            std::fprintf(stderr, "the link peer never became ready\n");
            return 1;
        }
        std::optional<ostrane::core::Conversation> open;
        opens = measure([&] { return (open = conversations.open("QV-spc", "PLAY")).has_value(); },
                        [&] {
                            if (open)
                                conversations.close(*open);
                        });
    }

    std::printf("DDE under Wine, %d rounds each, times in microseconds\n\n", rounds);
    std::printf("%-34s %9s %9s %9s   %s\n", "", "p50", "p99", "max", "target");
    printLatency("DDE open to accepted (then close)", opens, "(none)");
    printLatency("DDE failed open, no server", noServer, "(none)");
    return 0;
}
