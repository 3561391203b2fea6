#include "conversationserver.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace ostrane::server {

using namespace ostrane::platform;

namespace {

std::string errorText() {
    return std::strerror(errno);
}

// The socket's folder: created 0700 when missing, refused when anyone else could use it.
std::optional<std::string> prepareFolder(const std::string& folder, uid_t uid) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return "cannot create " + folder + ": " + errorText();
    }
    const FolderState state = inspectConversationFolder(folder, uid);
    if (state != FolderState::usable) {
        return "the folder " + folder + " " + std::string(describeFolderState(state)) +
               "; refusing to serve there";
    }
    return std::nullopt;
}

// Closes what it holds unless released: the owner closes what it opened, on every return.
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

} // namespace

std::variant<ConversationServer, OpenFailure>
ConversationServer::open(std::string_view service, std::optional<std::string_view> runtimeDir,
                         uid_t uid) {
    if (!core::isValidServiceName(service)) {
        return OpenFailure{exitUsage, "invalid service name"};
    }
    const auto place = socketPlaceFor(service, runtimeDir, uid);
    if (!place) {
        return OpenFailure{exitFailure,
                           "the socket path " + conversationFolderFor(runtimeDir, uid) + "/" +
                               core::lowerCaseServiceName(service) + " is longer than " +
                               std::to_string(maxSocketPathBytes) + " bytes"};
    }
    if (auto problem = prepareFolder(place->folder, uid)) {
        return OpenFailure{exitFailure, std::move(*problem)};
    }
    Descriptor lock(
        ::open(place->lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (lock.get() < 0) {
        return OpenFailure{exitFailure, "cannot open " + place->lockPath + ": " + errorText()};
    }
    if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            return OpenFailure{exitNameTaken, "another server already serves \"" +
                                                  printable(service) + "\" at " +
                                                  place->socketPath + "; leaving it alone"};
        }
        return OpenFailure{exitFailure, "cannot lock " + place->lockPath + ": " + errorText()};
    }
    // Holding the lock, any socket file left here is a dead server's.
    if (::unlink(place->socketPath.c_str()) != 0 && errno != ENOENT) {
        return OpenFailure{exitFailure,
                           "cannot remove the stale " + place->socketPath + ": " + errorText()};
    }
    Descriptor listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, place->socketPath.data(), place->socketPath.size());
    if (listener.get() < 0 ||
        ::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.get(), SOMAXCONN) != 0) {
        OpenFailure failure{exitFailure,
                            "cannot listen on " + place->socketPath + ": " + errorText()};
        ::unlink(place->socketPath.c_str());
        return failure;
    }
    return ConversationServer(std::string(service), place->socketPath, uid, lock.release(),
                              listener.release());
}

ConversationServer::ConversationServer(ConversationServer&& other) noexcept
    : service_(std::move(other.service_)), socketPath_(std::move(other.socketPath_)),
      uid_(other.uid_), lock_(std::exchange(other.lock_, -1)),
      listener_(std::exchange(other.listener_, -1)), accepted_(other.accepted_),
      outOfDescriptors_(other.outOfDescriptors_) {}

ConversationServer::~ConversationServer() {
    if (listener_ >= 0) {
        ::unlink(socketPath_.c_str());
        ::close(listener_);
    }
    if (lock_ >= 0) {
        ::close(lock_);
    }
}

bool mayConverse(uid_t serverUid, std::optional<uid_t> clientUid) {
    return clientUid == serverUid;
}

namespace {

std::optional<uid_t> peerUid(int fd) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        size != sizeof credentials) {
        return std::nullopt;
    }
    return credentials.uid;
}

} // namespace

Accepted ConversationServer::acceptOne() {
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            outOfDescriptors_ = false;
            const auto uid = peerUid(fd);
            if (!mayConverse(uid_, uid)) {
                ::close(fd);
                return Accepted{.outcome = Accepted::Outcome::otherUser,
                                .uid = uid.value_or(static_cast<uid_t>(-1))};
            }
            return Accepted{.outcome = Accepted::Outcome::connection,
                            .fd = fd,
                            .number = ++accepted_,
                            .uid = *uid};
        }
        if (errno == EINTR || errno == ECONNABORTED) {
            continue;
        }
        const int error = errno;
        if (error == EAGAIN || error == EWOULDBLOCK) {
            return Accepted{};
        }
        if (error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM) {
            const bool newEpisode = !std::exchange(outOfDescriptors_, true);
            return Accepted{.outcome = Accepted::Outcome::outOfDescriptors,
                            .error = error,
                            .newEpisode = newEpisode};
        }
        return Accepted{.outcome = Accepted::Outcome::failed, .error = error};
    }
}

bool sendAnswer(int fd, Answer answer) {
    const auto byte = static_cast<unsigned char>(answer);
    for (;;) {
        const ssize_t n = ::send(fd, &byte, 1, MSG_NOSIGNAL);
        if (n == 1) {
            return true;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return false;
    }
}

void refuseAndClose(int fd) {
    sendAnswer(fd, Answer::refuse);
    ::close(fd);
}

Afterwards drainAfterRequest(int fd) {
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))) {
        return Afterwards::open;
    }
    return Afterwards::closed;
}

void writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n > 0) {
            text.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return; // nobody is listening any more; serving goes on
        }
    }
}

void complain(std::string_view program, std::string_view message) {
    std::string line(program);
    line.append(": ");
    line.append(message);
    line.push_back('\n');
    writeAll(STDERR_FILENO, line);
}

} // namespace ostrane::server
