#include "serversession.h"

#include "commandline.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace ostrane::server {

ServerSession::ServerSession(std::string_view program, PollLoop& loop, OnRequest onRequest)
    : program_(program), loop_(loop), onRequest_(std::move(onRequest)), events_(STDOUT_FILENO),
      notices_(STDERR_FILENO) {
    eventsWatch_ = loop_.watch(events_.fd(), 0, [this](short) { events_.flush(); });
    noticesWatch_ = loop_.watch(notices_.fd(), 0, [this](short) { notices_.flush(); });
    loop_.beforeWait([this] { updateOutputWatches(); });
}

ServerSession::~ServerSession() {
    for (auto& [number, c] : connections_) {
        ::close(c.fd);
    }
}

void ServerSession::updateOutputWatches() {
    loop_.setEvents(eventsWatch_, events_.waiting() ? POLLOUT : 0);
    loop_.setEvents(noticesWatch_, notices_.waiting() ? POLLOUT : 0);
}

void ServerSession::serve(ConversationServer& server) {
    server_ = &server;
    listenerWatch_ = loop_.watch(server.fd(), POLLIN, [this](short) { acceptAll(); });
}

void ServerSession::event(std::string_view line) {
    events_.line(line);
}

void ServerSession::complain(std::string_view message) {
    std::string line = complaintLine(program_, message);
    line.pop_back(); // the output ends each line itself
    notices_.line(line);
}

void ServerSession::finish(std::chrono::milliseconds bound) {
    events_.finish(bound);
    notices_.finish(bound);
}

void ServerSession::pauseAccepting() {
    // Leave the rest in the backlog for a moment rather than spin on the listener.
    loop_.setEvents(listenerWatch_, 0);
    loop_.at(Clock::now() + acceptRetryDelay, [this] { loop_.setEvents(listenerWatch_, POLLIN); });
}

// Requests are handed on in the order they came: before a newer connection's request is
// read, every older one still in its request is read, as the loop may report an older
// connection readable only after the listener.
void ServerSession::readWaitingRequests() {
    // Each next one is found afresh: a request handed on may end other conversations.
    for (auto it = connections_.begin(); it != connections_.end();) {
        const unsigned long number = it->first;
        if (it->second.stage == Connection::Stage::reading) {
            readRequest(number, it->second);
        }
        it = connections_.upper_bound(number);
    }
}

void ServerSession::acceptAll() {
    readWaitingRequests();
    for (;;) {
        // What the older connections did comes first, so the lines keep the order of events:
        // a client that left before the next one came is said to have closed before it opened.
        if (!connections_.empty()) {
            reapClosed();
        }
        const Accepted accepted = server_->acceptOne();
        switch (accepted.outcome) {
        case Accepted::Outcome::connection:
            take(accepted);
            continue;
        case Accepted::Outcome::otherUser:
            if (foreignUsersReported_.insert(accepted.uid).second) {
                complain("refusing connections from another user (uid " +
                         std::to_string(accepted.uid) + ")");
            }
            continue;
        case Accepted::Outcome::outOfDescriptors:
            if (accepted.newEpisode) {
                complain("cannot accept: " + std::string(std::strerror(accepted.error)) +
                         "; retrying until descriptors are free");
            }
            pauseAccepting();
            return;
        case Accepted::Outcome::failed:
            complain("cannot accept: " + std::string(std::strerror(accepted.error)));
            pauseAccepting();
            return;
        case Accepted::Outcome::nothingWaiting:
            return;
        }
    }
}

void ServerSession::take(const Accepted& accepted) {
    const unsigned long number = accepted.number;
    if (connections_.size() >= connectionLimit) {
        reapClosed(); // a client may have left while this loop was accepting
    }
    if (connections_.size() >= connectionLimit) {
        complain("too many connections; refusing " + connectionTag(number));
        refuseAndClose(accepted.fd);
        return;
    }
    Connection& c = connections_[number];
    c.fd = accepted.fd;
    c.reader = RequestReader(Clock::now());
    c.watch = loop_.watch(c.fd, POLLIN,
                          [this, number](short revents) { serveConnection(number, revents); });
    c.deadline = loop_.at(c.reader.deadline(), [this, number] {
        // Idle clients must not hold a connection slot for ever.
        const auto it = connections_.find(number);
        if (it != connections_.end() && it->second.stage == Connection::Stage::reading) {
            it->second.deadline = 0;
            close(number, "refuse " + connectionTag(number) + " malformed request", true);
        }
    });
    // A client writes its request as soon as it connects: it is usually here already.
    readRequest(number, c);
}

