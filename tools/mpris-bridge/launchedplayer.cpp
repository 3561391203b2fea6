#include "launchedplayer.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace ostrane::bridge {

namespace {

void reapChildren() {
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    }
}

} // namespace

LaunchedPlayer::LaunchedPlayer() {
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
}

std::string LaunchedPlayer::start(const std::string& command) {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_init(&actions);
    // The bridge ignores SIGPIPE and turns SIGINT and SIGTERM into events; the player must not
    // inherit either.
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGINT, SIGTERM}) {
        sigaddset(&defaults, signal);
    }
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const char* shell = "/bin/sh";
    char* const argv[] = {const_cast<char*>(shell), const_cast<char*>("-c"),
                          const_cast<char*>(command.c_str()), nullptr};
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, shell, &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        return std::strerror(error);
    }
    group_ = pid;
    return {};
}

bool LaunchedPlayer::running() {
    if (group_ < 0) {
        return false;
    }
    reapChildren();
    if (::kill(-group_, 0) != 0 && errno == ESRCH) {
        group_ = -1;
        return false;
    }
    return true;
}

bool LaunchedPlayer::owns(std::uint64_t process) const {
    return group_ > 0 && process != 0 && ::getpgid(static_cast<pid_t>(process)) == group_;
}

bool LaunchedPlayer::waitGone(std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (running()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void LaunchedPlayer::end(const std::function<void()>& askToQuit, std::chrono::milliseconds bound) {
    if (!running()) {
        return;
    }
    askToQuit();
    if (waitGone(bound)) {
        return;
    }
    // mpv without a terminal ignores SIGTERM while it plays: SIGKILL is the last word.
    for (int signal : {SIGTERM, SIGKILL}) {
        ::kill(-group_, signal);
        if (waitGone(bound)) {
            return;
        }
    }
}

} // namespace ostrane::bridge
