#pragma once

// The one owner of a file descriptor: closes what it holds unless released, so that whoever
// opened a descriptor closes it on every return.

#include <unistd.h>
#include <utility>

namespace ostrane::platform {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

} // namespace ostrane::platform
