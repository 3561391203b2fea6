// The bridge as a process on a private session bus, against fake MPRIS players: the calls
// each topic makes, refusals, order, time-outs, the choice of player, launch and vanishing.

#include "outputline.h"
#include "platform/unix/conversationsocket.h"
#include "platform/unix/socketconversations.h"
#include "support/linkpeerprocess.h"

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace ostrane::platform;
using namespace ostrane::testing;
using namespace std::string_literals;
using Clock = std::chrono::steady_clock;

class BridgeOnBus : public ::testing::Test {
protected:
    // In a sanitized build, Qt D-Bus's thread still holds memory when a program exits; a leak
    // report would turn every exit status into the sanitizer's.
    const std::vector<std::string> sanitizerOptions{"ASAN_OPTIONS=detect_leaks=0"};

    BridgeOnBus() { std::filesystem::create_directories(songs); }
    ~BridgeOnBus() override { std::filesystem::remove_all(songs); }

    // A fake player with `args`, its names on the bus once this returns.
    std::unique_ptr<ProgramProcess> player(std::vector<std::string> args = {}) {
        args.insert(args.begin(), OSTRANE_FAKE_PLAYER);
        auto process = std::make_unique<ProgramProcess>(std::move(args), sanitizerOptions);
        EXPECT_TRUE(process->waitForReady()) << process->stderrText();
        return process;
    }

    std::unique_ptr<ProgramProcess> bridge(std::vector<std::string> args = {},
                                           std::vector<std::string> environment = {}) {
        args.insert(args.begin(), OSTRANE_MPRIS_BRIDGE);
        environment.push_back("XDG_RUNTIME_DIR=" + runtime.path());
        environment.insert(environment.end(), sanitizerOptions.begin(), sanitizerOptions.end());
        return std::make_unique<ProgramProcess>(std::move(args), environment);
    }

    // A bridge that serves, with the player it announces (if any) announced.
    std::unique_ptr<ProgramProcess> readyBridge(std::vector<std::string> args = {},
                                                const std::string& expectedPlayer = "") {
        auto process = bridge(std::move(args));
        EXPECT_TRUE(process->waitForReady()) << process->stderrText();
        if (!expectedPlayer.empty()) {
            EXPECT_TRUE(process->waitForLine("player " + expectedPlayer)) << dump(*process);
        }
        return process;
    }

    bool converse(const std::string& topic, const std::string& service = "QV-spc") {
        const auto conversation = conversations.open(service, topic);
        if (conversation) {
            conversations.close(*conversation);
        }
        return conversation.has_value();
    }

    std::string song(const std::string& name) {
        const std::string path = songs + "/" + name;
        std::ofstream(path) << "SNES-SPC700";
        return path;
    }

    static std::vector<std::string> calls(const ProgramProcess& fake) {
        std::vector<std::string> found;
        for (const auto& line : fake.lines()) {
            if (line.starts_with("call ")) {
                found.push_back(line.substr(5));
            }
        }
        return found;
    }

    static std::string dump(const ProgramProcess& process) {
        std::string text;
        for (const auto& line : process.lines()) {
            text += line + "\n";
        }
        return text + process.stderrText();
    }

    TempRuntimeDir runtime;
    SocketConversations conversations{runtime.path(), 5s};
    std::string songs = runtime.path() + "/songs";
};

