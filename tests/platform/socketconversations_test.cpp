#include "platform/unix/conversationsocket.h"
#include "platform/unix/socketconversations.h"
#include "support/linkpeerprocess.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace {

using namespace ostrane::platform;
namespace core = ostrane::core;
using namespace ostrane::testing;
using namespace std::string_literals;
using Clock = std::chrono::steady_clock;

class SocketConversationsTest : public ::testing::Test {
protected:
    std::unique_ptr<LinkPeerProcess> startPeer(std::vector<std::string> args = {}) {
        auto peer = std::make_unique<LinkPeerProcess>(runtime.path(), std::move(args));
        EXPECT_TRUE(peer->waitForReady()) << peer->stderrText();
        return peer;
    }

    // Opens and closes a conversation, so later lines prove what an earlier open did not send.
    void expectServedAs(LinkPeerProcess& peer, int number) {
        const auto conversation = conversations.open("QV-spc", "SENTINEL");
        ASSERT_TRUE(conversation);
        conversations.close(*conversation);
        EXPECT_TRUE(peer.waitForLine("open #" + std::to_string(number) + " QV-spc|SENTINEL"));
    }

    TempRuntimeDir runtime;
    // Patient, so a slow machine never fails an open that should succeed.
    SocketConversations conversations{runtime.path(), 10s};
};

// --- Conversations with a serving peer ---

TEST_F(SocketConversationsTest, OpensAConversationThePeerSeesUntilItIsClosed) {
    auto peer = startPeer();
    const auto conversation = conversations.open("QV-spc", "PLAY");
    ASSERT_TRUE(conversation);
    EXPECT_EQ(conversations.openCount(), 1u);
    EXPECT_TRUE(peer->waitForLine("open #1 QV-spc|PLAY"));
    EXPECT_FALSE(peer->waitForLine("close #1", 50ms));

    conversations.close(*conversation);
    EXPECT_EQ(conversations.openCount(), 0u);
    EXPECT_TRUE(peer->waitForLine("close #1"));
}

TEST_F(SocketConversationsTest, FindsTheServiceWithoutRegardToCase) {
    auto peer = startPeer();
    for (const char* service : {"qv-SPC", "QV-SPC", "qv-spc"}) {
        const auto conversation = conversations.open(service, "STOP");
        ASSERT_TRUE(conversation) << service;
        conversations.close(*conversation);
    }
    EXPECT_TRUE(peer->waitForLine("open #1 qv-SPC|STOP"));
    EXPECT_TRUE(peer->waitForLine("open #3 qv-spc|STOP"));
}

TEST_F(SocketConversationsTest, DeliversTopicsByteForByte) {
    auto peer = startPeer();
    // The topic, and how the peer's line shows it: a backslash doubled, the rest as it is.
    const std::vector<std::pair<std::string, std::string>> topics = {
        {"/home/ana/Música/Ærø – Live | Set/01 a\\b.ogg",
         "/home/ana/Música/Ærø – Live | Set/01 a\\\\b.ogg"},
        {"QUIT", "QUIT"},
        {"", ""},
        {"  leading and trailing spaces  ", "  leading and trailing spaces  "},
    };
    for (std::size_t i = 0; i < topics.size(); ++i) {
        const auto& [topic, shown] = topics[i];
        const auto conversation = conversations.open("QV-spc", topic);
        ASSERT_TRUE(conversation) << topic;
        EXPECT_TRUE(peer->waitForLine("open #" + std::to_string(i + 1) + " QV-spc|" + shown));
        conversations.close(*conversation);
    }
}

TEST_F(SocketConversationsTest, DeliversTheLongestTopicAndOpensNothingForALongerOne) {
    auto peer = startPeer();
    const std::string longest(maxTopicBytes, 'x');
    const auto conversation = conversations.open("QV-spc", longest);
    ASSERT_TRUE(conversation);
    EXPECT_TRUE(peer->waitForLine("open #1 QV-spc|" + longest));
    conversations.close(*conversation);

    EXPECT_FALSE(conversations.open("QV-spc", longest + "x"));
    expectServedAs(*peer, 2);
}

