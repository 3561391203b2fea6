// DDE open latency under Wine against the DDEML link peer, and the failed open with no
// server, printed beside their targets.

#include "peerprocess.h"
#include "platform/win32/ddeconversations.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using ostrane::platform::win32::DdeConversations;
using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

constexpr int rounds = 1'000;

struct Summary {
    double p50 = 0;
    double p99 = 0;
    double max = 0;
    int failures = 0;
};

// Times `open` `rounds` times; `open` says whether it gave what it should.
Summary measure(const std::function<bool()>& open, const std::function<void()>& after) {
    std::vector<double> samples;
    samples.reserve(rounds);
    Summary summary;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        if (!open())
            ++summary.failures;
        samples.push_back(Micros(Clock::now() - start).count());
        after();
    }
    std::sort(samples.begin(), samples.end());
    summary.p50 = samples[samples.size() / 2];
    summary.p99 = samples[samples.size() * 99 / 100];
    summary.max = samples.back();
    return summary;
}

void print(const char* what, const Summary& s, const char* target) {
    std::printf("%-34s %9.1f %9.1f %9.1f   %-24s", what, s.p50, s.p99, s.max, target);
    if (s.failures != 0)
        std::printf(" (%d unexpected results)", s.failures);
    std::printf("\n");
}

} // namespace

int main() {
    DdeConversations conversations;
    if (!conversations.initialised()) {
        std::fprintf(stderr, "DDEML did not start\n");
        return 1;
    }

    const Summary noServer = measure([&] { return !conversations.open("QV-spc", "PLAY"); }, [] {});

    Summary opens;
    {
        ostrane::wintest::LinkPeer peer;
        if (!peer.ready()) {
            std::fprintf(stderr, "the link peer never became ready\n");
            return 1;
        }
        std::optional<ostrane::platform::Conversation> open;
        opens = measure([&] { return (open = conversations.open("QV-spc", "PLAY")).has_value(); },
                        [&] {
                            if (open)
                                conversations.close(*open);
                        });
    }

    std::printf("DDE under Wine, %d rounds each, times in microseconds\n\n", rounds);
    std::printf("%-34s %9s %9s %9s   %s\n", "", "p50", "p99", "max", "target");
    print("DDE open to accepted (then close)", opens, "(none)");
    print("DDE failed open, no server", noServer, "(none)");
    return 0;
}