// The answer to a request sent on a fresh connection: 6, 0x15, or -1 for none in time.
struct PendingConversation {
    int fd = -1;
    PendingConversation(const std::string& path, const std::string& topic) {
        fd = connectTo(path);
        const auto bytes = *encodeRequest("QV-spc", topic);
        EXPECT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    ~PendingConversation() { ::close(fd); }
    int answer(std::chrono::milliseconds within = 5s) const {
        pollfd p{fd, POLLIN, 0};
        unsigned char byte = 0;
        if (::poll(&p, 1, static_cast<int>(within.count())) == 1 && ::recv(fd, &byte, 1, 0) == 1) {
            return byte;
        }
        return -1;
    }
};

TEST_F(BridgeOnBus, EveryTopicBecomesItsCallsInArrivalOrder) {
    auto fake = player();
    auto bridge = readyBridge({}, "fake");
    const std::string odd = song("a b #1 100% \xc3\x86r\xc3\xb8 \xe9\x9f\xb3 \xff.spc");
    EXPECT_TRUE(converse("PLAY"));
    EXPECT_TRUE(converse("pause", "qv-SPC"));
    EXPECT_TRUE(converse("STOP"));
    EXPECT_TRUE(converse(odd));
    EXPECT_TRUE(converse("QUIT")) << dump(*bridge);
    ASSERT_TRUE(fake->waitForExit()) << "Quit ends the fake";
    std::string encodedFolder;
    // Appended piece by piece: g++ 12 at -O3 takes "%" + string for an overlapping copy.
    for (char c : songs) {
        if (c == '-' || c == '.' || c == '_' || c == '/' || std::isalnum(c)) {
            encodedFolder += c;
        } else {
            encodedFolder += '%';
            encodedFolder += "0123456789ABCDEF"[(c >> 4) & 15];
            encodedFolder += "0123456789ABCDEF"[c & 15];
        }
    }
    const std::string expectedUri =
        "file://" + encodedFolder + "/a%20b%20%231%20100%25%20%C3%86r%C3%B8%20%E9%9F%B3%20%FF.spc";
    EXPECT_EQ(calls(*fake), (std::vector<std::string>{"Play", "Pause", "Stop",
                                                      "OpenUri " + expectedUri, "Play", "Quit"}));
    EXPECT_TRUE(bridge->waitForLine("open #4 QV-spc|" + ostrane::server::printable(odd) +
                                    " -> fake OpenUri " + expectedUri))
        << dump(*bridge);
    EXPECT_TRUE(bridge->waitForLine("open #2 qv-SPC|pause -> fake Pause"));
    EXPECT_TRUE(bridge->waitForLine("player none"));
}

TEST_F(BridgeOnBus, APlayerThatQuitsBeforeItsReplyHasQuit) {
    // One ends without a reply, the other gives up its names and never replies; a Stop to a
    // player that leaves is still refused (AVanishedPlayerIsRefusedUntilOneAppears).
    for (const auto* how : {"--exit-on", "--vanish-on"}) {
        auto fake = player({how, "Quit"});
        auto bridge = readyBridge({}, "fake");
        EXPECT_TRUE(converse("QUIT")) << how << "\n" << dump(*bridge);
        EXPECT_TRUE(bridge->waitForLine("open #1 QV-spc|QUIT -> fake Quit")) << dump(*bridge);
        EXPECT_TRUE(bridge->waitForLine("player none"));
        EXPECT_TRUE(fake->waitForLine("call Quit"));
        EXPECT_EQ(calls(*fake), std::vector<std::string>{"Quit"});
    }
}

TEST_F(BridgeOnBus, RefusedTopicsReachNoPlayer) {
    auto fake = player({"--cannot-quit"});
    auto bridge = readyBridge({}, "fake");
    std::filesystem::create_directories(songs + "/folder.spc");
    for (const auto& topic :
         {""s, "HELLO"s, "play it"s, songs + "/missing.spc"s, songs + "/folder.spc"s, "QUIT"s}) {
        EXPECT_FALSE(converse(topic)) << topic;
    }
    EXPECT_TRUE(converse("PLAY"));
    ASSERT_TRUE(fake->waitForLine("call Play"));
    EXPECT_EQ(calls(*fake), std::vector<std::string>{"Play"});
    EXPECT_TRUE(bridge->waitForLine("refuse #6 QV-spc|QUIT (the player cannot quit)"))
        << dump(*bridge);
    EXPECT_TRUE(bridge->waitForLine("refuse #1 QV-spc| (unknown topic)"));
    EXPECT_TRUE(
        bridge->waitForLine("refuse #4 QV-spc|" + songs + "/missing.spc (not a readable file)"));
}

// Players may take their names before their properties can be read; the bridge then knows
// nothing of CanQuit and must ask again rather than refuse.
TEST_F(BridgeOnBus, QuitAsksAgainWhenThePlayerCouldNotTellAtFirst) {
    auto fake = player({"--properties-later"});
    auto bridge = readyBridge({}, "fake");
    fake->input("properties\n");
    ASSERT_TRUE(fake->waitForLine("done properties"));
    EXPECT_TRUE(converse("QUIT")) << dump(*bridge);
    EXPECT_TRUE(fake->waitForExit());
}

TEST_F(BridgeOnBus, AnErrorOrASlowReplyIsARefusal) {
    auto fake = player({"--fail", "Play"});
    auto bridge = readyBridge({}, "fake");
    EXPECT_FALSE(converse("PLAY"));
    EXPECT_TRUE(converse("STOP"));
    EXPECT_TRUE(bridge->waitForLineWith("refuse #1 QV-spc|PLAY (org.ostrane.Fake.Failed"));

    // A player that has not replied when the bridge stops waiting: the bridge's own limit ends
    // the conversation, not the player's reply, the call's D-Bus time-out or the client.
    fake->input("delay 60000\n");
    ASSERT_TRUE(fake->waitForLine("done delay 60000"));
    const auto start = Clock::now();
    const PendingConversation pause(runtime.folder() + "/qv-spc", "PAUSE");
    EXPECT_EQ(pause.answer(30s), 0x15);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, 700ms);
    EXPECT_LT(took, 4s) << "the bridge's limit, well short of the call's own 5 s, ends it";
    EXPECT_TRUE(bridge->waitForLine("refuse #3 QV-spc|PAUSE (timed out)")) << dump(*bridge);
}

