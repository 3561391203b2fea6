// Conversations through the MPRIS bridge to a fake player, beside a direct D-Bus call to the
// same player (the floor) and `playerctl play` run as a whole process. Needs a session bus:
// scripts/bench runs it under dbus-run-session.
// Usage: bench_mpris_bridge

#include "latency.h"
#include "platform/unix/socketconversations.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
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
#include <string>
#include <sys/wait.h>
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

// Starts `args`, its standard output into `output` (or discarded); -1 when it cannot.
pid_t spawn(std::vector<std::string> args, const std::string& output = "/dev/null") {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
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

void stop(pid_t pid) {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (!QDBusConnection::sessionBus().isConnected()) {
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
    const pid_t player =
        spawn({OSTRANE_FAKE_PLAYER, "--name", "bench", "--track", "file:///bench.spc"},
              runtime + "/player.out");
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

    ostrane::platform::SocketConversations conversations(runtime);
    auto converseWith = [&](const char* service) {
        const auto conversation = conversations.open(service, "PAUSE");
        if (conversation) {
            conversations.close(*conversation);
        }
        return conversation.has_value();
    };
    auto converse = [&] { return converseWith("QV-spc"); };
    auto converseWithPeer = [&] { return converseWith("QV-peer"); };
    QDBusMessage pause =
        QDBusMessage::createMethodCall("org.mpris.MediaPlayer2.bench", "/org/mpris/MediaPlayer2",
                                       "org.mpris.MediaPlayer2.Player", "Pause");
    auto direct = [&] {
        return QDBusConnection::sessionBus().call(pause, QDBus::Block, 2000).type() ==
               QDBusMessage::ReplyMessage;
    };
    for (int i = 0; i < 100; ++i) { // warm up both paths
        converse();
        direct();
    }
    // Taken in turns, so that both see the same load from the rest of the machine.
    Timed bridged;
    Timed directly;
    Timed socketOnly;
    for (int i = 0; i < rounds; ++i) {
        bridged.time(converse);
        directly.time(direct);
        socketOnly.time(converseWithPeer);
    }
    const LatencySummary throughBridge = bridged.summary();
    const LatencySummary floor = directly.summary();
    std::optional<LatencySummary> playerctl;
    if (::access("/usr/bin/playerctl", X_OK) == 0) {
        playerctl = measure(processRounds, [] {
            const pid_t pid = spawn({"playerctl", "--player=bench", "pause"});
            int status = 0;
            return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
                   WEXITSTATUS(status) == 0;
        });
    }
    stop(peer);
    stop(bridge);
    stop(player);
    std::filesystem::remove_all(runtime);

    std::printf("%d conversations (PAUSE) each, times in microseconds\n\n", rounds);
    std::printf("%-34s %9s %9s %9s   %s\n", "", "p50", "p99", "max", "target");
    printLatency("through the bridge, open to answer", throughBridge, "p50 <= 1.3 x floor");
    printLatency("floor: D-Bus call to the player", floor, "(none)");
    printLatency("conversation with the link peer", socketOnly.summary(), "(the socket alone)");
    if (playerctl) {
        char what[64];
        std::snprintf(what, sizeof what, "playerctl pause (%d processes)", processRounds);
        printLatency(what, *playerctl, "(what a person runs)");
    } else {
        std::printf("playerctl is not installed: no process timing\n");
    }
    if (floor.p50 > 0) {
        std::printf("\nbridge p50 / floor p50 = %.2f\n", throughBridge.p50 / floor.p50);
        // What is left once the socket and the player's own reply are taken away: QtDBus
        // hands every call to its bus thread and every reply back, two switches per call.
        std::printf("bridge p50 - floor p50 - link peer p50 = %.1f us\n",
                    throughBridge.p50 - floor.p50 - socketOnly.summary().p50);
    }
    return 0;
}
