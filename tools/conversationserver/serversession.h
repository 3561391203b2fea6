#pragma once

// Everything a server does with its connections, for every server on the conversation socket:
// taking them (only its own user's; another user's is said once per user), reading each
// request, saying once per episode that descriptors ran out, answering, noticing the client
// leave, and writing one output line per event through outputs that never wait for their
// reader. What a request is answered with is the owner's business: it gets each whole
// request, in the order the connections came, and answers at once or later.

#include "conversationserver.h"
#include "eventoutput.h"
#include "pollloop.h"

#include <chrono>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>

namespace ostrane::server {

class ServerSession {
public:
    using OnRequest = std::function<void(unsigned long number, const ConversationRequest&)>;

    // Output lines go to standard output, complaints ("PROGRAM: message") to standard error.
    ServerSession(std::string_view program, PollLoop& loop, OnRequest onRequest);
    ~ServerSession(); // closes every connection
    ServerSession(const ServerSession&) = delete;
    ServerSession& operator=(const ServerSession&) = delete;

    // Starts taking the server's connections; the server outlives the session's serving.
    void serve(ConversationServer& server);

    void event(std::string_view line);
    void complain(std::string_view message);

    // Answers conversation `number` (nothing happens if its client has left): accepted, the
    // line follows the answer and `afterwards` goes to the client after it; refused, it is
    // closed, then the line; held, it is never answered.
    void accept(unsigned long number, std::string_view line, std::string afterwards = {});
    void refuse(unsigned long number, std::string_view line);
    void hold(unsigned long number, std::string_view line);

    // Writes what waits, waiting at most `bound` for a reader that is merely slow (at exit).
    void finish(std::chrono::milliseconds bound);

private:
    struct Connection {
        enum class Stage { reading, answering, open, held };
        int fd = -1;
        PollLoop::Id watch = 0;
        PollLoop::Id deadline = 0;
        Stage stage = Stage::reading;
        RequestReader reader;
        std::string pending; // bytes for the client after the answer, not yet sent
    };

    void acceptAll();
    void readWaitingRequests();
    void take(const Accepted& accepted);
    void serveConnection(unsigned long number, short revents);
    void readRequest(unsigned long number, Connection& c);
    void sendPending(Connection& c);
    void close(unsigned long number, std::string_view line, bool refuseFirst);
    void reapClosed();
    void pauseAccepting();
    void updateOutputWatches();

    std::string program_;
    PollLoop& loop_;
    OnRequest onRequest_;
    ConversationServer* server_ = nullptr;
    PollLoop::Id listenerWatch_ = 0;
    EventOutput events_;
    EventOutput notices_;
    PollLoop::Id eventsWatch_ = 0;
    PollLoop::Id noticesWatch_ = 0;
    std::map<unsigned long, Connection> connections_;
    std::set<uid_t> foreignUsersReported_;
};

} // namespace ostrane::server