TEST_F(BridgeOnBus, ASlowPlayerOrAnOpenConversationHoldsUpNoOtherConversation) {
    auto fake = player();
    auto bridge = readyBridge({}, "fake");
    const auto socketPath = runtime.folder() + "/qv-spc";
    const PendingConversation held(socketPath, "PLAY");
    ASSERT_EQ(held.answer(), 6);

    // The player replies to none of the next three calls until it has all three: were each
    // call to wait for the reply to the one before, the second would never leave, and the
    // first would time out.
    fake->input("gather 3\n");
    ASSERT_TRUE(fake->waitForLine("done gather 3"));
    const PendingConversation stop(socketPath, "STOP");
    const PendingConversation pause(socketPath, "PAUSE");
    const PendingConversation play(socketPath, "PLAY");
    EXPECT_EQ(stop.answer(), 6) << dump(*bridge) << dump(*fake);
    EXPECT_EQ(pause.answer(), 6);
    EXPECT_EQ(play.answer(), 6);
    // The fake's output may still be on its way to the test.
    EXPECT_TRUE(eventually([&] { return calls(*fake).size() >= 4; }));
    EXPECT_EQ(calls(*fake), (std::vector<std::string>{"Play", "Stop", "Pause", "Play"}));
}

TEST_F(BridgeOnBus, RequestsWrittenTogetherGoOnInTheOrderTheyCame) {
    auto fake = player();
    auto served = bridge();
    ASSERT_TRUE(served->waitForReady()) << served->stderrText();
    ASSERT_TRUE(served->waitForLine("player fake")) << dump(*served);
    const auto socketPath = runtime.folder() + "/qv-spc";
    // Clients that write faster than the bridge reads leave it several whole requests at
    // once.
    const std::vector<std::string> topics{"STOP", "PAUSE", "PLAY",  "PAUSE", "STOP", "PLAY",
                                          "PLAY", "STOP",  "PAUSE", "STOP",  "PLAY", "PAUSE"};
    fake->input("gather " + std::to_string(topics.size()) + "\n");
    ASSERT_TRUE(fake->waitForLine("done gather " + std::to_string(topics.size())));
    std::vector<std::unique_ptr<PendingConversation>> conversations;
    std::vector<std::string> expected;
    for (const std::string& topic : topics) {
        conversations.push_back(std::make_unique<PendingConversation>(socketPath, topic));
        expected.push_back(topic == "STOP" ? "Stop" : topic == "PLAY" ? "Play" : "Pause");
    }
    for (const auto& conversation : conversations) {
        EXPECT_EQ(conversation->answer(), 6) << dump(*served) << dump(*fake);
    }
    EXPECT_TRUE(eventually([&] { return calls(*fake).size() >= expected.size(); }));
    EXPECT_EQ(calls(*fake), expected);
}