void ServerSession::serveConnection(unsigned long number, short revents) {
    const auto it = connections_.find(number);
    if (it == connections_.end()) {
        return;
    }
    Connection& c = it->second;
    if ((revents & POLLOUT) != 0) {
        sendPending(c);
    }
    if ((revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
        return;
    }
    if (c.stage == Connection::Stage::reading) {
        readRequest(number, c);
    } else if (drainAfterRequest(c.fd) == Afterwards::closed) {
        // Clients have nothing to say after their request; reading only notices them leave.
        close(number, "close " + connectionTag(number), false);
    }
}

void ServerSession::readRequest(unsigned long number, Connection& c) {
    switch (c.reader.readFrom(c.fd)) {
    case RequestReader::Result::needMore:
        return;
    case RequestReader::Result::malformed:
        close(number, "refuse " + connectionTag(number) + " malformed request", true);
        return;
    case RequestReader::Result::cutShort:
        close(number, "refuse " + connectionTag(number) + " malformed request", false);
        return;
    case RequestReader::Result::complete:
        break;
    }
    loop_.cancel(c.deadline);
    c.deadline = 0;
    c.stage = Connection::Stage::answering;
    const ConversationRequest request = c.reader.request();
    onRequest_(number, request); // may answer, and so end, the connection at once
}

void ServerSession::accept(unsigned long number, std::string_view line, std::string afterwards) {
    const auto it = connections_.find(number);
    if (it == connections_.end() || it->second.stage != Connection::Stage::answering) {
        return;
    }
    Connection& c = it->second;
    if (!sendAnswer(c.fd, Answer::accept)) {
        complain("conversation " + connectionTag(number) + " ended before its answer");
        close(number, "", false);
        return;
    }
    c.stage = Connection::Stage::open;
    event(line);
    if (!afterwards.empty()) {
        c.pending = std::move(afterwards);
        sendPending(c);
    }
}

void ServerSession::refuse(unsigned long number, std::string_view line) {
    const auto it = connections_.find(number);
    if (it != connections_.end() && it->second.stage == Connection::Stage::answering) {
        close(number, line, true);
    }
}

void ServerSession::hold(unsigned long number, std::string_view line) {
    const auto it = connections_.find(number);
    if (it != connections_.end() && it->second.stage == Connection::Stage::answering) {
        it->second.stage = Connection::Stage::held;
        event(line);
    }
}

void ServerSession::sendPending(Connection& c) {
    while (!c.pending.empty()) {
        const ssize_t n = ::send(c.fd, c.pending.data(), c.pending.size(), MSG_NOSIGNAL);
        if (n > 0) {
            c.pending.erase(0, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break; // the rest goes when the client's buffer has room
        } else {
            c.pending.clear(); // the client is gone; reading will see it close
        }
    }
    loop_.setEvents(c.watch, static_cast<short>(POLLIN | (c.pending.empty() ? 0 : POLLOUT)));
}

void ServerSession::close(unsigned long number, std::string_view line, bool refuseFirst) {
    const auto it = connections_.find(number);
    if (it == connections_.end()) {
        return;
    }
    Connection& c = it->second;
    loop_.unwatch(c.watch);
    if (c.deadline != 0) {
        loop_.cancel(c.deadline);
    }
    if (refuseFirst) {
        sendAnswer(c.fd, Answer::refuse);
    }
    ::close(c.fd);
    connections_.erase(it);
    if (!line.empty()) {
        event(line);
    }
}

void ServerSession::reapClosed() {
    std::vector<pollfd> fds;
    std::vector<unsigned long> numbers;
    for (const auto& [number, c] : connections_) {
        fds.push_back({c.fd, POLLIN, 0});
        numbers.push_back(number);
    }
    if (::poll(fds.data(), fds.size(), 0) <= 0) {
        return;
    }
    for (std::size_t i = 0; i < fds.size(); ++i) {
        if (fds[i].revents != 0) {
            serveConnection(numbers[i], fds[i].revents);
        }
    }
}

} // namespace ostrane::server
