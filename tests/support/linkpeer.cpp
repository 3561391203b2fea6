#include "support/linkpeer.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ostrane::testing {

LinkPeer::LinkPeer(std::vector<std::string> options) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    std::vector<std::string> arguments{OSTRANE_LINK_PEER};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    output_ = pipeEnds[0];
    if (failed != 0)
        throw std::runtime_error("cannot start the link peer");
}

LinkPeer::~LinkPeer() {
    kill(SIGTERM);
    ::close(output_);
}

void LinkPeer::kill(int signal) {
    if (pid_ <= 0)
        return;
    ::kill(pid_, signal);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    readOutput();
}

void LinkPeer::readOutput(std::chrono::milliseconds bound) {
    pollfd ready{output_, POLLIN, 0};
    int timeout = static_cast<int>(bound.count());
    while (poll(&ready, 1, timeout) > 0) {
        char buffer[65536];
        const ssize_t got = read(output_, buffer, sizeof buffer);
        if (got <= 0)
            return;
        partial_.append(buffer, static_cast<std::size_t>(got));
        std::size_t end;
        while ((end = partial_.find('\n')) != std::string::npos) {
            lines_.push_back(partial_.substr(0, end));
            partial_.erase(0, end + 1);
        }
        timeout = 0;
    }
}

bool LinkPeer::waitFor(const std::function<bool(const std::string&)>& matches,
                       std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    std::size_t seen = 0;
    while (true) {
        for (; seen < lines_.size(); ++seen)
            if (matches(lines_[seen]))
                return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        readOutput(std::min(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now),
                            std::chrono::milliseconds(100)));
    }
}

std::size_t LinkPeer::count(const std::string& prefix) const {
    return static_cast<std::size_t>(std::count_if(
        lines_.begin(), lines_.end(), [&](const auto& line) { return line.starts_with(prefix); }));
}

} // namespace ostrane::testing