TEST_F(BridgeOnBus, APlayerWithoutOpenUriGetsSongsThroughItsAudaciousInterface) {
    const std::string path = song("x y.spc");
    const std::string uri = "file://" + songs + "/x%20y.spc";
    {
        auto fake = player({"--no-open-uri", "--audacious", "--name", "audacious"});
        auto bridge = readyBridge({}, "audacious");
        EXPECT_TRUE(converse(path));
        EXPECT_TRUE(fake->waitForLine("call Play"));
        EXPECT_EQ(calls(*fake), (std::vector<std::string>{"OpenList " + uri, "Play"}));
    }
    auto fake = player({"--no-open-uri"});
    auto bridge = readyBridge({}, "fake");
    EXPECT_FALSE(converse(path));
    EXPECT_TRUE(bridge->waitForLineWith("(the player cannot open files)"));
    EXPECT_TRUE(calls(*fake).empty());
}

TEST_F(BridgeOnBus, PlayReloadsTheLastSongOnlyWhenThePlayerHoldsNoTrack) {
    auto fake = player({"--clear-on-stop"});
    auto bridge = readyBridge({}, "fake");
    const std::string path = song("one.spc");
    const std::string uri = "file://" + songs + "/one.spc";
    EXPECT_TRUE(converse(path));
    EXPECT_TRUE(converse("PAUSE"));
    EXPECT_TRUE(converse("PLAY"));
    EXPECT_TRUE(converse("STOP"));
    EXPECT_TRUE(converse("PLAY"));
    EXPECT_TRUE(fake->waitForLineWith("call Play") &&
                eventually([&] { return calls(*fake).size() >= 7; }));
    EXPECT_EQ(calls(*fake), (std::vector<std::string>{"OpenUri " + uri, "Play", "Pause", "Play",
                                                      "Stop", "OpenUri " + uri, "Play"}));
}

TEST_F(BridgeOnBus, TheMostRecentlyActivePlayerIsChosenTiesGoingToPlaying) {
    auto a = player({"--name", "alpha", "--track", "file:///a.spc"});
    auto b = player({"--name", "beta", "--status", "Paused", "--track", "file:///b.spc"});
    auto bridge = readyBridge({}, "beta");
    a->input("status Playing\n");
    EXPECT_TRUE(bridge->waitForLine("player alpha")) << dump(*bridge);
    EXPECT_TRUE(converse("STOP"));
    EXPECT_TRUE(a->waitForLine("call Stop")) << dump(*bridge) << dump(*a);
    // Stopping is activity too: it must reach the bridge before the next player appears.
    EXPECT_TRUE(a->waitForLine("announced PlaybackStatus Stopped")) << dump(*a);
    auto c = player({"--name", "gamma"});
    EXPECT_TRUE(bridge->waitForLine("player gamma")) << "a name appearing is activity";
    auto d = player({"--name", "delta", "--cannot-control"});
    EXPECT_TRUE(converse("PAUSE"));
    EXPECT_TRUE(c->waitForLine("call Pause"));
    EXPECT_FALSE(bridge->waitForLine("player delta", 200ms));
}

