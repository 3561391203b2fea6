// Conversations through the MPRIS bridge to a fake player, in turns with what they are made
// of (a raw sd-bus call to the same player and a conversation with the link peer), and
// `playerctl pause` run as a whole process; the bridge's memory idle and under a player's
// flood of signals, and what unknown topics wait while that flood runs. Needs a session bus:
// scripts/bench runs it under dbus-run-session.
// Usage: bench_mpris_bridge

#include "latency.h"
#include "platform/unix/socketconversations.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using ostrane::bench::LatencySummary;
using ostrane::bench::printLatency;
using ostrane::bench::summarize;
using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

constexpr int rounds = 1'000;
constexpr int processRounds = 100;

struct Timed {
    std::vector<double> samples;
    int failures = 0;

    void time(const std::function<bool()>& step) {
        const auto start = Clock::now();
        if (!step()) {
            ++failures;
        }
        samples.push_back(Micros(Clock::now() - start).count());
    }
    LatencySummary summary() const { return summarize(samples, failures); }
};

LatencySummary measure(int count, const std::function<bool()>& step) {
    Timed timed;
    for (int i = 0; i < count; ++i) {
        timed.time(step);
    }
    return timed.summary();
}

// Starts `args`, its standard output into `output` (or discarded) and its standard input
// from `input` (or nothing); -1 when it cannot.
pid_t spawn(std::vector<std::string> args, const std::string& output = "/dev/null",
            int input = -1) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input >= 0) {
        posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    }
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int failed = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? pid : -1;
}

bool waitForLine(const std::string& file, const std::string& line) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        std::ifstream in(file);
        for (std::string got; std::getline(in, got);) {
            if (got == line) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// A process's resident memory in kilobytes, and its user and system time in seconds.
long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

double cpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14 || i == 15) {
            ticks += std::stoul(field);
        }
    }
    return static_cast<double>(ticks) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double ownCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void stop(pid_t pid) {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
}

} // namespace

