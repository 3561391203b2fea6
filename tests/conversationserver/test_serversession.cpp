// What every server does with its connections, whichever server: the link peer and the MPRIS
// bridge (with no player: it refuses) run the same cases from one table.

#include "platform/unix/conversationsocket.h"
#include "support/linkpeerprocess.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace ostrane::platform;
using namespace ostrane::testing;
using namespace std::string_literals;
using Clock = std::chrono::steady_clock;

struct Server {
    std::string name;
    std::string program;
    // What follows a refusal of another service's conversation on its line.
    std::string anotherService;
};

const std::vector<Server> servers{
    {"LinkPeer", OSTRANE_LINK_PEER, ""},
    {"Bridge", OSTRANE_MPRIS_BRIDGE, " (another service)"},
};

std::string request(std::string_view service, std::string_view topic) {
    return *encodeRequest(service, topic);
}

// Whether the process sleeps in poll: a server that spun on a connection it cannot take would
// never get to sleep there.
bool sleepsInPoll(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto state = text.rfind(')') + 2;
    std::ifstream syscall("/proc/" + std::to_string(pid) + "/syscall");
    long number = -1;
    syscall >> number;
    return state < text.size() && text[state] == 'S' && (number == SYS_poll || number == SYS_ppoll);
}

std::size_t mentions(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

class ServerSessionTest : public ::testing::TestWithParam<Server> {
protected:
    std::unique_ptr<LinkPeerProcess> start(const std::string& runtimeDir) {
        auto server = std::make_unique<LinkPeerProcess>(GetParam().program, runtimeDir,
                                                        std::vector<std::string>{});
        const auto path = server->waitForReady();
        EXPECT_TRUE(path) << server->stderrText();
        socketPath = path.value_or("");
        return server;
    }

    std::string refused(int number, const std::string& conversation) const {
        return "refuse #" + std::to_string(number) + " " + conversation + GetParam().anotherService;
    }

    TempRuntimeDir runtime;
    std::string socketPath;
};

TEST_P(ServerSessionTest, WritesEachServiceAndTopicSoTheyReadBackUnambiguously) {
    auto server = start(runtime.path());
    const std::vector<std::tuple<std::string, std::string, std::string>> conversations{
        {"other", "a\nb\tc\x7f\x01|\\ é\r"s, "other|a\\x0ab\\x09c\\x7f\\x01|\\\\ é\\x0d"},
        {"other", "a\\x0ab \xe2\x80\xae\xc2\x85\xff", "other|a\\\\x0ab \\u{202e}\\u{85}\\xff"},
        {"QV|spc\x1b", "x", "QV\\|spc\\x1b|x"},
        // Two conversations that read alike unless the service's "|" is escaped.
        {"a|b", "c", "a\\|b|c"},
        {"a", "b|c", "a|b|c"},
    };
    int number = 0;
    for (const auto& [service, topic, shown] : conversations) {
        EXPECT_EQ(answerTo(socketPath, request(service, topic)), refuseAnswer) << shown;
        EXPECT_TRUE(server->waitForLine(refused(++number, shown))) << server->stderrText();
    }
}

// Nobody reads the server's output: it must serve on, drop lines it cannot keep and say so.
TEST_P(ServerSessionTest, ServesOnWhileNobodyReadsItsOutput) {
    auto server = start(runtime.path());
    server->pauseReadingOutput(true);
    const std::string topic(4000, 't'); // 1,000 conversations write some 4 MB of lines
    const std::string wire = request("other", topic);
    auto slowest = Clock::duration::zero();
    for (int i = 0; i < 1000; ++i) {
        const auto before = Clock::now();
        ASSERT_EQ(answerTo(socketPath, wire), refuseAnswer) << i;
        slowest = std::max(slowest, Clock::now() - before);
    }
    EXPECT_LT(slowest, 900ms); // a client gives up after 1,000 ms

    server->pauseReadingOutput(false);
    unsigned long shown = 0;
    unsigned long dropped = 0;
    auto account = [&] {
        shown = 0;
        dropped = 0;
        for (const auto& line : server->lines()) {
            if (line.starts_with("dropped ")) {
                dropped += std::stoul(line.substr(8));
            } else if (line.starts_with("refuse #")) {
                ++shown;
            }
        }
        return shown + dropped == 1000;
    };
    EXPECT_TRUE(eventually(account)) << shown << " shown, " << dropped << " dropped";
    EXPECT_GT(dropped, 0u);
}

// Long out of descriptors, a server says so once and waits without spinning; clients that
// have not yet sent their request hold the descriptors.
TEST_P(ServerSessionTest, SaysOnceThatItRanOutOfDescriptors) {
    auto server = start(runtime.path());
    const std::string procFolder = "/proc/" + std::to_string(server->pid()) + "/fd";
    const auto held = std::distance(std::filesystem::directory_iterator(procFolder),
                                    std::filesystem::directory_iterator());
    rlimit tight{};
    ASSERT_EQ(::prlimit(server->pid(), RLIMIT_NOFILE, nullptr, &tight), 0);
    tight.rlim_cur = static_cast<rlim_t>(held + 2); // room for two clients
    ASSERT_EQ(::prlimit(server->pid(), RLIMIT_NOFILE, &tight, nullptr), 0);

    std::vector<int> clients;
    for (int i = 0; i < 6; ++i) {
        clients.push_back(connectTo(socketPath));
        ASSERT_GE(clients.back(), 0);
    }
    ASSERT_TRUE(server->waitForStderr("cannot accept"));
    EXPECT_TRUE(eventually([&] { return sleepsInPoll(server->pid()); }));
    // One more client while it waits: still the same episode.
    clients.push_back(connectTo(socketPath));
    EXPECT_TRUE(eventually([&] { return sleepsInPoll(server->pid()); }));
    EXPECT_EQ(mentions(server->stderrText(), "cannot accept"), 1u) << server->stderrText();

    ::close(clients[0]);
    ::close(clients[1]);
    EXPECT_TRUE(server->waitForLine("refuse #2 malformed request"));
    // Out again once the next two are taken: a new episode, said anew.
    EXPECT_TRUE(eventually([&] { return mentions(server->stderrText(), "cannot accept") == 2; }));
    for (std::size_t i = 2; i < clients.size(); ++i) {
        ::close(clients[i]);
    }
    EXPECT_TRUE(server->waitForLine("refuse #7 malformed request")) << server->stderrText();
}

// The folder's mode is checked at the start; a client that gets in later, once it was
// opened up, is still turned away for being another user, and said so once.
TEST_P(ServerSessionTest, TurnsAwayAnotherUser) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to become another user";
    }
    char base[] = "/tmp/ostrane-other-user.XXXXXX";
    ASSERT_NE(::mkdtemp(base), nullptr);
    const std::string open = base;
    ASSERT_EQ(::chmod(open.c_str(), 0755), 0);
    {
        auto server = start(open);
        ASSERT_EQ(::chmod((open + "/dde").c_str(), 0755), 0);
        ASSERT_EQ(::chmod(socketPath.c_str(), 0777), 0);
        for (int attempt = 0; attempt < 2; ++attempt) {
            const pid_t child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                // Status 0: turned away unanswered; 1: answered; 2: could not even try.
                if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
                    ::_exit(2);
                }
                const int fd = connectTo(socketPath);
                const std::string wire = request("other", "PLAY");
                if (fd < 0) {
                    ::_exit(2);
                }
                [[maybe_unused]] auto sent = ::send(fd, wire.data(), wire.size(), MSG_NOSIGNAL);
                pollfd p{fd, POLLIN, 0};
                unsigned char answer = 0;
                // End of stream, or a reset when the request was still unread: no answer.
                ::_exit(::poll(&p, 1, 10'000) == 1 && ::recv(fd, &answer, 1, 0) <= 0 ? 0 : 1);
            }
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            ASSERT_TRUE(WIFEXITED(status));
            EXPECT_EQ(WEXITSTATUS(status), 0);
        }
        EXPECT_TRUE(server->waitForStderr("refusing connections from another user (uid 65534)"));
        EXPECT_EQ(answerTo(socketPath, request("other", "PLAY")), refuseAnswer);
        // The stranger took no number.
        EXPECT_TRUE(server->waitForLine(refused(1, "other|PLAY")));
        EXPECT_EQ(mentions(server->stderrText(), "another user"), 1u) << server->stderrText();
    }
    std::filesystem::remove_all(open);
}

INSTANTIATE_TEST_SUITE_P(BothServers, ServerSessionTest, ::testing::ValuesIn(servers),
                         [](const auto& info) { return info.param.name; });

} // namespace
