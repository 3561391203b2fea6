#pragma once

// The server's side of one connection: reading its request in pieces of any size.

#include "platform/unix/conversationsocket.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ostrane::server {

using Clock = std::chrono::steady_clock;
using ostrane::platform::ConversationRequest;

// How long a client may take to send its whole request.
inline constexpr auto requestTimeLimit = std::chrono::seconds(5);

// Reads one request from bytes that arrive in pieces of any size.
class RequestParser {
public:
    enum class State { needMore, complete, malformed };

    // Takes bytes up to the end of the request; bytes after it are left unconsumed.
    State feed(std::string_view bytes);

    State state() const { return state_; }
    // Bytes taken so far, the whole request once complete.
    std::size_t consumed() const { return consumed_; }
    // Meaningful once complete.
    const ConversationRequest& request() const { return request_; }

private:
    enum class Part { magic, serviceLength, service, topicLength, topic };

    State fail();

    State state_ = State::needMore;
    Part part_ = Part::magic;
    std::size_t consumed_ = 0;
    std::size_t partRead_ = 0; // bytes of the current fixed-size part read so far
    std::uint32_t length_ = 0; // length field being assembled, or the one being filled
    ConversationRequest request_;
};

// One connection's request: fed from its non-blocking socket whenever it is readable, until
// the request is complete or found bad. A client that takes longer than requestTimeLimit has
// sent a malformed request.
class RequestReader {
public:
    // cutShort: the stream ended before a whole request (nobody is left to answer).
    enum class Result { needMore, complete, malformed, cutShort };

    explicit RequestReader(Clock::time_point start = Clock::now())
        : deadline_(start + requestTimeLimit) {}

    // Reads what the socket holds now (once; a later readiness brings the rest).
    Result readFrom(int fd);
    // Bytes from elsewhere; an empty piece means the end of the stream.
    Result feed(std::string_view bytes);

    Result result() const { return result_; }
    // Meaningful once complete.
    const ConversationRequest& request() const { return parser_.request(); }
    Clock::time_point deadline() const { return deadline_; }
    // True once the deadline has passed without a whole request; the result is then malformed.
    bool expire(Clock::time_point now);

private:
    RequestParser parser_;
    Result result_ = Result::needMore;
    Clock::time_point deadline_;
};

} // namespace ostrane::server
