#pragma once

// A session bus connection on the server's poll loop, through sd-bus: every call is
// asynchronous and its reply comes back as a callback on the loop's one thread.

#include "pollloop.h"

#include <chrono>
#include <functional>
#include <string>
#include <systemd/sd-bus.h>

namespace ostrane::bridge {

// The reply to a call: `reply` holds the reply's arguments when `error` is null.
using ReplyHandler = std::function<void(sd_bus_message* reply, const sd_bus_error* error)>;
using SignalHandler = std::function<void(sd_bus_message* signal)>;
// Appends a call's arguments; a negative errno when it cannot.
using Arguments = std::function<int(sd_bus_message* call)>;

class SessionBus {
public:
    // Connects to the session bus; on failure, `error` says why and connected() is false.
    SessionBus(server::PollLoop& loop, std::function<void()> lost);
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    bool connected() const { return bus_ != nullptr; }
    server::PollLoop& loop() { return loop_; }
    const std::string& error() const { return error_; }

    // Sends now; `reply` runs once, with the reply or an error (NoReply after `timeout`).
    void call(const char* destination, const char* path, const char* interface, const char* member,
              const Arguments& arguments, ReplyHandler reply, std::chrono::milliseconds timeout);
    // Delivers every message that matches `rule` for as long as the bus lives.
    void subscribe(const std::string& rule, SignalHandler handler);
    // Sends what is queued, waiting for the bus to take it (at exit).
    void flush();

private:
    void prepare();
    void process();

    server::PollLoop& loop_;
    std::function<void()> lost_;
    sd_bus* bus_ = nullptr;
    std::string error_;
    server::PollLoop::Id watch_ = 0;
    server::PollLoop::Id timer_ = 0;
    bool gone_ = false;
};

// Reads the string, object path or signature at the message's position; nothing on a mismatch.
bool readText(sd_bus_message* m, std::string& out);

} // namespace ostrane::bridge
