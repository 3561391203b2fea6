// corvissa-link-peer: serves conversations on the conversation socket and reports each one on
// standard output, one line per event. See docs/PROTOCOL.md for the output format.

#include "peeroptions.h"
#include "platform/unix/conversationsocket.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace ostrane::platform;
using ostrane::peer::Clock;
using ostrane::peer::exitFailure;
using ostrane::peer::exitNameTaken;
using ostrane::peer::exitUsage;
using ostrane::peer::Mode;
using ostrane::peer::Options;
using ostrane::peer::printable;

constexpr std::size_t connectionLimit = 512;
constexpr auto requestTimeLimit = std::chrono::seconds(5);
constexpr std::size_t chatterBytes = 64 * 1024;

constexpr std::string_view usage =
    "Usage: corvissa-link-peer [--service NAME] [--refuse | --hang | --chatter]\n"
    "                          [--stop-after SECONDS]\n"
    "Serves conversations for NAME (default QV-spc) and prints one line per event.\n"
    "  --service NAME        the service to serve (matched without regard to case)\n"
    "  --refuse              refuse every conversation\n"
    "  --hang                read each request and never answer\n"
    "  --chatter             after accepting, send the client 64 KiB it never asked for\n"
    "  --stop-after SECONDS  stop after that time (decimals allowed) and exit 0\n"
    "  --help                show this help\n";

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

// One unbuffered write per event, so a reader always sees whole lines without delay.
void event(const std::string& line) {
    writeAll(STDOUT_FILENO, line + "\n");
}

void complain(const std::string& message) {
    writeAll(STDERR_FILENO, ostrane::peer::complaint(message));
}

int stopPipe[2] = {-1, -1};

void onStopSignal(int) {
    const int saved = errno;
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(stopPipe[1], &byte, 1);
    errno = saved;
}

bool installSignals() {
    if (::pipe2(stopPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    return ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGTERM, &action, nullptr) == 0 &&
           ::sigaction(SIGPIPE, &ignore, nullptr) == 0;
}

std::string errorText() {
    return std::strerror(errno);
}

// The socket's folder: created 0700 when missing, refused when anyone else could use it.
bool prepareFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        complain("cannot create " + folder + ": " + errorText());
        return false;
    }
    const FolderState state = inspectConversationFolder(folder, ::geteuid());
    if (state != FolderState::usable) {
        complain("the folder " + folder + " " + std::string(describeFolderState(state)) +
                 "; refusing to serve there");
        return false;
    }
    return true;
}

// "#N"; appended rather than concatenated, which trips a false -Wrestrict in GCC 12.
std::string connectionTag(unsigned long number) {
    std::string tag = "#";
    tag.append(std::to_string(number));
    return tag;
}

struct Connection {
    enum class Stage { reading, open, hung };

    int fd = -1;
    unsigned long number = 0;
    Stage stage = Stage::reading;
    Clock::time_point requestDeadline;
    RequestParser parser;
    std::string pending; // chatter not yet written
    bool done = false;
};

class Peer {
public:
    Peer(Options options, int listener) : options_(std::move(options)), listener_(listener) {}

    void run(std::optional<Clock::time_point> stopAt);
    ~Peer() {
        for (auto& c : connections_) {
            ::close(c.fd);
        }
    }

private:
    void acceptAll();
    void reapClosed();
    void serve(Connection& c, short revents);
    void readFrom(Connection& c);
    void answer(Connection& c);
    void flushChatter(Connection& c);
    void finish(Connection& c, const std::string& line);
    bool sendByte(Connection& c, unsigned char byte);
    int pollTimeout(std::optional<Clock::time_point> stopAt) const;

    Options options_;
    int listener_;
    unsigned long accepted_ = 0;
    std::vector<Connection> connections_;
    std::optional<Clock::time_point> acceptPausedUntil_;
};

