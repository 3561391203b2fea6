// corvissa-link-peer: serves conversations on the conversation socket and reports each one on
// standard output, one line per event. See docs/PROTOCOL.md for the output format.

#include "conversationserver.h"
#include "eventoutput.h"
#include "peeroptions.h"
#include "stopsignals.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <set>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>
#include <variant>
#include <vector>

namespace {

using namespace ostrane::server;
using ostrane::peer::Mode;
using ostrane::peer::Options;

constexpr std::string_view program = "corvissa-link-peer";
constexpr auto exitFlushTime = std::chrono::seconds(1);
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

// One unbuffered write per event, so a reader always sees whole lines without delay.
// While serving, both go through outputs that never wait for their reader.
EventOutput* events = nullptr;
EventOutput* notices = nullptr;
// The read end of the pipe that SIGINT and SIGTERM write to.
int stopSignals = -1;

// One event, one line; a reader always sees whole lines without delay.
void event(const std::string& line) {
    if (events != nullptr) {
        events->line(line);
    } else {
        writeAll(STDOUT_FILENO, line + "\n");
    }
}

void complain(const std::string& message) {
    if (notices != nullptr) {
        notices->line(std::string(program) + ": " + message);
    } else {
        ostrane::server::complain(program, message);
    }
}

std::string errorText() {
    return std::strerror(errno);
}

struct Connection {
    enum class Stage { reading, open, hung };

    int fd = -1;
    unsigned long number = 0;
    Stage stage = Stage::reading;
    RequestReader reader;
    std::string pending; // chatter not yet written
    bool done = false;
};

class Peer {
public:
    Peer(Options options, ConversationServer& server)
        : options_(std::move(options)), server_(server) {}

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
    int pollTimeout(std::optional<Clock::time_point> stopAt) const;

    Options options_;
    ConversationServer& server_;
    std::vector<Connection> connections_;
    std::optional<Clock::time_point> acceptPausedUntil_;
    std::set<uid_t> foreignUsersReported_;
};

void Peer::finish(Connection& c, const std::string& line) {
    if (!line.empty()) {
        event(line);
    }
    ::close(c.fd);
    c.done = true;
}

void Peer::answer(Connection& c) {
    const ConversationRequest& request = c.reader.request();
    const std::string number = connectionTag(c.number);
    const std::string what = printableConversation(request.service, request.topic);
    if (options_.mode == Mode::refuse ||
        !ostrane::core::sameServiceName(request.service, options_.service)) {
        sendAnswer(c.fd, Answer::refuse);
        finish(c, "refuse " + number + " " + what);
    } else if (options_.mode == Mode::hang) {
        c.stage = Connection::Stage::hung;
        event("hang " + number + " " + what);
    } else if (!sendAnswer(c.fd, Answer::accept)) {
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
    const std::string number = connectionTag(c.number);
    if (c.stage != Connection::Stage::reading) {
        // Clients have nothing to say after their request; reading only notices them leave.
        if (drainAfterRequest(c.fd) == Afterwards::closed) {
            finish(c, "close " + number);
        }
        return;
    }
    switch (c.reader.readFrom(c.fd)) {
    case RequestReader::Result::needMore:
        break;
    case RequestReader::Result::malformed:
        sendAnswer(c.fd, Answer::refuse);
        finish(c, "refuse " + number + " malformed request");
        break;
    case RequestReader::Result::cutShort:
        finish(c, "refuse " + number + " malformed request");
        break;
    case RequestReader::Result::complete:
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
        const Accepted accepted = server_.acceptOne();
        if (accepted.outcome == Accepted::Outcome::otherUser) {
            if (foreignUsersReported_.insert(accepted.uid).second) {
                complain("refusing connections from another user (uid " +
                         std::to_string(accepted.uid) + ")");
            }
            continue;
        }
        if (accepted.outcome == Accepted::Outcome::outOfDescriptors) {
            // Leave the rest in the backlog for a moment rather than spin on the listener.
            // Said once until a connection is taken again.
            if (accepted.newEpisode) {
                complain("cannot accept: " + std::string(std::strerror(accepted.error)) +
                         "; retrying until descriptors are free");
            }
            acceptPausedUntil_ = Clock::now() + acceptRetryDelay;
        }
        if (accepted.outcome != Accepted::Outcome::connection) {
            return;
        }
        Connection c;
        c.fd = accepted.fd;
        c.number = accepted.number;
        if (connections_.size() >= connectionLimit) {
            reapClosed(); // a client may have left while this loop was accepting
        }
        if (connections_.size() >= connectionLimit) {
            complain("too many connections; refusing " + connectionTag(c.number));
            refuseAndClose(c.fd);
            continue;
        }
        c.reader = RequestReader(Clock::now());
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
            consider(c.reader.deadline());
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
        fds.push_back({stopSignals, POLLIN, 0});
        fds.push_back({acceptPausedUntil_ ? -1 : server_.fd(), POLLIN, 0});
        for (const EventOutput* output : {events, notices}) {
            fds.push_back({output != nullptr && output->waiting() ? output->fd() : -1, POLLOUT, 0});
        }
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
        if (fds[2].revents != 0) {
            events->flush();
        }
        if (fds[3].revents != 0) {
            notices->flush();
        }
        constexpr std::size_t first = 4;
        for (std::size_t i = 0; i < connections_.size(); ++i) {
            if (fds[i + first].revents != 0) {
                serve(connections_[i], fds[i + first].revents);
            }
        }
        const auto later = Clock::now();
        for (auto& c : connections_) {
            if (!c.done && c.stage == Connection::Stage::reading && c.reader.expire(later)) {
                // Idle clients must not hold a connection slot for ever.
                sendAnswer(c.fd, Answer::refuse);
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
    auto opened = ConversationServer::open(
        options.service, ostrane::platform::runtimeDirFromEnvironment(), ::geteuid());
    if (const auto* failure = std::get_if<OpenFailure>(&opened)) {
        complain(failure->message);
        return failure->status;
    }
    auto& server = std::get<ConversationServer>(opened);
    event("ready " + printable(server.socketPath()));
    const auto stopAt =
        options.stopAfter ? std::optional(Clock::now() + *options.stopAfter) : std::nullopt;
    Peer peer(options, server);
    peer.run(stopAt);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const auto invocation =
        ostrane::peer::parseOptions(std::vector<std::string>(argv + 1, argv + argc), usage);
    writeAll(STDOUT_FILENO, invocation.output);
    writeAll(STDERR_FILENO, invocation.errors);
    if (!invocation.options) {
        return invocation.status;
    }
    stopSignals = ostrane::server::installStopSignals();
    if (stopSignals < 0) {
        complain("cannot handle signals: " + errorText());
        return exitFailure;
    }
    EventOutput output(STDOUT_FILENO);
    EventOutput errors(STDERR_FILENO);
    events = &output;
    notices = &errors;
    const int status = serveUntilStopped(*invocation.options);
    // Whatever still waits gets a moment to reach a reader that is merely slow.
    output.finish(exitFlushTime);
    errors.finish(exitFlushTime);
    events = nullptr;
    notices = nullptr;
    return status;
}