TEST_F(SocketConversationsTest, OpensNothingForInvalidServiceNames) {
    auto peer = startPeer();
    // Unchecked, the first two would reach this peer's socket.
    for (const std::string& service :
         {"../dde/QV-spc"s, "QV-spc\0suffix"s, ""s, std::string(256, 'q'), "QV-spc/"s}) {
        EXPECT_FALSE(conversations.open(service, "PLAY")) << service;
    }
    EXPECT_EQ(conversations.openCount(), 0u);
    expectServedAs(*peer, 1);
}

TEST_F(SocketConversationsTest, IgnoresWhatThePeerSendsAfterAccepting) {
    auto peer = startPeer({"--chatter"});
    const auto first = conversations.open("QV-spc", "PLAY");
    const auto second = conversations.open("QV-spc", "PAUSE");
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    conversations.close(*first);
    conversations.close(*second);
    EXPECT_TRUE(peer->waitForLine("close #1"));
    EXPECT_TRUE(peer->waitForLine("close #2"));
}

TEST_F(SocketConversationsTest, DestroyingTheClientClosesItsConversations) {
    auto peer = startPeer();
    {
        SocketConversations shortLived(runtime.path());
        ASSERT_TRUE(shortLived.open("QV-spc", "PLAY"));
    }
    EXPECT_TRUE(peer->waitForLine("close #1"));
}

