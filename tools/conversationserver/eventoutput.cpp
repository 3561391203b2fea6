#include "eventoutput.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ostrane::server {

// The limit leaves room for the report of dropped lines at least.
EventOutput::EventOutput(int fd, std::size_t limit)
    : fd_(fd), limit_(std::max<std::size_t>(limit, 64)) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return;
    }
    if (S_ISSOCK(info.st_mode)) {
        kind_ = Kind::socket;
        return;
    }
    if (!S_ISFIFO(info.st_mode) && !S_ISCHR(info.st_mode)) {
        return; // a file takes every write at once
    }
    // O_NONBLOCK on the inherited descriptor would reach every program sharing it (the shell
    // of the terminal, too): a descriptor of our own keeps the change to ourselves.
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    ownFd_ = ::open(self.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (ownFd_ >= 0) {
        fd_ = ownFd_;
        kind_ = Kind::nonBlocking;
        return;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0) {
        restoreFlags_ = flags;
        kind_ = Kind::nonBlocking;
    }
}

EventOutput::~EventOutput() {
    if (ownFd_ >= 0) {
        ::close(ownFd_);
    }
    if (restoreFlags_ >= 0) {
        ::fcntl(fd_, F_SETFL, restoreFlags_);
    }
}

std::ptrdiff_t EventOutput::writeSome(std::string_view bytes) {
    for (;;) {
        const ssize_t n = kind_ == Kind::socket
                              ? ::send(fd_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL)
                              : ::write(fd_, bytes.data(), bytes.size());
        if (n >= 0 || errno != EINTR) {
            return n;
        }
    }
}

void EventOutput::reportDropped() {
    if (dropped_ == 0) {
        return;
    }
    std::string report = "dropped " + std::to_string(dropped_) + " line";
    report += dropped_ == 1 ? "\n" : "s\n";
    if (buffer_.size() - written_ + report.size() <= limit_) {
        buffer_ += report;
        dropped_ = 0;
    }
}

void EventOutput::line(std::string_view text) {
    if (broken_) {
        return;
    }
    reportDropped();
    if (dropped_ > 0 || buffer_.size() - written_ + text.size() + 1 > limit_) {
        ++dropped_;
    } else {
        buffer_.append(text);
        buffer_.push_back('\n');
    }
    flush();
}

void EventOutput::flush() {
    while (!broken_) {
        if (written_ == buffer_.size()) {
            buffer_.clear();
            written_ = 0;
            reportDropped();
            if (buffer_.empty()) {
                return;
            }
            continue;
        }
        const auto n = writeSome(std::string_view(buffer_).substr(written_));
        if (n > 0) {
            written_ += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            broken_ = true; // the reader is gone: nothing more can reach it
            buffer_.clear();
            written_ = 0;
            dropped_ = 0;
        }
    }
    // Keep the waiting bytes from sliding through a growing string.
    if (written_ > limit_ / 2) {
        buffer_.erase(0, written_);
        written_ = 0;
    }
}

void EventOutput::finish(std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    flush();
    while (waiting() && !broken_) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return;
        }
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) {
            return;
        }
        flush();
    }
}

} // namespace ostrane::server