bool Peer::sendByte(Connection& c, unsigned char byte) {
    for (;;) {
        const ssize_t n = ::send(c.fd, &byte, 1, MSG_NOSIGNAL);
        if (n == 1) {
            return true;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        return false;
    }
}

void Peer::finish(Connection& c, const std::string& line) {
    if (!line.empty()) {
        event(line);
    }
    ::close(c.fd);
    c.done = true;
}

void Peer::answer(Connection& c) {
    const ConversationRequest& request = c.parser.request();
    const std::string number = connectionTag(c.number);
    const std::string what = printable(request.service) + "|" + printable(request.topic);
    if (options_.mode == Mode::refuse || !sameServiceName(request.service, options_.service)) {
        sendByte(c, refuseAnswer);
        finish(c, "refuse " + number + " " + what);
    } else if (options_.mode == Mode::hang) {
        c.stage = Connection::Stage::hung;
        event("hang " + number + " " + what);
    } else if (!sendByte(c, acceptAnswer)) {
        complain("conversation " + number + " ended before its answer");
        finish(c, "");
    } else {
        c.stage = Connection::Stage::open;
        event("open " + number + " " + what);
        if (options_.mode == Mode::chatter) {
            c.pending.assign(chatterBytes, '\0');
            for (std::size_t i = 0; i < c.pending.size(); ++i) {
                c.pending[i] = static_cast<char>('a' + i % 26);
            }
            flushChatter(c);
        }
    }
}

void Peer::flushChatter(Connection& c) {
    while (!c.pending.empty()) {
        const ssize_t n = ::send(c.fd, c.pending.data(), c.pending.size(), MSG_NOSIGNAL);
        if (n > 0) {
            c.pending.erase(0, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return; // the rest goes when the client's buffer has room
        } else {
            c.pending.clear(); // the client is gone; reading will see it close
        }
    }
}

void Peer::readFrom(Connection& c) {
    char buffer[4096];
    const ssize_t n = ::read(c.fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        return;
    }
    const std::string number = connectionTag(c.number);
    if (n <= 0) {
        // End of stream (or a reset): a request cut short, or the client closing.
        finish(c, c.stage == Connection::Stage::reading ? "refuse " + number + " malformed request"
                                                        : "close " + number);
        return;
    }
    if (c.stage != Connection::Stage::reading) {
        return; // clients have nothing to say after their request
    }
    switch (c.parser.feed(std::string_view(buffer, static_cast<std::size_t>(n)))) {
    case RequestParser::State::needMore:
        break;
    case RequestParser::State::malformed:
        sendByte(c, refuseAnswer);
        finish(c, "refuse " + number + " malformed request");
        break;
    case RequestParser::State::complete:
        answer(c);
        break;
    }
}

void Peer::serve(Connection& c, short revents) {
    if ((revents & POLLOUT) != 0) {
        flushChatter(c);
    }
    if ((revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
        readFrom(c);
    }
}

void Peer::acceptAll() {
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // Out of descriptors: leave the rest in the backlog for a moment.
                complain("cannot accept: " + errorText());
                acceptPausedUntil_ = Clock::now() + std::chrono::milliseconds(100);
            }
            return;
        }
        Connection c;
        c.fd = fd;
        c.number = ++accepted_;
        if (connections_.size() >= connectionLimit) {
            reapClosed(); // a client may have left while this loop was accepting
        }
        if (connections_.size() >= connectionLimit) {
            complain("too many connections; refusing " + connectionTag(c.number));
            sendByte(c, refuseAnswer);
            ::close(fd);
            continue;
        }
        c.requestDeadline = Clock::now() + requestTimeLimit;
        connections_.push_back(std::move(c));
    }
}

void Peer::reapClosed() {
    std::vector<pollfd> fds;
    for (const auto& c : connections_) {
        fds.push_back({c.fd, POLLIN, 0});
    }
    if (::poll(fds.data(), fds.size(), 0) <= 0) {
        return;
    }
    for (std::size_t i = 0; i < connections_.size(); ++i) {
        if (fds[i].revents != 0) {
            serve(connections_[i], fds[i].revents);
        }
    }
    std::erase_if(connections_, [](const Connection& c) { return c.done; });
}

int Peer::pollTimeout(std::optional<Clock::time_point> stopAt) const {
    std::optional<Clock::time_point> next = stopAt;
    auto consider = [&](Clock::time_point t) {
        if (!next || t < *next) {
            next = t;
        }
    };
    for (const auto& c : connections_) {
        if (c.stage == Connection::Stage::reading) {
            consider(c.requestDeadline);
        }
    }
    if (acceptPausedUntil_) {
        consider(*acceptPausedUntil_);
    }
    if (!next) {
        return -1;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 60000));
}

