#pragma once

// One thread's event loop on poll(2): descriptors to watch, timers, and hooks that run before
// each wait (a D-Bus connection sets what it waits for there). Handlers run in the order they
// were added, so connections accepted in order are served in order.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace ostrane::server {

class PollLoop {
public:
    using Clock = std::chrono::steady_clock;
    using Id = std::uint64_t;
    using FdHandler = std::function<void(short revents)>;

    // Watches `fd` for `events` (none: not for now) until unwatched.
    Id watch(int fd, short events, FdHandler handler);
    void setEvents(Id watch, short events);
    void unwatch(Id watch);

    // Runs `action` once at `when`, unless cancelled.
    Id at(Clock::time_point when, std::function<void()> action);
    void cancel(Id timer);

    void beforeWait(std::function<void()> hook);

    // Serves until quit; gives quit's status, or -errno when poll failed.
    int run();
    void quit(int status);

private:
    struct Watch {
        int fd;
        short events;
        std::shared_ptr<FdHandler> handler; // kept alive while it runs, even if unwatched
    };
    using TimerKey = std::pair<Clock::time_point, Id>;

    int timeout() const;
    void fireDueTimers();

    Id next_ = 1;
    std::map<Id, Watch> watches_;
    std::map<TimerKey, std::function<void()>> timers_;
    std::map<Id, Clock::time_point> timerTimes_;
    std::vector<std::function<void()>> hooks_;
    bool quitting_ = false;
    int status_ = 0;
};

} // namespace ostrane::server
