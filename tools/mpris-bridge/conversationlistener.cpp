#include "conversationlistener.h"

#include <unistd.h>

namespace ostrane::bridge {

namespace {

std::string malformed(unsigned long number) {
    return "refuse " + server::connectionTag(number) + " malformed request";
}

} // namespace

ConversationListener::ConversationListener(server::ConversationServer& server, Bridge& bridge,
                                           Bridge::Print print, QObject* parent)
    : QObject(parent), server_(server), bridge_(bridge), print_(std::move(print)),
      acceptNotifier_(server.fd(), QSocketNotifier::Read) {
    acceptNotifier_.setEnabled(false);
    connect(&acceptNotifier_, &QSocketNotifier::activated, this, &ConversationListener::acceptAll);
}

ConversationListener::~ConversationListener() {
    for (auto& [number, connection] : connections_) {
        connection->notifier.reset();
        ::close(connection->fd);
    }
}

void ConversationListener::listen() {
    acceptNotifier_.setEnabled(true);
}

void ConversationListener::acceptAll() {
    for (;;) {
        const server::Accepted accepted = server_.acceptOne();
        if (accepted.outcome == server::Accepted::Outcome::outOfDescriptors) {
            server::complain(programName, "cannot accept: out of file descriptors");
            acceptNotifier_.setEnabled(false);
            QTimer::singleShot(server::acceptRetryDelay, this,
                               [this] { acceptNotifier_.setEnabled(true); });
            return;
        }
        if (accepted.outcome == server::Accepted::Outcome::nothingWaiting ||
            accepted.outcome == server::Accepted::Outcome::failed) {
            return;
        }
        if (accepted.outcome != server::Accepted::Outcome::connection) {
            continue; // the library closed it itself
        }
        const unsigned long number = accepted.number;
        if (connections_.size() >= server::connectionLimit) {
            server::complain(programName,
                             "too many connections; refusing " + server::connectionTag(number));
            server::refuseAndClose(accepted.fd);
            continue;
        }
        auto connection = std::make_unique<Connection>();
        connection->fd = accepted.fd;
        connection->number = number;
        connection->notifier =
            std::make_unique<QSocketNotifier>(accepted.fd, QSocketNotifier::Read);
        connect(connection->notifier.get(), &QSocketNotifier::activated, this,
                [this, number] { readable(number); });
        connection->requestTimer = std::make_unique<QTimer>();
        connection->requestTimer->setSingleShot(true);
        connect(connection->requestTimer.get(), &QTimer::timeout, this, [this, number] {
            // Idle clients must not hold a connection for ever.
            drop(number, malformed(number));
        });
        connection->requestTimer->start(std::chrono::duration_cast<std::chrono::milliseconds>(
            connection->reader.deadline() - server::Clock::now()));
        connections_.emplace(number, std::move(connection));
    }
    // A client writes its request as soon as it connects, so it is usually here already:
    // reading it now saves a turn of the event loop.
    readRequests();
}

void ConversationListener::readable(unsigned long number) {
    const auto it = connections_.find(number);
    if (it == connections_.end()) {
        return;
    }
    Connection& c = *it->second;
    if (c.stage == Connection::Stage::reading) {
        readRequests();
    } else if (server::drainAfterRequest(c.fd) == server::Afterwards::closed) {
        drop(number, "close " + server::connectionTag(number));
    }
}

// The event loop reports readable clients in an order of its own; reading every client still
// in its request, in the order they connected, hands the bridge whole requests in the order
// they came.
void ConversationListener::readRequests() {
    // Each next one is found afresh: a request handed on may end other conversations.
    unsigned long next = 0;
    for (auto it = connections_.lower_bound(next); it != connections_.end();
         it = connections_.lower_bound(next)) {
        next = it->first + 1;
        if (it->second->stage == Connection::Stage::reading) {
            readRequest(it->first);
        }
    }
}

void ConversationListener::readRequest(unsigned long number) {
    Connection& c = *connections_.at(number);
    switch (c.reader.readFrom(c.fd)) {
    case server::RequestReader::Result::needMore:
        return;
    case server::RequestReader::Result::malformed:
    case server::RequestReader::Result::cutShort:
        drop(number, malformed(number));
        return;
    case server::RequestReader::Result::complete:
        break;
    }
    c.stage = Connection::Stage::answering;
    c.requestTimer.reset();
    const auto& request = c.reader.request();
    bridge_.converse(number, request.service, request.topic,
                     [this, number](bool accepted) { answered(number, accepted); });
}

void ConversationListener::answered(unsigned long number, bool accepted) {
    const auto it = connections_.find(number);
    if (it == connections_.end()) {
        return; // the client left before its answer
    }
    Connection& c = *it->second;
    if (!accepted) {
        drop(number, "");
    } else if (!server::sendAnswer(c.fd, server::Answer::accept)) {
        server::complain(programName, "conversation " + server::connectionTag(number) +
                                          " ended before its answer");
        drop(number, "");
    } else {
        c.stage = Connection::Stage::open;
    }
}

// Refuses where the connection still allows it, closes it, and prints `line` if any.
void ConversationListener::drop(unsigned long number, const std::string& line) {
    const auto it = connections_.find(number);
    if (it == connections_.end()) {
        return;
    }
    std::unique_ptr<Connection> c = std::move(it->second);
    connections_.erase(it);
    c->notifier.reset();
    if (c->stage == Connection::Stage::open) {
        ::close(c->fd);
    } else {
        server::refuseAndClose(c->fd);
    }
    if (!line.empty()) {
        print_(line);
    }
}

} // namespace ostrane::bridge