int main() {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) {
        std::fprintf(stderr, "no session bus: run under dbus-run-session\n");
        return 1;
    }
    char pattern[] = "/tmp/ostrane-bench.XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string runtime = pattern;
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    int playerInput[2] = {-1, -1};
    if (::pipe2(playerInput, O_CLOEXEC) != 0) {
        std::perror("pipe");
        return 1;
    }
    const pid_t player =
        spawn({OSTRANE_FAKE_PLAYER, "--name", "bench", "--track", "file:///bench.spc"},
              runtime + "/player.out", playerInput[0]);
    const auto playerReady = [&] {
        std::ifstream in(runtime + "/player.out");
        std::string line;
        return std::getline(in, line) && line.starts_with("ready ");
    };
    for (int i = 0; i < 2000 && !playerReady(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const pid_t bridge = spawn({OSTRANE_MPRIS_BRIDGE}, runtime + "/bridge.out");
    const pid_t peer = spawn({OSTRANE_LINK_PEER, "--service", "QV-peer"}, runtime + "/peer.out");
    if (player < 0 || !playerReady() || bridge < 0 ||
        !waitForLine(runtime + "/bridge.out", "player bench") || peer < 0 ||
        !waitForLine(runtime + "/peer.out", "ready " + runtime + "/dde/qv-peer")) {
        std::fprintf(stderr, "the fake player, the bridge or the link peer never became ready\n");
        stop(peer);
        stop(bridge);
        stop(player);
        std::filesystem::remove_all(runtime);
        return 1;
    }
    const long idleKb = residentKb(bridge);

    ostrane::platform::SocketConversations conversations(runtime);
    auto converseWith = [&](const char* service, const char* topic) {
        const auto conversation = conversations.open(service, topic);
        if (conversation) {
            conversations.close(*conversation);
        }
        return conversation.has_value();
    };
    auto converse = [&] { return converseWith("QV-spc", "PAUSE"); };
    auto converseWithPeer = [&] { return converseWith("QV-peer", "PAUSE"); };
    auto raw = [&] {
        sd_bus_message* reply = nullptr;
        sd_bus_error error = SD_BUS_ERROR_NULL;
        const int r =
            sd_bus_call_method(bus, "org.mpris.MediaPlayer2.bench", "/org/mpris/MediaPlayer2",
                               "org.mpris.MediaPlayer2.Player", "Pause", &error, &reply, "");
        sd_bus_error_free(&error);
        sd_bus_message_unref(reply);
        return r >= 0;
    };
    for (int i = 0; i < 100; ++i) { // warm up every path
        converse();
        raw();
        converseWithPeer();
    }
    // Taken in turns, so that all see the same load from the rest of the machine.
    Timed bridged;
    Timed directly;
    Timed socketOnly;
    double bridgeCpu = 0;
    double rawCpu = 0;
    double peerCpu = 0;
    auto cpuOf = [](double& total, pid_t server, const std::function<void()>& step) {
        const double before = cpuSeconds(server) + ownCpuSeconds();
        step();
        total += cpuSeconds(server) + ownCpuSeconds() - before;
    };
    for (int i = 0; i < rounds; ++i) {
        cpuOf(bridgeCpu, bridge, [&] { bridged.time(converse); });
        cpuOf(rawCpu, player, [&] { directly.time(raw); });
        cpuOf(peerCpu, peer, [&] { socketOnly.time(converseWithPeer); });
    }
    const LatencySummary throughBridge = bridged.summary();
    const LatencySummary floor = directly.summary();
    const LatencySummary peerOnly = socketOnly.summary();
    std::optional<LatencySummary> playerctl;
    if (::access("/usr/bin/playerctl", X_OK) == 0) {
        playerctl = measure(processRounds, [] {
            const pid_t pid = spawn({"playerctl", "--player=bench", "pause"});
            int status = 0;
            return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
                   WEXITSTATUS(status) == 0;
        });
    }

    // A player announcing a 60 KB Metadata a hundred times a second, while conversations
    // that need no player come one after another.
    const std::string flood = "flood 2000 100\n";
    const bool flooding =
        ::write(playerInput[1], flood.data(), flood.size()) == static_cast<ssize_t>(flood.size()) &&
        waitForLine(runtime + "/player.out", "done flood 2000 100");
    Timed unknownTopic;
    const auto floodStart = Clock::now();
    while (flooding && Clock::now() - floodStart < std::chrono::seconds(3)) {
        unknownTopic.time([&] { return !converseWith("QV-spc", "HELLO"); });
    }
    const long floodKb = residentKb(bridge);
    const double floodCpu = cpuSeconds(bridge);

    stop(peer);
    stop(bridge);
    ::close(playerInput[1]);
    stop(player);
    sd_bus_flush_close_unref(bus);
    std::filesystem::remove_all(runtime);

    std::printf("%d conversations (PAUSE) each, in turns; times in microseconds\n\n", rounds);
    std::printf("%-34s %9s %9s %9s   %s\n", "", "p50", "p99", "max", "target");
    printLatency("through the bridge, open to answer", throughBridge, "p50 <= 1.1 x (raw + peer)");
    printLatency("raw sd-bus call to the player", floor, "(the floor)");
    printLatency("conversation with the link peer", peerOnly, "(the socket alone)");
    if (playerctl) {
        char what[64];
        std::snprintf(what, sizeof what, "playerctl pause (%d processes)", processRounds);
        printLatency(what, *playerctl, "(what a person runs)");
    } else {
        std::printf("playerctl is not installed: no process timing\n");
    }
    const double wall = [](const Timed& t) {
        double sum = 0;
        for (double sample : t.samples) {
            sum += sample;
        }
        return sum;
    }(bridged);
    std::printf("\nCPU time beside wall time, per conversation (server + this process):\n");
    std::printf(
        "  bridge %.1f us of %.1f us wall; raw call %.1f us of %.1f us; "
        "link peer %.1f us of %.1f us\n",
        bridgeCpu * 1e6 / rounds, wall / rounds, rawCpu * 1e6 / rounds,
        [&] {
            double sum = 0;
            for (double sample : directly.samples) {
                sum += sample;
            }
            return sum / rounds;
        }(),
        peerCpu * 1e6 / rounds,
        [&] {
            double sum = 0;
            for (double sample : socketOnly.samples) {
                sum += sample;
            }
            return sum / rounds;
        }());
    if (floor.p50 > 0 && peerOnly.p50 > 0) {
        std::printf("\nbridge p50 / (raw p50 + link peer p50) = %.2f   (target <= 1.10)\n",
                    throughBridge.p50 / (floor.p50 + peerOnly.p50));
    }
    std::printf("idle bridge RSS: %ld kB   (target < 5120 kB)\n", idleKb);
    if (flooding) {
        std::printf("\nduring a flood of 60 KB Metadata signals, 100 a second, for 3 s:\n");
        printLatency("unknown topic, open to refusal", unknownTopic.summary(), "p99 < 50 ms");
        std::printf("bridge RSS after the flood: %ld kB   (target < 20480 kB); "
                    "bridge CPU time in all: %.2f s\n",
                    floodKb, floodCpu);
    } else {
        std::printf("the fake player would not flood: no flood figures\n");
    }
    return 0;
}
