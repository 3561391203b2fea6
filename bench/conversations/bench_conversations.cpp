// Conversation latencies against a real link peer, printed beside their targets.
// Usage: bench_conversations [PEER_BINARY]

#include "latency.h"
#include "platform/unix/conversationsocket.h"
#include "platform/unix/socketconversations.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using ostrane::bench::LatencySummary;
using ostrane::bench::printLatency;
using ostrane::bench::summarize;

using namespace ostrane::platform;
using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

constexpr int rounds = 10'000;

// Times `step` `rounds` times; `step` says whether it did what it should.
LatencySummary measure(const std::function<bool(Clock::time_point&)>& step) {
    std::vector<double> samples;
    samples.reserve(rounds);
    int failures = 0;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        Clock::time_point end;
        if (!step(end)) {
            ++failures;
        }
        samples.push_back(Micros(end - start).count());
    }
    return summarize(std::move(samples), failures);
}

std::optional<std::string> waitForReady(const std::string& output) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        std::ifstream in(output);
        std::string line;
        if (std::getline(in, line) && line.rfind("ready ", 0) == 0 && !in.eof()) {
            return line.substr(6);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    const std::string peerBinary = argc > 1 ? argv[1] : OSTRANE_LINK_PEER;
    char pattern[] = "/tmp/ostrane-bench.XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string runtime = pattern;
    const std::string output = runtime + "/peer.out";
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::string arg0 = peerBinary;
    char* peerArgv[] = {arg0.data(), nullptr};
    pid_t peer = -1;
    if (::posix_spawn(&peer, peerBinary.c_str(), &actions, nullptr, peerArgv, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", peerBinary.c_str());
        std::filesystem::remove_all(runtime);
        return 1;
    }
    posix_spawn_file_actions_destroy(&actions);
    const auto socketPath = waitForReady(output);
    if (!socketPath) {
        std::fprintf(stderr, "the peer never became ready\n");
        ::kill(peer, SIGKILL);
        ::waitpid(peer, nullptr, 0);
        std::filesystem::remove_all(runtime);
        return 1;
    }

    SocketConversations conversations(runtime);
    for (int i = 0; i < 200; ++i) { // warm up caches and the peer
        if (auto c = conversations.open("QV-spc", "PLAY")) {
            conversations.close(*c);
        }
    }
    const LatencySummary opens = measure([&](Clock::time_point& end) {
        const auto conversation = conversations.open("QV-spc", "PLAY");
        end = Clock::now();
        if (conversation) {
            conversations.close(*conversation);
        }
        return conversation.has_value();
    });
    const LatencySummary raw = measure([&](Clock::time_point& end) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, socketPath->data(), socketPath->size());
        const bool connected =
            ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        end = Clock::now();
        ::close(fd);
        return connected;
    });

    ::kill(peer, SIGTERM);
    ::waitpid(peer, nullptr, 0);
    const LatencySummary noServer = measure([&](Clock::time_point& end) {
        const auto conversation = conversations.open("QV-spc", "PLAY");
        end = Clock::now();
        return !conversation.has_value();
    });

    std::printf("%d rounds each, times in microseconds\n\n", rounds);
    std::printf("%-34s %9s %9s %9s   %s\n", "", "p50", "p99", "max", "target");
    printLatency("open to accepted (then close)", opens, "p50 <= 100, p99 <= 1000");
    printLatency("baseline: socket()+connect()", raw, "(none)");
    printLatency("failed open, no server", noServer, "p99 <= 200");
    std::filesystem::remove_all(runtime);
    return 0;
}
