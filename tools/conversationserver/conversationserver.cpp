#include "conversationserver.h"

#include "commandline.h"
#include "platform/unix/descriptor.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

// Whether a socket bound to `path` listens, as the kernel's table of Unix sockets tells.
// Asking by connecting would start the server of a socket unit for nothing.
bool someoneListensOn(const std::string& path) {
    constexpr unsigned long acceptsConnections = 0x10000; // __SO_ACCEPTCON
    std::FILE* table = std::fopen("/proc/net/unix", "re");
    if (table == nullptr) {
        return false;
    }
    bool listening = false;
    char* line = nullptr;
    std::size_t size = 0;
    while (!listening && ::getline(&line, &size, table) > 0) {
        unsigned long flags = 0;
        int pathStart = 0;
        if (std::sscanf(line, "%*x: %*x %*x %lx %*x %*x %*u %n", &flags, &pathStart) == 1 &&
            pathStart > 0 && (flags & acceptsConnections) != 0) {
            std::string_view bound(line + pathStart);
            if (!bound.empty() && bound.back() == '\n') {
                bound.remove_suffix(1);
            }
            listening = bound == path;
        }
    }
    std::free(line);
    std::fclose(table);
    return listening;
}

// The path a listening socket is bound to, or empty.
std::string boundPath(int fd) {
    sockaddr_un address{};
    socklen_t size = sizeof address;
    int listening = 0;
    socklen_t flagSize = sizeof listening;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        address.sun_family != AF_UNIX ||
        ::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &flagSize) != 0 || !listening) {
        return {};
    }
    return std::string(address.sun_path, ::strnlen(address.sun_path, sizeof address.sun_path));
}

std::optional<OpenFailure> adopt(int fd, const std::string& socketPath) {
    const std::string bound = boundPath(fd);
    if (bound != socketPath) {
        return OpenFailure{exitFailure, "the socket passed in listens on \"" + printable(bound) +
                                            "\", not on " + socketPath};
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0 ||
        ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
        return OpenFailure{exitFailure, "cannot use the socket passed in: " + errorText()};
    }
    return std::nullopt;
}

} // namespace

std::variant<ConversationServer, OpenFailure>
ConversationServer::open(std::string_view service, std::optional<std::string_view> runtimeDir,
                         uid_t uid, int inherited) {
    if (!core::isValidServiceName(service)) {
        return OpenFailure{exitUsage, invalidServiceName(service)};
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
    if (inherited >= 0) {
        if (auto failure = adopt(inherited, place->socketPath)) {
            return std::move(*failure);
        }
        return ConversationServer(std::string(service), place->socketPath, uid, lock.release(),
                                  inherited, false);
    }
    if (someoneListensOn(place->socketPath)) {
        return OpenFailure{exitNameTaken, "another server already serves \"" + printable(service) +
                                              "\" at " + place->socketPath +
                                              " (it listens without the lock: a socket unit?); "
                                              "leaving it alone"};
    }
    // Holding the lock, with nobody listening, any socket file left here is a dead server's.
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
                              listener.release(), true);
}

ConversationServer::ConversationServer(ConversationServer&& other) noexcept
    : service_(std::move(other.service_)), socketPath_(std::move(other.socketPath_)),
      uid_(other.uid_), lock_(std::exchange(other.lock_, -1)),
      listener_(std::exchange(other.listener_, -1)), ownsSocketFile_(other.ownsSocketFile_),
      accepted_(other.accepted_), outOfDescriptors_(other.outOfDescriptors_) {}

ConversationServer::~ConversationServer() {
    if (listener_ >= 0) {
        if (ownsSocketFile_) {
            ::unlink(socketPath_.c_str());
        }
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
    writeAll(STDERR_FILENO, complaintLine(program, message));
}

} // namespace ostrane::server
