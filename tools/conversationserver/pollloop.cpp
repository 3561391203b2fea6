#include "pollloop.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>

namespace ostrane::server {

PollLoop::Id PollLoop::watch(int fd, short events, FdHandler handler) {
    const Id id = next_++;
    watches_.emplace(id, Watch{fd, events, std::make_shared<FdHandler>(std::move(handler))});
    return id;
}

void PollLoop::setEvents(Id watch, short events) {
    if (const auto it = watches_.find(watch); it != watches_.end()) {
        it->second.events = events;
    }
}

void PollLoop::unwatch(Id watch) {
    watches_.erase(watch);
}

PollLoop::Id PollLoop::at(Clock::time_point when, std::function<void()> action) {
    const Id id = next_++;
    timers_.emplace(TimerKey{when, id}, std::move(action));
    timerTimes_.emplace(id, when);
    return id;
}

void PollLoop::cancel(Id timer) {
    if (const auto it = timerTimes_.find(timer); it != timerTimes_.end()) {
        timers_.erase(TimerKey{it->second, timer});
        timerTimes_.erase(it);
    }
}

void PollLoop::beforeWait(std::function<void()> hook) {
    hooks_.push_back(std::move(hook));
}

void PollLoop::quit(int status) {
    if (!quitting_) {
        quitting_ = true;
        status_ = status;
    }
}

int PollLoop::timeout() const {
    if (timers_.empty()) {
        return -1;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(timers_.begin()->first.first - Clock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 60000));
}

void PollLoop::fireDueTimers() {
    const auto now = Clock::now();
    while (!quitting_ && !timers_.empty() && timers_.begin()->first.first <= now) {
        auto node = timers_.extract(timers_.begin());
        timerTimes_.erase(node.key().second);
        node.mapped()();
    }
}

int PollLoop::run() {
    std::vector<pollfd> fds;
    std::vector<Id> ids;
    while (!quitting_) {
        for (const auto& hook : hooks_) {
            hook();
        }
        fds.clear();
        ids.clear();
        for (const auto& [id, watch] : watches_) {
            if (watch.events != 0) {
                fds.push_back({watch.fd, watch.events, 0});
                ids.push_back(id);
            }
        }
        const int ready = ::poll(fds.data(), fds.size(), timeout());
        if (ready < 0 && errno != EINTR) {
            return -errno;
        }
        for (std::size_t i = 0; ready > 0 && i < fds.size() && !quitting_; ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            const auto it = watches_.find(ids[i]);
            if (it != watches_.end()) {
                const auto handler = it->second.handler;
                (*handler)(fds[i].revents);
            }
        }
        fireDueTimers();
    }
    return status_;
}

} // namespace ostrane::server
