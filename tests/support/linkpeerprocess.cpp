#include "support/linkpeerprocess.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ostrane::testing {

TempRuntimeDir::TempRuntimeDir() {
    const char* base = std::getenv("XDG_RUNTIME_DIR");
    std::string pattern =
        std::string(base != nullptr && base[0] == '/' ? base : "/tmp") + "/rt.XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr || ::chmod(pattern.c_str(), 0700) != 0) {
        throw std::runtime_error("cannot create a runtime folder");
    }
    path_ = pattern;
}

TempRuntimeDir::~TempRuntimeDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

LinkPeerProcess::LinkPeerProcess(std::optional<std::string> runtimeDir,
                                 std::vector<std::string> args) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "XDG_RUNTIME_DIR=", 16) != 0) {
            env.emplace_back(*e);
        }
    }
    if (runtimeDir) {
        env.push_back("XDG_RUNTIME_DIR=" + *runtimeDir);
    }
    args.insert(args.begin(), OSTRANE_LINK_PEER);
    std::vector<char*> argv;
    std::vector<char*> envp;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    for (auto& e : env) {
        envp.push_back(e.data());
    }
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    const int failed = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (failed != 0) {
        ::close(out[0]);
        ::close(err[0]);
        throw std::runtime_error("cannot start " + args[0]);
    }
    reader_ = std::thread([this, o = out[0], e = err[0]] { collect(o, e); });
}

LinkPeerProcess::~LinkPeerProcess() {
    if (!status_) {
        ::kill(pid_, SIGKILL);
        waitForExit(60s);
    }
    if (reader_.joinable()) {
        reader_.join();
    }
}

void LinkPeerProcess::collect(int out, int err) {
    pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
    char buffer[65536];
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        {
            std::lock_guard lock(mutex_);
            fds[0].events = outputPaused_ ? 0 : POLLIN;
        }
        // A short wait notices the end of a pause.
        if (::poll(fds, 2, 20) <= 0) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                continue;
            }
            std::lock_guard lock(mutex_);
            if (i == 1) {
                stderr_.append(buffer, static_cast<std::size_t>(n));
            } else {
                partial_.append(buffer, static_cast<std::size_t>(n));
                std::size_t start = 0;
                for (std::size_t end; (end = partial_.find('\n', start)) != std::string::npos;
                     start = end + 1) {
                    lines_.push_back(partial_.substr(start, end - start));
                }
                partial_.erase(0, start);
            }
            changed_.notify_all();
        }
    }
    std::lock_guard lock(mutex_);
    outputEnded_ = true;
    changed_.notify_all();
}

std::optional<std::string> LinkPeerProcess::waitForReady(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    std::optional<std::string> path;
    changed_.wait_for(lock, timeout, [&] {
        for (const auto& line : lines_) {
            if (line.rfind("ready ", 0) == 0) {
                path = line.substr(6);
                return true;
            }
        }
        return false;
    });
    return path;
}

bool LinkPeerProcess::waitForLine(const std::string& line, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
    });
}

bool LinkPeerProcess::waitForStderr(const std::string& part, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout,
                             [&] { return stderr_.find(part) != std::string::npos; });
}

std::vector<std::string> LinkPeerProcess::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::string LinkPeerProcess::stderrText() const {
    std::lock_guard lock(mutex_);
    return stderr_;
}

void LinkPeerProcess::pauseReadingOutput(bool paused) {
    std::lock_guard lock(mutex_);
    outputPaused_ = paused;
}

void LinkPeerProcess::signal(int signal) {
    if (!status_) {
        ::kill(pid_, signal);
    }
}

std::optional<int> LinkPeerProcess::waitForExit(std::chrono::milliseconds timeout) {
    eventually(
        [&] {
            if (status_) {
                return true;
            }
            int raw = 0;
            if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
                status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            }
            return status_.has_value();
        },
        timeout);
    if (status_) {
        // Whatever it wrote before exiting is still on its way through the pipes.
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return outputEnded_; });
    }
    return status_;
}

std::size_t openDescriptorCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

int connectTo(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace ostrane::testing