void Peer::run(std::optional<Clock::time_point> stopAt) {
    std::vector<pollfd> fds;
    for (;;) {
        const auto now = Clock::now();
        if (stopAt && now >= *stopAt) {
            return;
        }
        if (acceptPausedUntil_ && now >= *acceptPausedUntil_) {
            acceptPausedUntil_.reset();
        }
        fds.clear();
        fds.push_back({stopPipe[0], POLLIN, 0});
        fds.push_back({acceptPausedUntil_ ? -1 : listener_, POLLIN, 0});
        for (const auto& c : connections_) {
            fds.push_back(
                {c.fd, static_cast<short>(POLLIN | (c.pending.empty() ? 0 : POLLOUT)), 0});
        }
        const int ready = ::poll(fds.data(), fds.size(), pollTimeout(stopAt));
        if (ready < 0 && errno != EINTR) {
            complain("poll failed: " + errorText());
            return;
        }
        if (ready < 0) {
            continue;
        }
        if (fds[0].revents != 0) {
            return; // SIGINT or SIGTERM
        }
        for (std::size_t i = 0; i < connections_.size(); ++i) {
            if (fds[i + 2].revents != 0) {
                serve(connections_[i], fds[i + 2].revents);
            }
        }
        const auto later = Clock::now();
        for (auto& c : connections_) {
            if (!c.done && c.stage == Connection::Stage::reading && later >= c.requestDeadline) {
                // Idle clients must not hold a connection slot for ever.
                sendByte(c, refuseAnswer);
                finish(c, "refuse " + connectionTag(c.number) + " malformed request");
            }
        }
        std::erase_if(connections_, [](const Connection& c) { return c.done; });
        if ((fds[1].revents & POLLIN) != 0) {
            acceptAll();
        }
    }
}

int serveUntilStopped(const Options& options) {
    const auto runtimeDir = runtimeDirFromEnvironment();
    if (!isValidServiceName(options.service)) {
        complain("invalid service name");
        return exitUsage;
    }
    const auto place = socketPlaceFor(options.service, runtimeDir, ::geteuid());
    if (!place) {
        complain("the socket path " + conversationFolderFor(runtimeDir, ::geteuid()) + "/" +
                 lowerCaseServiceName(options.service) + " is longer than " +
                 std::to_string(maxSocketPathBytes) + " bytes");
        return exitFailure;
    }
    if (!prepareFolder(place->folder)) {
        return exitFailure;
    }
    const int lock =
        ::open(place->lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0) {
        complain("cannot open " + place->lockPath + ": " + errorText());
        return exitFailure;
    }
    if (::flock(lock, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) {
            complain("another server already serves \"" + printable(options.service) + "\" at " +
                     place->socketPath + "; leaving it alone");
            ::close(lock);
            return exitNameTaken;
        }
        complain("cannot lock " + place->lockPath + ": " + errorText());
        ::close(lock);
        return exitFailure;
    }
    // Holding the lock, any socket file left here is a dead server's.
    if (::unlink(place->socketPath.c_str()) != 0 && errno != ENOENT) {
        complain("cannot remove the stale " + place->socketPath + ": " + errorText());
        ::close(lock);
        return exitFailure;
    }
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, place->socketPath.data(), place->socketPath.size());
    if (listener < 0 ||
        ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, SOMAXCONN) != 0) {
        complain("cannot listen on " + place->socketPath + ": " + errorText());
        if (listener >= 0) {
            ::close(listener);
        }
        ::unlink(place->socketPath.c_str());
        ::close(lock);
        return exitFailure;
    }
    event("ready " + printable(place->socketPath));
    const auto stopAt =
        options.stopAfter ? std::optional(Clock::now() + *options.stopAfter) : std::nullopt;
    {
        Peer peer(options, listener);
        peer.run(stopAt);
    }
    ::unlink(place->socketPath.c_str());
    ::close(listener);
    ::close(lock); // the lock file stays: removing it would let two servers lock different files
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const auto invocation = ostrane::peer::parseOptions(
        std::vector<std::string>(argv + 1, argv + argc), usage, isValidServiceName);
    writeAll(STDOUT_FILENO, invocation.output);
    writeAll(STDERR_FILENO, invocation.errors);
    if (!invocation.options) {
        return invocation.status;
    }
    if (!installSignals()) {
        complain("cannot handle signals: " + errorText());
        return exitFailure;
    }
    return serveUntilStopped(*invocation.options);
}