TEST_F(BridgeOnBus, ThePriorityListAnyAndIgnoredPlayers) {
    auto a = player({"--name", "alpha", "--status", "Playing", "--track", "file:///a.spc"});
    auto b = player({"--name", "beta.instance3"});
    auto c = player({"--name", "gamma"});
    auto first = readyBridge({"--service", "s1", "--player", "beta,%any"}, "beta.instance3");
    auto second =
        readyBridge({"--service", "s2", "--player", "zeta,%any,alpha", "--ignore-player", "gamma"},
                    "beta.instance3");
    auto third = readyBridge({"--service", "s3", "--ignore-player", "alpha"}, "");
    auto fourth = readyBridge({"--service", "s4", "--player", "zeta"});
    EXPECT_TRUE(eventually([&] {
        return std::ranges::any_of(third->lines(), [](const std::string& line) {
            return line == "player gamma" || line == "player beta.instance3";
        });
    })) << dump(*third);
    EXPECT_FALSE(converse("PLAY", "s4"));
    EXPECT_TRUE(fourth->waitForLine("refuse #1 s4|PLAY (no player)"));
    b.reset();
    EXPECT_TRUE(first->waitForLine("player alpha")) << dump(*first);
    EXPECT_TRUE(second->waitForLine("player alpha")) << dump(*second);
}

TEST_F(BridgeOnBus, TwoNamesOfOneConnectionAreOnePlayer) {
    auto vlc = player({"--name", "vlc", "--name", "vlc.instance77"});
    auto bridge = readyBridge({}, "vlc");
    auto byInstance =
        readyBridge({"--service", "other", "--player", "vlc.instance77"}, "vlc.instance77");
    EXPECT_TRUE(converse("PLAY"));
    EXPECT_TRUE(converse("PLAY", "other"));
    EXPECT_TRUE(eventually([&] { return calls(*vlc).size() == 2; }));
    vlc.reset();
    EXPECT_TRUE(bridge->waitForLine("player none"));
    std::size_t announced = 0;
    for (const auto& line : bridge->lines()) {
        announced += line.starts_with("player ") ? 1 : 0;
    }
    EXPECT_EQ(announced, 2u) << dump(*bridge);
}

TEST_F(BridgeOnBus, AVanishedPlayerIsRefusedUntilOneAppears) {
    // The player gives up its names when asked to play, and never replies.
    auto fake = player({"--vanish-on", "Play"});
    auto bridge = readyBridge({}, "fake");
    const PendingConversation pending(runtime.folder() + "/qv-spc", "PLAY");
    ASSERT_TRUE(fake->waitForLine("call Play"));
    EXPECT_EQ(pending.answer(), 0x15);
    EXPECT_TRUE(bridge->waitForLine("refuse #1 QV-spc|PLAY (player gone)")) << dump(*bridge);
    EXPECT_TRUE(bridge->waitForLine("player none"));
    EXPECT_FALSE(converse("STOP"));
    EXPECT_TRUE(bridge->waitForLine("refuse #2 QV-spc|STOP (no player)")) << dump(*bridge);
    fake->input("appear\n");
    EXPECT_TRUE(eventually([&] {
        const auto lines = bridge->lines();
        return std::count(lines.begin(), lines.end(), "player fake") == 2;
    }));
    EXPECT_TRUE(converse("STOP"));
}

TEST_F(BridgeOnBus, LaunchStartsAPlayerOnceAndWaitsForIt) {
    // The launched player takes its name only once `go` exists, so however long it takes to
    // start, the conversation is there before the player is.
    const std::string go = runtime.path() + "/go";
    const std::string output = runtime.path() + "/launched.out";
    const std::string command =
        OSTRANE_FAKE_PLAYER " --name launched --appear-when '" + go + "' > '" + output + "'";
    auto bridge = this->bridge({"--launch", command});
    ASSERT_TRUE(bridge->waitForReady());
    ASSERT_TRUE(eventually(
        [&] {
            std::ifstream file(output);
            return std::string(std::istreambuf_iterator<char>(file), {}).starts_with("waiting ");
        },
        30s))
        << dump(*bridge);
    const PendingConversation play(runtime.folder() + "/qv-spc", "PLAY");
    std::ofstream(go).close();
    EXPECT_EQ(play.answer(), 6) << dump(*bridge);
    EXPECT_TRUE(bridge->waitForLine("player launched"));
    EXPECT_TRUE(bridge->waitForLine("open #1 QV-spc|PLAY -> launched Play")) << dump(*bridge);
    EXPECT_TRUE(converse("STOP"));
    const std::string errors = bridge->stderrText();
    EXPECT_EQ(errors.find("starting"), errors.rfind("starting")) << errors;

    // A launch command that brings no player: refused after the wait, and still serving.
    auto idle = this->bridge({"--service", "idle", "--player", "nobody", "--launch", "sleep 30"});
    ASSERT_TRUE(idle->waitForReady());
    const auto start = Clock::now();
    EXPECT_FALSE(converse("PLAY", "idle"));
    EXPECT_GE(Clock::now() - start, 700ms);
    EXPECT_TRUE(idle->waitForLine("refuse #1 idle|PLAY (no player)"));

    // Stopping, a bridge ends what it launched.
    for (auto* process : {bridge.get(), idle.get()}) {
        process->signal(SIGTERM);
        EXPECT_EQ(process->waitForExit(), 0);
    }
}

