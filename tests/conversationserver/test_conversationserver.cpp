// The server's side of the socket, driven directly as a bridge's event loop would drive it.

#include "conversationserver.h"
#include "support/linkpeerprocess.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace ostrane::server;
using ostrane::testing::connectTo;
using ostrane::testing::TempRuntimeDir;
using Outcome = Accepted::Outcome;

ConversationServer openServer(const TempRuntimeDir& runtime, std::string_view service) {
    auto opened = ConversationServer::open(service, runtime.path(), ::geteuid());
    if (auto* failure = std::get_if<OpenFailure>(&opened)) {
        ADD_FAILURE() << failure->message;
        std::abort();
    }
    return std::move(std::get<ConversationServer>(opened));
}

TEST(ConversationServer, TalksOnlyWithItsOwnUser) {
    EXPECT_TRUE(mayConverse(1000, 1000));
    EXPECT_FALSE(mayConverse(1000, 1001));
    EXPECT_FALSE(mayConverse(1000, 0)); // the administrator is another user too
    EXPECT_FALSE(mayConverse(0, 1000));
    EXPECT_FALSE(mayConverse(1000, std::nullopt)); // credentials that cannot be read
}

TEST(ConversationServer, RefusesNamesThatReachBeyondTheirOwnSocket) {
    TempRuntimeDir runtime;
    for (const char* name : {".", "..", "QV-spc.lock", "x.LOCK", ".lock", "a/b", ""}) {
        auto opened = ConversationServer::open(name, runtime.path(), ::geteuid());
        const auto* failure = std::get_if<OpenFailure>(&opened);
        ASSERT_NE(failure, nullptr) << name;
        EXPECT_EQ(failure->status, exitUsage) << name;
    }
    EXPECT_FALSE(std::filesystem::exists(runtime.folder())); // nothing made, nothing left
}

// Takes every descriptor the process may still open, giving them back when destroyed.
class DescriptorExhaustion {
public:
    DescriptorExhaustion() {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit low = saved_;
        low.rlim_cur = ostrane::testing::openDescriptorCount() + 64;
        ::setrlimit(RLIMIT_NOFILE, &low);
        for (int fd; (fd = ::dup(STDERR_FILENO)) >= 0;) {
            held_.push_back(fd);
        }
    }
    ~DescriptorExhaustion() {
        release();
        ::setrlimit(RLIMIT_NOFILE, &saved_);
    }
    void release() {
        for (int fd : held_) {
            ::close(fd);
        }
        held_.clear();
    }

private:
    rlimit saved_{};
    std::vector<int> held_;
};

TEST(ConversationServer, ReportsRunningOutOfDescriptorsOncePerEpisode) {
    TempRuntimeDir runtime;
    auto server = openServer(runtime, "QV-spc");
    std::vector<int> clients;
    for (int i = 0; i < 4; ++i) {
        clients.push_back(connectTo(server.socketPath()));
        ASSERT_GE(clients.back(), 0);
    }
    {
        DescriptorExhaustion exhaustion;
        const Accepted first = server.acceptOne();
        EXPECT_EQ(first.outcome, Outcome::outOfDescriptors);
        EXPECT_EQ(first.error, EMFILE);
        EXPECT_TRUE(first.newEpisode);
        const Accepted again = server.acceptOne();
        EXPECT_EQ(again.outcome, Outcome::outOfDescriptors);
        EXPECT_FALSE(again.newEpisode);

        exhaustion.release();
        const Accepted taken = server.acceptOne();
        ASSERT_EQ(taken.outcome, Outcome::connection);
        EXPECT_EQ(taken.number, 1u);
        EXPECT_EQ(taken.uid, ::geteuid());
        ::close(taken.fd);
    }
    {
        DescriptorExhaustion exhaustion; // a new episode is reported anew
        EXPECT_TRUE(server.acceptOne().newEpisode);
    }
    for (unsigned long number = 2; number <= 4; ++number) {
        const Accepted taken = server.acceptOne();
        ASSERT_EQ(taken.outcome, Outcome::connection);
        EXPECT_EQ(taken.number, number);
        ::close(taken.fd);
    }
    EXPECT_EQ(server.acceptOne().outcome, Outcome::nothingWaiting);
    for (int fd : clients) {
        ::close(fd);
    }
}

TEST(RequestReader, TellsACompleteRequestAMalformedOneAndOneCutShort) {
    using Result = RequestReader::Result;
    const std::string wire = *ostrane::platform::encodeRequest("QV-spc", "PLAY");
    RequestReader reader;
    EXPECT_EQ(reader.feed(wire.substr(0, 7)), Result::needMore);
    EXPECT_EQ(reader.feed(wire.substr(7) + "after"), Result::complete);
    EXPECT_EQ(reader.request().topic, "PLAY");

    RequestReader bad;
    EXPECT_EQ(bad.feed("DDE2"), Result::malformed);
    RequestReader cut;
    cut.feed(wire.substr(0, 9));
    EXPECT_EQ(cut.feed({}), Result::cutShort); // the client closed: nobody to answer

    const auto start = Clock::now();
    RequestReader slow(start);
    slow.feed(wire.substr(0, 3));
    EXPECT_FALSE(slow.expire(start + requestTimeLimit - std::chrono::milliseconds(1)));
    EXPECT_TRUE(slow.expire(start + requestTimeLimit));
    EXPECT_EQ(slow.result(), Result::malformed);
}

TEST(ConversationServer, LeavesNoSocketButItsLockBehind) {
    TempRuntimeDir runtime;
    std::string socketPath;
    {
        auto server = openServer(runtime, "QV-spc");
        socketPath = server.socketPath();
        EXPECT_TRUE(std::filesystem::is_socket(socketPath));
        auto moved = std::move(server); // a bridge may keep it anywhere
        EXPECT_EQ(moved.socketPath(), socketPath);
    }
    EXPECT_FALSE(std::filesystem::exists(socketPath));
    EXPECT_TRUE(std::filesystem::exists(socketPath + ".lock"));
}

} // namespace
