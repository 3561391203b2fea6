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

namespace {

std::vector<std::string> peerArgs(std::vector<std::string> args) {
    args.insert(args.begin(), OSTRANE_LINK_PEER);
    return args;
}

std::vector<std::string> runtimeEnvironment(const std::optional<std::string>& runtimeDir) {
    return {runtimeDir ? "XDG_RUNTIME_DIR=" + *runtimeDir : std::string("XDG_RUNTIME_DIR")};
}

} // namespace

LinkPeerProcess::LinkPeerProcess(std::optional<std::string> runtimeDir,
                                 std::vector<std::string> args)
    : ProgramProcess(peerArgs(std::move(args)), runtimeEnvironment(runtimeDir)) {}

LinkPeerProcess::LinkPeerProcess(std::string program, std::optional<std::string> runtimeDir,
                                 std::vector<std::string> args)
    : ProgramProcess(
          [&] {
              args.insert(args.begin(), std::move(program));
              return std::move(args);
          }(),
          runtimeEnvironment(runtimeDir)) {}

ProgramProcess::ProgramProcess(std::vector<std::string> args,
                               const std::vector<std::string>& environment) {
    int out[2];
    int err[2];
    int in[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 ||
        ::pipe2(in, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (std::none_of(environment.begin(), environment.end(), [&](const std::string& change) {
                return nameOf(change) == nameOf(entry);
            })) {
            env.push_back(entry);
        }
    }
    for (const auto& change : environment) {
        if (change.find('=') != std::string::npos) {
            env.push_back(change);
        }
    }
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
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    const int failed = ::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    ::close(in[0]);
    input_ = in[1];
    if (failed != 0) {
        ::close(out[0]);
        ::close(err[0]);
        ::close(input_);
        throw std::runtime_error("cannot start " + args[0]);
    }
    reader_ = std::thread([this, o = out[0], e = err[0]] { collect(o, e); });
}

ProgramProcess::~ProgramProcess() {
    ::close(input_);
    if (!status_) {
        ::kill(pid_, SIGKILL);
        waitForExit(60s);
    }
    if (reader_.joinable()) {
        reader_.join();
    }
}

void ProgramProcess::input(const std::string& text) {
    [[maybe_unused]] const ssize_t ignored = ::write(input_, text.data(), text.size());
}

std::optional<std::string> ProgramProcess::waitForLineWith(const std::string& part,
                                                           std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    std::optional<std::string> found;
    changed_.wait_for(lock, timeout, [&] {
        for (const auto& line : lines_) {
            if (line.find(part) != std::string::npos) {
                found = line;
                return true;
            }
        }
        return false;
    });
    return found;
}

void ProgramProcess::collect(int out, int err) {
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

std::optional<std::string> ProgramProcess::waitForReady(std::chrono::milliseconds timeout) {
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

bool ProgramProcess::waitForLine(const std::string& line, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
    });
}

bool ProgramProcess::waitForStderr(const std::string& part, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout,
                             [&] { return stderr_.find(part) != std::string::npos; });
}

std::vector<std::string> ProgramProcess::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::string ProgramProcess::stderrText() const {
    std::lock_guard lock(mutex_);
    return stderr_;
}

void ProgramProcess::pauseReadingOutput(bool paused) {
    std::lock_guard lock(mutex_);
    outputPaused_ = paused;
}

void ProgramProcess::signal(int signal) {
    if (!status_) {
        ::kill(pid_, signal);
    }
}

std::optional<int> ProgramProcess::waitForExit(std::chrono::milliseconds timeout) {
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

int answerTo(const std::string& path, const std::string& bytes, bool closeWriting) {
    const int fd = connectTo(path);
    if (fd < 0) {
        return -2;
    }
    // The server may refuse before reading everything; later bytes then fail to go.
    [[maybe_unused]] auto sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (closeWriting) {
        ::shutdown(fd, SHUT_WR);
    }
    pollfd p{fd, POLLIN, 0};
    unsigned char answer = 0;
    int result = -3;
    if (::poll(&p, 1, 10'000) == 1) {
        result = ::recv(fd, &answer, 1, 0) == 1 ? answer : -1;
    }
    ::close(fd);
    return result;
}

} // namespace ostrane::testing