// What a bridge launched ends with it, however deaf to SIGTERM (mpv without a terminal,
// playing): through its own Quit, or SIGKILL when it cannot quit. A player it found is left.
TEST_F(BridgeOnBus, EndsThePlayerItLaunchedAndNoOther) {
    auto found = player({"--name", "found"});
    for (const std::string quits : {"", " --cannot-quit"}) {
        const std::string pidFile = runtime.path() + "/launched.pid";
        std::filesystem::remove(pidFile);
        const std::string command = "echo $$ > '" + pidFile + "'; trap '' TERM; exec " +
                                    OSTRANE_FAKE_PLAYER " --name launched" + quits;
        auto served = bridge({"--player", "launched", "--launch", command});
        ASSERT_TRUE(served->waitForLine("player launched")) << dump(*served);
        pid_t launched = 0;
        std::ifstream(pidFile) >> launched;
        ASSERT_GT(launched, 0);
        served->signal(SIGTERM);
        EXPECT_EQ(served->waitForExit(), 0) << quits;
        EXPECT_EQ(::kill(launched, 0), -1) << quits << ": the launched player still runs";
        EXPECT_EQ(::kill(found->pid(), 0), 0) << quits << ": the found player was ended";
    }
}

// A player that has taken its name but not yet answered for its properties (a player
// starting, mpv restarted) is waited for, not refused.
TEST_F(BridgeOnBus, WaitsForAPlayerThatIsAppearing) {
    auto served = readyBridge();
    auto fake = player({"--properties-after", "300"});
    EXPECT_TRUE(converse("PLAY")) << dump(*served);
    EXPECT_TRUE(served->waitForLine("open #1 QV-spc|PLAY -> fake Play")) << dump(*served);
}

// A player announcing a 60 KB Metadata a hundred times a second: conversations that need no
// player's reply are still answered, and the bridge keeps none of it.
TEST_F(BridgeOnBus, AFloodingPlayerHoldsUpNothingAndCostsNoMemory) {
    auto fake = player();
    // A sanitizer keeps what is freed for a while; here it must not, to show what is kept.
    auto served = bridge({}, {"ASAN_OPTIONS=detect_leaks=0:quarantine_size_mb=1"});
    ASSERT_TRUE(served->waitForLine("player fake")) << dump(*served);
    auto residentKb = [&] {
        std::ifstream status("/proc/" + std::to_string(served->pid()) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("VmRSS:")) {
                return std::stol(line.substr(6));
            }
        }
        return 0L;
    };
    const long before = residentKb();
    fake->input("flood 2000 100\n");
    ASSERT_TRUE(fake->waitForLine("done flood 2000 100"));
    // Conversations for two seconds of flood: some 200 announcements, 12 MB.
    const auto start = Clock::now();
    for (int i = 1; Clock::now() - start < 2s; ++i) {
        EXPECT_FALSE(converse("HELLO"));
        ASSERT_TRUE(
            served->waitForLine("refuse #" + std::to_string(i) + " QV-spc|HELLO (unknown topic)"))
            << dump(*served);
    }
    const long after = residentKb();
    EXPECT_GT(before, 0);
    EXPECT_LT(after - before, 8 * 1024) << "the flood stays in the bridge";
