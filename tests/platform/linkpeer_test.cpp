// The link peer as a process: its options, its output and its resistance to bad clients.

#include "platform/unix/conversationsocket.h"
#include "platform/unix/socketconversations.h"
#include "support/linkpeerprocess.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace ostrane::platform;
using namespace ostrane::testing;
using namespace std::string_literals;
using Clock = std::chrono::steady_clock;

class LinkPeerTest : public ::testing::Test {
protected:
    std::unique_ptr<LinkPeerProcess> startPeer(std::vector<std::string> args = {}) {
        auto peer = std::make_unique<LinkPeerProcess>(runtime.path(), std::move(args));
        const auto path = peer->waitForReady();
        EXPECT_TRUE(path) << peer->stderrText();
        socketPath = path.value_or("");
        return peer;
    }

    std::string socketPath;
    TempRuntimeDir runtime;
    SocketConversations conversations{runtime.path(), 10s};
};

std::string request(std::string_view service, std::string_view topic) {
    return *encodeRequest(service, topic);
}

TEST_F(LinkPeerTest, ReportsReadyWithTheSocketPathInAFolderItMadePrivate) {
    auto peer = startPeer();
    EXPECT_EQ(socketPath, runtime.folder() + "/qv-spc");
    struct stat info {};
    ASSERT_EQ(::lstat(runtime.folder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    ASSERT_EQ(::lstat(socketPath.c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
}

TEST_F(LinkPeerTest, RefusesAnotherServiceNamedOverItsSocket) {
    auto peer = startPeer();
    EXPECT_EQ(answerTo(socketPath, request("QV-spd", "PLAY")), refuseAnswer);
    EXPECT_TRUE(peer->waitForLine("refuse #1 QV-spd|PLAY"));
    EXPECT_EQ(answerTo(socketPath, request("qv-SPC", "PLAY")), acceptAnswer);
    EXPECT_TRUE(peer->waitForLine("open #2 qv-SPC|PLAY"));
}

TEST_F(LinkPeerTest, ReadsARequestSentInPiecesAndIgnoresBytesAfterIt) {
    auto peer = startPeer();
    const int fd = connectTo(socketPath);
    ASSERT_GE(fd, 0);
    const std::string wire = request("QV-spc", "PLAY") + "trailing junk";
    for (char byte : wire) {
        ASSERT_EQ(::send(fd, &byte, 1, MSG_NOSIGNAL), 1);
    }
    unsigned char answer = 0;
    ASSERT_EQ(::recv(fd, &answer, 1, 0), 1);
    EXPECT_EQ(answer, acceptAnswer);
    EXPECT_TRUE(peer->waitForLine("open #1 QV-spc|PLAY"));
    ::close(fd);
    EXPECT_TRUE(peer->waitForLine("close #1"));
}

TEST_F(LinkPeerTest, RefusesMalformedRequestsAndServesOn) {
    auto peer = startPeer();
    std::mt19937 random(11);
    std::string noise(1 << 20, '\0');
    for (auto& byte : noise) {
        byte = static_cast<char>(random());
    }
    noise[0] = 'X';
    const std::string twoBytes = "\x00\x00"s;
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"garbage", "hello, are you there?\n"},
        {"a megabyte of noise", noise},
        {"wrong magic", "DDE2" + request("QV-spc", "PLAY").substr(4)},
        {"empty service", "DDE1" + twoBytes + "\x04\x00\x00\x00PLAY"},
        {"huge service length", "DDE1\xff\xff"s + std::string(300, 's')},
        {"service with a slash", "DDE1\x05\x00qv/sp\x00\x00\x00\x00"s},
        {"huge topic length", "DDE1\x06\x00QV-spc\xff\xff\xff\xff"s + std::string(100, 't')},
    };
    int number = 0;
    for (const auto& [what, bytes] : refused) {
        EXPECT_EQ(answerTo(socketPath, bytes), refuseAnswer) << what;
        EXPECT_TRUE(peer->waitForLine("refuse #" + std::to_string(++number) + " malformed request"))
            << what;
    }
    const std::string whole = request("QV-spc", "PLAY");
    for (const std::string& cut : {whole.substr(0, 3), whole.substr(0, 9), ""s}) {
        EXPECT_EQ(answerTo(socketPath, cut, true), -1) << cut.size() << " bytes then closed";
        EXPECT_TRUE(
            peer->waitForLine("refuse #" + std::to_string(++number) + " malformed request"));
    }
    const auto conversation = conversations.open("QV-spc", "PLAY");
    EXPECT_TRUE(conversation);
    EXPECT_TRUE(peer->waitForLine("open #" + std::to_string(++number) + " QV-spc|PLAY"));
}

TEST_F(LinkPeerTest, DropsAnIncompleteRequestAfterItsTimeLimit) {
    auto peer = startPeer();
    const auto start = Clock::now();
    EXPECT_EQ(answerTo(socketPath, "DDE1\x06"), refuseAnswer);
    EXPECT_GE(Clock::now() - start, 4s);
    EXPECT_TRUE(peer->waitForLine("refuse #1 malformed request"));
}

TEST_F(LinkPeerTest, RefusesConnectionsBeyondItsLimitAndRecovers) {
    auto peer = startPeer();
    std::vector<int> idle;
    for (int i = 0; i < 512; ++i) {
        const int fd = connectTo(socketPath);
        ASSERT_GE(fd, 0) << i;
        idle.push_back(fd);
    }
    SocketConversations patient(runtime.path(), 60s);
    const auto start = Clock::now();
    EXPECT_FALSE(patient.open("QV-spc", "PLAY"));
    EXPECT_LT(Clock::now() - start, 30s); // refused, not left to time out
    EXPECT_TRUE(peer->waitForStderr("too many connections; refusing #513"));

    ::close(idle.back());
    idle.pop_back();
    EXPECT_TRUE(conversations.open("QV-spc", "PLAY"));
    EXPECT_TRUE(peer->waitForLine("open #514 QV-spc|PLAY"));
    for (int fd : idle) {
        ::close(fd);
    }
}

TEST_F(LinkPeerTest, RefusesEveryConversationWhenAskedTo) {
    auto peer = startPeer({"--refuse"});
    EXPECT_EQ(answerTo(socketPath, request("QV-spc", "PLAY")), refuseAnswer);
    EXPECT_TRUE(peer->waitForLine("refuse #1 QV-spc|PLAY"));
}

TEST_F(LinkPeerTest, SendsChatterOnlyAfterItsAnswer) {
    auto peer = startPeer({"--chatter"});
    const int fd = connectTo(socketPath);
    ASSERT_GE(fd, 0);
    const std::string wire = request("QV-spc", "PLAY");
    ASSERT_EQ(::send(fd, wire.data(), wire.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(wire.size()));
    std::string received;
    char buffer[8192];
    while (received.size() < 1 + 64 * 1024) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        ASSERT_GT(n, 0);
        received.append(buffer, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(static_cast<unsigned char>(received[0]), acceptAnswer);
    ::close(fd);
    EXPECT_TRUE(peer->waitForLine("close #1"));
}

TEST_F(LinkPeerTest, LeavesTheNameToTheFirstPeer) {
    auto first = startPeer();
    LinkPeerProcess second(runtime.path(), {"--service", "qv-SPC"});
    EXPECT_EQ(second.waitForExit(), 3);
    EXPECT_NE(second.stderrText().find("corvissa-link-peer: another server already serves"),
              std::string::npos)
        << second.stderrText();
    EXPECT_TRUE(conversations.open("QV-spc", "PLAY"));
    EXPECT_TRUE(first->waitForLine("open #1 QV-spc|PLAY"));
}

TEST_F(LinkPeerTest, RemovesItsSocketAndExitsCleanlyWhenStopped) {
    for (int signal : {SIGTERM, SIGINT}) {
        auto peer = startPeer({"--hang"});
        ASSERT_GE(connectTo(socketPath), 0); // a conversation in progress does not delay it
        peer->signal(signal);
        EXPECT_EQ(peer->waitForExit(), 0) << signal;
        EXPECT_FALSE(std::filesystem::exists(socketPath)) << signal;
    }
    LinkPeerProcess timed(runtime.path(), {"--stop-after", "0.3"});
    ASSERT_TRUE(timed.waitForReady());
    const auto start = Clock::now();
    EXPECT_EQ(timed.waitForExit(), 0);
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_FALSE(std::filesystem::exists(socketPath));
}

TEST_F(LinkPeerTest, RejectsBadOptionsWithStatus2) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},
        {"--stop-after"},
        {"--stop-after", "soon"},
        {"--stop-after", "-1"},
        {"--service", "a/b"},
        {"--service", ""},
        {"--refuse", "--hang"},
        {"--service"},
        {"--service", "."},
        {"--service", ".."},
        {"--service", "QV-spc.lock"},
    };
    for (const auto& args : bad) {
        LinkPeerProcess peer(runtime.path(), args);
        EXPECT_EQ(peer.waitForExit(), 2) << args[0];
        EXPECT_NE(peer.stderrText().find("corvissa-link-peer: "), std::string::npos) << args[0];
        EXPECT_TRUE(peer.lines().empty()) << args[0];
    }
    EXPECT_FALSE(std::filesystem::exists(runtime.folder())); // not even a stray lock file
    LinkPeerProcess help(runtime.path(), {"--help"});
    EXPECT_EQ(help.waitForExit(), 0);
    ASSERT_FALSE(help.lines().empty());
    EXPECT_EQ(help.lines()[0].rfind("Usage: corvissa-link-peer", 0), 0u);
}

TEST_F(LinkPeerTest, RefusesToServeFromAnUnsafeFolder) {
    ASSERT_EQ(::mkdir(runtime.folder().c_str(), 0755), 0);
    LinkPeerProcess open(runtime.path());
    EXPECT_EQ(open.waitForExit(), 1);
    EXPECT_NE(open.stderrText().find("0700"), std::string::npos) << open.stderrText();

    if (::geteuid() == 0) {
        ASSERT_EQ(::chmod(runtime.folder().c_str(), 0700), 0);
        ASSERT_EQ(::chown(runtime.folder().c_str(), 65534, 65534), 0);
        LinkPeerProcess foreign(runtime.path());
        EXPECT_EQ(foreign.waitForExit(), 1);
        EXPECT_NE(foreign.stderrText().find("another user"), std::string::npos)
            << foreign.stderrText();
    }
}

TEST_F(LinkPeerTest, RefusesASocketPathOverTheLimit) {
    std::string deep = runtime.path();
    while (deep.size() <= maxSocketPathBytes) {
        deep += "/directory";
        ASSERT_EQ(::mkdir(deep.c_str(), 0700), 0);
    }
    LinkPeerProcess peer(deep);
    EXPECT_EQ(peer.waitForExit(), 1);
    EXPECT_NE(peer.stderrText().find("longer than 107 bytes"), std::string::npos)
        << peer.stderrText();
}

TEST_F(LinkPeerTest, NoServiceCanTakeAnotherServicesLock) {
    auto peer = startPeer();
    for (const std::string name : {"QV-spc.lock", "qv-SPC.LOCK"}) {
        LinkPeerProcess intruder(runtime.path(), {"--service", name});
        EXPECT_EQ(intruder.waitForExit(), 2) << name;
    }
    EXPECT_TRUE(std::filesystem::exists(socketPath + ".lock"));
    LinkPeerProcess second(runtime.path());
    EXPECT_EQ(second.waitForExit(), 3); // the lock still keeps the name
    EXPECT_EQ(answerTo(socketPath, request("QV-spc", "PLAY")), acceptAnswer);
}

} // namespace
