#include "platform/unix/socketconversations.h"

#include "platform/unix/conversationsocket.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace ostrane::platform {

namespace {

using Clock = std::chrono::steady_clock;

// Closes the socket unless released.
class SocketGuard {
public:
    explicit SocketGuard(int fd) : fd_(fd) {}
    ~SocketGuard() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    SocketGuard(const SocketGuard&) = delete;
    SocketGuard& operator=(const SocketGuard&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// Waits for `events` on `fd` until `deadline`; false on time-out or a poll failure.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) {
            return false;
        }
        // Round up so a sub-millisecond remainder does not become a busy loop.
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, static_cast<int>(ms));
        if (n > 0) {
            return true; // errors and hang-ups surface in the following call
        }
        if (n < 0 && errno != EINTR) {
            return false;
        }
    }
}

bool connectBefore(int fd, const std::string& path, Clock::time_point deadline) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    const auto* raw = reinterpret_cast<const sockaddr*>(&address);
    for (;;) {
        if (::connect(fd, raw, sizeof address) == 0) {
            return true;
        }
        if (errno == EAGAIN) {
            // The server's backlog is full: try again shortly while time remains.
            if (Clock::now() + std::chrono::milliseconds(1) >= deadline) {
                return false;
            }
            ::poll(nullptr, 0, 1);
            continue;
        }
        if (errno != EINPROGRESS && errno != EINTR) {
            return false;
        }
        if (!waitFor(fd, POLLOUT, deadline)) {
            return false;
        }
        int error = 0;
        socklen_t size = sizeof error;
        return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
}

bool peerIsThisUser(int fd) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 &&
           size == sizeof credentials && credentials.uid == ::geteuid();
}

bool sendBefore(int fd, std::string_view bytes, Clock::time_point deadline) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, deadline)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

// Reads exactly the answer byte; anything the server sends after it stays unread.
bool acceptedBefore(int fd, Clock::time_point deadline) {
    for (;;) {
        unsigned char answer = 0;
        const ssize_t got = ::recv(fd, &answer, 1, 0);
        if (got == 1) {
            return answer == acceptAnswer;
        }
        if (got == 0) {
            return false; // closed without answering: refused
        }
        if (errno == EINTR) {
            continue;
        }
        if ((errno != EAGAIN && errno != EWOULDBLOCK) || !waitFor(fd, POLLIN, deadline)) {
            return false;
        }
    }
}

} // namespace

SocketConversations::SocketConversations(std::chrono::milliseconds openTimeout)
    : SocketConversations(runtimeDirFromEnvironment(), openTimeout) {}

SocketConversations::SocketConversations(std::optional<std::string> runtimeDir,
                                         std::chrono::milliseconds openTimeout)
    : runtimeDir_(std::move(runtimeDir)), openTimeout_(openTimeout) {}

SocketConversations::~SocketConversations() {
    for (int fd : open_) {
        ::close(fd);
    }
}

std::optional<core::Conversation> SocketConversations::open(std::string_view service,
                                                            std::string_view topic) {
    const auto deadline = Clock::now() + openTimeout_;
    const auto request = encodeRequest(service, topic);
    const auto place = socketPlaceFor(service, runtimeDir_, ::geteuid());
    if (!request || !place) {
        return std::nullopt;
    }
    if (inspectConversationFolder(place->folder, ::geteuid()) != FolderState::usable) {
        return std::nullopt;
    }
    SocketGuard socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (socket.get() < 0) {
        return std::nullopt;
    }
    if (!connectBefore(socket.get(), place->socketPath, deadline) ||
        !peerIsThisUser(socket.get()) || !sendBefore(socket.get(), *request, deadline) ||
        !acceptedBefore(socket.get(), deadline)) {
        return std::nullopt;
    }
    const int fd = socket.release();
    open_.insert(fd);
    return core::Conversation{static_cast<std::uintptr_t>(fd)};
}

void SocketConversations::close(core::Conversation conversation) {
    if (conversation.handle > static_cast<std::uintptr_t>(std::numeric_limits<int>::max())) {
        return;
    }
    const int fd = static_cast<int>(conversation.handle);
    if (open_.erase(fd) == 0) {
        return; // never ours, or closed already: closing it could end someone else's file
    }
    ::close(fd);
}

std::size_t SocketConversations::openCount() const {
    return open_.size();
}

} // namespace ostrane::platform
