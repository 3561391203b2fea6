#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ostrane::testing {

// The link peer as a child process, standing in for the player; its output lines are
// collected as they come.
class LinkPeer {
public:
    explicit LinkPeer(std::vector<std::string> options = {});
    ~LinkPeer();
    LinkPeer(const LinkPeer&) = delete;
    LinkPeer& operator=(const LinkPeer&) = delete;

    // Waits, reading output, until a line that matches has been printed.
    bool waitFor(const std::function<bool(const std::string&)>& matches,
                 std::chrono::milliseconds bound = std::chrono::seconds(20));
    bool waitForLine(const std::string& line) {
        return waitFor([&](const std::string& printed) { return printed == line; });
    }
    bool waitUntilReady() {
        return waitFor([](const std::string& printed) { return printed.starts_with("ready "); });
    }
    // Reads whatever output is there now, waiting at most `bound` for some.
    void readOutput(std::chrono::milliseconds bound = std::chrono::milliseconds(0));
    const std::vector<std::string>& lines() const { return lines_; }
    std::size_t count(const std::string& prefix) const;

    void kill(int signal);

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string partial_;
    std::vector<std::string> lines_;
};

} // namespace ostrane::testing
