#pragma once

// A player the bridge started: run through /bin/sh in a process group of its own, so that
// ending it ends whatever the command started.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>

namespace ostrane::bridge {

class LaunchedPlayer {
public:
    // Makes this process the reaper of whatever the launched command leaves orphaned, so that
    // the group's members are all this process's to wait for.
    LaunchedPlayer();

    // Starts `command` with standard output on /dev/null (standard output carries the
    // bridge's own lines); an error's text when it cannot.
    std::string start(const std::string& command);
    // Whether anything it started still runs.
    bool running();
    // Whether `process` is one it started.
    bool owns(std::uint64_t process) const;

    // Ends it: first `askToQuit` (the player's own Quit), then SIGTERM, then SIGKILL, each
    // given `bound` to work.
    void end(const std::function<void()>& askToQuit, std::chrono::milliseconds bound);

private:
    bool waitGone(std::chrono::milliseconds bound);

    pid_t group_ = -1;
};

} // namespace ostrane::bridge