TEST_F(SocketConversationsTest, CloseLeavesOtherDescriptorsAlone) {
    auto peer = startPeer();
    const auto conversation = conversations.open("QV-spc", "PLAY");
    ASSERT_TRUE(conversation);
    conversations.close(*conversation);

    // The freed number goes to the next descriptor; a second close must not take it.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    conversations.close(*conversation);
    conversations.close(core::Conversation{999'999});
    conversations.close(core::Conversation{~std::uintptr_t{0}});
    EXPECT_NE(::fcntl(pipeFds[0], F_GETFD), -1);
    EXPECT_NE(::fcntl(pipeFds[1], F_GETFD), -1);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
}

TEST_F(SocketConversationsTest, ReadsTheRuntimeFolderOnceAtConstruction) {
    auto peer = startPeer();
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string restore = saved != nullptr ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    SocketConversations fromEnvironment;
    ::setenv("XDG_RUNTIME_DIR", "/nonexistent", 1);
    const auto conversation = fromEnvironment.open("QV-spc", "PLAY");
    ::setenv("XDG_RUNTIME_DIR", restore.c_str(), 1);
    EXPECT_TRUE(conversation);
}

TEST_F(SocketConversationsTest, UsesTheTmpFolderWithoutARuntimeFolder) {
    const std::string service = "ostrane-fallback-" + std::to_string(::getpid());
    LinkPeerProcess peer(std::nullopt, {"--service", service});
    const auto path = peer.waitForReady();
    ASSERT_TRUE(path) << peer.stderrText();
    const std::string folder = "/tmp/dde-" + std::to_string(::geteuid());
    EXPECT_EQ(*path, folder + "/" + service);

    SocketConversations withoutRuntime(std::optional<std::string>{}, 1000ms);
    EXPECT_TRUE(withoutRuntime.open(service, "PLAY"));
    peer.signal(SIGTERM);
    EXPECT_EQ(peer.waitForExit(), 0);
    ::unlink((*path + ".lock").c_str());
    ::rmdir(folder.c_str()); // only if nothing else lives there
}

// --- Failed opens ---

TEST_F(SocketConversationsTest, RefusedConversationsFail) {
    auto peer = startPeer({"--refuse"});
    EXPECT_FALSE(conversations.open("QV-spc", "PLAY"));
    EXPECT_TRUE(peer->waitForLine("refuse #1 QV-spc|PLAY"));
    EXPECT_EQ(conversations.openCount(), 0u);
}

TEST_F(SocketConversationsTest, AHungPeerHoldsTheCallerNoLongerThanTheTimeOut) {
    auto peer = startPeer({"--hang"});
    SocketConversations defaultTimeOut(runtime.path());
    const auto start = Clock::now();
    EXPECT_FALSE(defaultTimeOut.open("QV-spc", "PLAY"));
    const auto took = Clock::now() - start;
    EXPECT_GE(took, 900ms);
    EXPECT_LT(took, 3s);
    EXPECT_TRUE(peer->waitForLine("hang #1 QV-spc|PLAY"));
    EXPECT_TRUE(peer->waitForLine("close #1")); // the client let go of the socket

    SocketConversations impatient(runtime.path(), 200ms);
    const auto shortStart = Clock::now();
    EXPECT_FALSE(impatient.open("QV-spc", "PLAY"));
    const auto shortTook = Clock::now() - shortStart;
    EXPECT_GE(shortTook, 190ms);
    EXPECT_LT(shortTook, 2s);
}

TEST_F(SocketConversationsTest, FailsQuicklyWithoutAServer) {
    auto expectQuickFailure = [&](const char* situation) {
        const auto start = Clock::now();
        EXPECT_FALSE(conversations.open("QV-spc", "PLAY")) << situation;
        EXPECT_LT(Clock::now() - start, 500ms) << situation;
    };
    expectQuickFailure("no folder");
    {
        auto peer = startPeer();
        peer->signal(SIGTERM);
        ASSERT_EQ(peer->waitForExit(), 0);
    }
    ASSERT_FALSE(std::filesystem::exists(runtime.folder() + "/qv-spc"));
    expectQuickFailure("no socket");
    {
        auto peer = startPeer();
        peer->signal(SIGKILL);
        ASSERT_TRUE(peer->waitForExit());
    }
    ASSERT_TRUE(std::filesystem::exists(runtime.folder() + "/qv-spc"));
    expectQuickFailure("a dead server's socket");
}

TEST_F(SocketConversationsTest, SurvivesAKilledPeerAndReachesItsSuccessor) {
    auto peer = startPeer();
    std::vector<core::Conversation> open;
    for (const char* topic : {"PLAY", "PAUSE", "STOP"}) {
        const auto conversation = conversations.open("QV-spc", topic);
        ASSERT_TRUE(conversation);
        open.push_back(*conversation);
    }
    ASSERT_TRUE(peer->waitForLine("open #3 QV-spc|STOP"));
    peer->signal(SIGKILL);
    ASSERT_EQ(peer->waitForExit(), 128 + SIGKILL);

    EXPECT_FALSE(conversations.open("QV-spc", "PLAY"));
    for (const auto& conversation : open) {
        conversations.close(conversation);
    }
    EXPECT_EQ(conversations.openCount(), 0u);

    auto successor = startPeer();
    EXPECT_TRUE(conversations.open("QV-spc", "PLAY"));
    EXPECT_TRUE(successor->waitForLine("open #1 QV-spc|PLAY"));
}

TEST_F(SocketConversationsTest, OpensAndClosesWithoutLeakingDescriptors) {
    auto peer = startPeer();
    auto refuser = startPeer({"--service", "refuser", "--refuse"});
    const std::size_t before = openDescriptorCount();
    for (int i = 0; i < 10'000; ++i) {
        const auto conversation = conversations.open("QV-spc", "PLAY");
        ASSERT_TRUE(conversation) << "cycle " << i;
        conversations.close(*conversation);
    }
    for (int i = 0; i < 500; ++i) {
        ASSERT_FALSE(conversations.open("refuser", "PLAY"));
        ASSERT_FALSE(conversations.open("nobody", "PLAY"));
    }
    EXPECT_EQ(openDescriptorCount(), before);
    EXPECT_TRUE(peer->waitForLine("close #10000"));
}

// --- Folders and servers that must not be trusted ---

TEST_F(SocketConversationsTest, OpensNothingInAFolderOthersCanUse) {
    auto peer = startPeer();
    for (mode_t mode : {0750, 0705, 0777}) {
        ASSERT_EQ(::chmod(runtime.folder().c_str(), mode), 0);
        EXPECT_FALSE(conversations.open("QV-spc", "PLAY")) << std::oct << mode;
    }
    ASSERT_EQ(::chmod(runtime.folder().c_str(), 0700), 0);
    expectServedAs(*peer, 1);
}

TEST_F(SocketConversationsTest, OpensNothingThroughASymlinkedFolder) {
    auto peer = startPeer();
    TempRuntimeDir other;
    ASSERT_EQ(::symlink(runtime.folder().c_str(), other.folder().c_str()), 0);
    SocketConversations throughLink(other.path());
    EXPECT_FALSE(throughLink.open("QV-spc", "PLAY"));
    expectServedAs(*peer, 1);
}

TEST_F(SocketConversationsTest, OpensNothingInAFolderOfAnotherUser) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a folder to another user needs root";
    }
    auto peer = startPeer();
    ASSERT_EQ(::chown(runtime.folder().c_str(), 65534, 65534), 0);
    EXPECT_FALSE(conversations.open("QV-spc", "PLAY"));
    ASSERT_EQ(::chown(runtime.folder().c_str(), 0, 0), 0);
    expectServedAs(*peer, 1);
}