#ifndef __SANITIZE_ADDRESS__
    EXPECT_LT(after, 20 * 1024);
#endif
    fake->input("flood 0 0\n");
}

// Started by its socket as a systemd socket unit starts it: the first conversation starts
// the bridge on the socket it is given; the socket stays for the next start, and no other
// server takes the name meanwhile.
TEST_F(BridgeOnBus, StartedByItsSocket) {
    ASSERT_EQ(::mkdir(runtime.folder().c_str(), 0700), 0);
    const std::string socketPath = runtime.folder() + "/qv-spc";
    ProgramProcess socketUnit({"/usr/bin/systemd-socket-activate", "-E", "DBUS_SESSION_BUS_ADDRESS",
                               "-E", "XDG_RUNTIME_DIR", "-E", "ASAN_OPTIONS", "-l", socketPath,
                               OSTRANE_MPRIS_BRIDGE},
                              {"XDG_RUNTIME_DIR=" + runtime.path(), sanitizerOptions[0]});
    ASSERT_TRUE(socketUnit.waitForStderr("Listening on")) << socketUnit.stderrText();
    LinkPeerProcess peer(runtime.path());
    EXPECT_EQ(peer.waitForExit(), 3);
    EXPECT_NE(peer.stderrText().find("another server already serves"), std::string::npos)
        << peer.stderrText();
    EXPECT_FALSE(converse("HELLO"));
    EXPECT_TRUE(socketUnit.waitForLine("refuse #1 QV-spc|HELLO (unknown topic)"))
        << dump(socketUnit);
    auto fake = player();
    EXPECT_TRUE(socketUnit.waitForLine("player fake"));
    EXPECT_TRUE(converse("PLAY"));
    socketUnit.signal(SIGTERM);
    EXPECT_EQ(socketUnit.waitForExit(), 0);
    EXPECT_TRUE(std::filesystem::is_socket(socketPath)) << "the unit's socket is the unit's";
}

TEST_F(BridgeOnBus, ServesLikeTheLinkPeerAndStopsCleanly) {
    auto fake = player();
    auto first = readyBridge({}, "fake");
    auto second = bridge();
    EXPECT_EQ(second->waitForExit(), 3);
    EXPECT_NE(second->stderrText().find("corvissa-mpris-bridge: "), std::string::npos);
    EXPECT_EQ(bridge({"--player"})->waitForExit(), 2);
    EXPECT_EQ(first->lines().front().rfind("ready ", 0), 0u);

    first->signal(SIGTERM);
    EXPECT_EQ(first->waitForExit(), 0);
    EXPECT_FALSE(std::filesystem::exists(runtime.folder() + "/qv-spc"));
    auto again = readyBridge({}, "fake");
    again->signal(SIGINT);
    EXPECT_EQ(again->waitForExit(), 0);

    auto busless = bridge({}, {"DBUS_SESSION_BUS_ADDRESS=unix:path=" + runtime.path() + "/none"});
    EXPECT_EQ(busless->waitForExit(), 1);
    EXPECT_NE(busless->stderrText().find("session bus"), std::string::npos) << dump(*busless);
}

TEST_F(BridgeOnBus, WhenTheBusGoesAwayTheBridgeExitsWithOne) {
    ProgramProcess daemon({"/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"});
    const auto address = daemon.waitForLineWith("unix:");
    ASSERT_TRUE(address) << daemon.stderrText();
    auto process = bridge({}, {"DBUS_SESSION_BUS_ADDRESS=" + *address});
    ASSERT_TRUE(process->waitForReady()) << process->stderrText();
    daemon.signal(SIGTERM);
    EXPECT_EQ(process->waitForExit(), 1);
    EXPECT_NE(process->stderrText().find("session bus went away"), std::string::npos)
        << process->stderrText();
    EXPECT_FALSE(std::filesystem::exists(runtime.folder() + "/qv-spc"));
}

} // namespace
