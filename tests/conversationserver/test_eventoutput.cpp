// Output lines to a reader that does not keep up: never waiting, bounded, and honest about
// what it dropped.

#include "eventoutput.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

using namespace ostrane::server;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Pipe {
    Pipe() { EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0); }
    ~Pipe() {
        for (int fd : fds) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    // Everything the pipe holds now.
    std::string drain() const {
        std::string out;
        char buffer[65536];
        pollfd p{fds[0], POLLIN, 0};
        while (::poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0) {
            const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            out.append(buffer, static_cast<std::size_t>(n));
        }
        return out;
    }
    int fds[2] = {-1, -1};
};

// Lines "line N" and "dropped N lines": how many of each came through, in order.
struct Tally {
    unsigned long lines = 0;
    unsigned long dropped = 0;
    unsigned long reports = 0;
    bool inOrder = true;
    unsigned long next = 0;

    std::string partial;

    void read(const std::string& more) {
        partial += more;
        const std::string text = std::move(partial);
        partial.clear();
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos;
             start = end + 1) {
            const std::string line = text.substr(start, end - start);
            if (line.rfind("dropped ", 0) == 0) {
                dropped += std::stoul(line.substr(8));
                ++reports;
                next += std::stoul(line.substr(8));
            } else {
                inOrder = inOrder && line == "line " + std::to_string(next);
                ++next;
                ++lines;
            }
        }
        partial = text.substr(start);
    }
};

TEST(EventOutput, NeverWaitsForAFullPipeAndReportsWhatItDropped) {
    Pipe pipe;
    const std::size_t limit = 64 * 1024;
    EventOutput output(pipe.fds[1], limit);
    const auto start = Clock::now();
    const unsigned long total = 50000; // some 600 KB: far more than pipe and buffer hold
    for (unsigned long i = 0; i < total; ++i) {
        output.line("line " + std::to_string(i));
    }
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_TRUE(output.waiting());

    Tally tally;
    while (output.waiting()) {
        tally.read(pipe.drain());
        output.flush();
    }
    tally.read(pipe.drain());
    EXPECT_GT(tally.dropped, 0u);
    EXPECT_EQ(tally.reports, 1u);
    EXPECT_EQ(tally.lines + tally.dropped, total);
    EXPECT_TRUE(tally.inOrder); // the report stands where the lines went missing
    EXPECT_LE(tally.lines, (64 * 1024 + limit) / 7); // no more than pipe and buffer held

    output.line("line " + std::to_string(total));
    EXPECT_FALSE(output.waiting());
    EXPECT_EQ(pipe.drain(), "line " + std::to_string(total) + "\n");
}

TEST(EventOutput, LeavesTheSharedDescriptorBlocking) {
    Pipe pipe;
    EventOutput output(pipe.fds[1]);
    EXPECT_EQ(::fcntl(pipe.fds[1], F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(output.fd(), pipe.fds[1]);
    output.line("ready");
    EXPECT_EQ(pipe.drain(), "ready\n");
}

TEST(EventOutput, GivesUpQuietlyOnceNobodyReads) {
    std::signal(SIGPIPE, SIG_IGN);
    Pipe pipe;
    EventOutput output(pipe.fds[1]);
    ::close(std::exchange(pipe.fds[0], -1));
    output.line("to nobody");
    EXPECT_FALSE(output.waiting());
    const auto start = Clock::now();
    output.finish(5s);
    EXPECT_LT(Clock::now() - start, 1s);
}

TEST(EventOutput, FinishWaitsOnlyAsLongAsItIsAllowed) {
    Pipe pipe;
    EventOutput output(pipe.fds[1], 1024 * 1024);
    for (int i = 0; i < 20000; ++i) {
        output.line(std::string(100, 'x'));
    }
    const auto start = Clock::now();
    output.finish(200ms);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, 150ms);
    EXPECT_LT(took, 3s);
}

} // namespace