TEST_F(SocketConversationsTest, OpensNothingWhereTheSocketPathIsTooLong) {
    std::string deep = runtime.path();
    while (deep.size() <= maxSocketPathBytes) {
        deep += "/directory";
        ASSERT_EQ(::mkdir(deep.c_str(), 0700), 0);
    }
    SocketConversations deepClient(deep);
    EXPECT_FALSE(deepClient.open("QV-spc", "PLAY"));
}

// A server that accepts everything, listening as `uid`. Gives its pid; -1 on failure.
pid_t startServerAs(const std::string& path, uid_t uid) {
    int ready[2];
    if (::pipe(ready) != 0) {
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid != 0) {
        ::close(ready[1]);
        pollfd p{ready[0], POLLIN, 0};
        char byte = 0;
        const bool listening = ::poll(&p, 1, 10'000) == 1 && ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        return pid > 0 && listening ? pid : -1;
    }
    // Child: the credentials a client sees are those in force at listen().
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::setresgid(uid, uid, uid) != 0 || ::setresuid(uid, uid, uid) != 0 ||
        ::listen(fd, 8) != 0 || ::write(ready[1], "r", 1) != 1) {
        ::_exit(1);
    }
    for (;;) {
        const int client = ::accept(fd, nullptr, nullptr);
        char request[512];
        if (client >= 0 && ::read(client, request, sizeof request) > 0) {
            const char accept = static_cast<char>(acceptAnswer);
            [[maybe_unused]] auto sent = ::send(client, &accept, 1, MSG_NOSIGNAL);
        }
    }
}

TEST_F(SocketConversationsTest, OpensNothingWithAServerOfAnotherUser) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "running a server as another user needs root";
    }
    ASSERT_EQ(::mkdir(runtime.folder().c_str(), 0700), 0);
    const std::string path = runtime.folder() + "/qv-spc";
    for (uid_t uid : {::geteuid(), uid_t{65534}}) {
        ::unlink(path.c_str());
        const pid_t server = startServerAs(path, uid);
        ASSERT_GT(server, 0);
        const auto conversation = conversations.open("QV-spc", "PLAY");
        EXPECT_EQ(conversation.has_value(), uid == ::geteuid()) << "server uid " << uid;
        if (conversation) {
            conversations.close(*conversation);
        }
        ::kill(server, SIGKILL);
        ::waitpid(server, nullptr, 0);
    }
}

} // namespace
