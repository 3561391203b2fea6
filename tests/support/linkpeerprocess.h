#pragma once

// Helpers for tests that run the link peer, or another program, as a real process.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace ostrane::testing {

using namespace std::chrono_literals;

// A private runtime folder (mode 0700) for one test, removed with everything in it.
class TempRuntimeDir {
public:
    TempRuntimeDir();
    ~TempRuntimeDir();
    TempRuntimeDir(const TempRuntimeDir&) = delete;
    TempRuntimeDir& operator=(const TempRuntimeDir&) = delete;

    const std::string& path() const { return path_; }
    std::string folder() const { return path_ + "/dde"; }

private:
    std::string path_;
};

// A program run for a test, its output collected line by line while it runs.
class ProgramProcess {
public:
    // `args` starts with the program's path; `environment` entries (NAME=VALUE) replace or add
    // to the test's own, and NAME alone removes one.
    explicit ProgramProcess(std::vector<std::string> args,
                            const std::vector<std::string>& environment = {});
    virtual ~ProgramProcess(); // kills the program if it still runs
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // Waits for the `ready` line; gives what follows "ready ".
    std::optional<std::string> waitForReady(std::chrono::milliseconds timeout = 10s);
    // Waits until standard output holds exactly this line.
    bool waitForLine(const std::string& line, std::chrono::milliseconds timeout = 10s);
    // Waits until a line of standard output holds `part`; gives the first such line.
    std::optional<std::string> waitForLineWith(const std::string& part,
                                               std::chrono::milliseconds timeout = 10s);
    bool waitForStderr(const std::string& part, std::chrono::milliseconds timeout = 10s);
    std::vector<std::string> lines() const;
    std::string stderrText() const;
    // Writes to the program's standard input.
    void input(const std::string& text);

    // While paused, standard output is not read: the peer finds its pipe full.
    void pauseReadingOutput(bool paused);
    pid_t pid() const { return pid_; }

    void signal(int signal);
    // The exit status, or 128 + signal; nothing if it still runs after `timeout`.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout = 10s);

private:
    void collect(int out, int err);

    pid_t pid_ = -1;
    int input_ = -1;
    std::optional<int> status_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    std::string partial_;
    std::string stderr_;
    bool outputEnded_ = false;
    bool outputPaused_ = false;
    std::thread reader_;
};

// The link peer binary.
class LinkPeerProcess : public ProgramProcess {
public:
    // `runtimeDir` becomes the peer's XDG_RUNTIME_DIR; nothing leaves it unset.
    LinkPeerProcess(std::optional<std::string> runtimeDir, std::vector<std::string> args = {});
    // Another server program, run and watched the same way.
    LinkPeerProcess(std::string program, std::optional<std::string> runtimeDir,
                    std::vector<std::string> args);
};

// Entries of /proc/self/fd.
std::size_t openDescriptorCount();

// A blocking connection to a socket path, -1 on failure.
int connectTo(const std::string& path);

// Sends `bytes` over a fresh connection (closing its writing side after them when asked),
// then gives the answer byte: -1 for end of stream, -2 when nothing accepts the connection,
// -3 when no answer comes.
int answerTo(const std::string& path, const std::string& bytes, bool closeWriting = false);

// Runs the check until it holds or `timeout` passes.
template <typename Check> bool eventually(Check check, std::chrono::milliseconds timeout = 10s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!check()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

} // namespace ostrane::testing
