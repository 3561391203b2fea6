#include "sdbus.h"

#include <cerrno>
#include <cstring>
#include <poll.h>

namespace ostrane::bridge {

namespace {

// A flood of messages from one player must not keep the loop from its other descriptors:
// at most this many are handled per turn, the rest on the next (sd-bus then asks for no wait).
constexpr int messagesPerTurn = 64;

template <typename Handler> int deliver(sd_bus_message* m, void* userdata, sd_bus_error*) {
    (*static_cast<Handler*>(userdata))(m);
    return 0;
}

int deliverReply(sd_bus_message* m, void* userdata, sd_bus_error*) {
    const auto& handler = *static_cast<ReplyHandler*>(userdata);
    if (sd_bus_message_is_method_error(m, nullptr) != 0) {
        handler(nullptr, sd_bus_message_get_error(m));
    } else {
        handler(m, nullptr);
    }
    return 0;
}

template <typename Handler> void destroy(void* userdata) {
    delete static_cast<Handler*>(userdata);
}

// Hands the slot to the bus, which frees it and its handler once it has done with it.
template <typename Handler> void letBusOwn(sd_bus_slot* slot) {
    sd_bus_slot_set_destroy_callback(slot, destroy<Handler>);
    sd_bus_slot_set_floating(slot, 1);
    sd_bus_slot_unref(slot);
}

} // namespace

bool readText(sd_bus_message* m, std::string& out) {
    char type = 0;
    if (sd_bus_message_peek_type(m, &type, nullptr) <= 0 ||
        (type != SD_BUS_TYPE_STRING && type != SD_BUS_TYPE_OBJECT_PATH &&
         type != SD_BUS_TYPE_SIGNATURE)) {
        return false;
    }
    const char* text = nullptr;
    const char format[] = {type, '\0'};
    if (sd_bus_message_read(m, format, &text) < 0 || text == nullptr) {
        return false;
    }
    out = text;
    return true;
}

SessionBus::SessionBus(server::PollLoop& loop, std::function<void()> lost)
    : loop_(loop), lost_(std::move(lost)) {
    const int r = sd_bus_open_user(&bus_);
    if (r < 0) {
        bus_ = nullptr;
        error_ = std::strerror(-r);
        return;
    }
    watch_ = loop_.watch(sd_bus_get_fd(bus_), POLLIN, [this](short) { process(); });
    loop_.beforeWait([this] { prepare(); });
}

SessionBus::~SessionBus() {
    if (bus_ != nullptr) {
        sd_bus_flush_close_unref(bus_);
    }
}

void SessionBus::prepare() {
    if (bus_ == nullptr || gone_) {
        return;
    }
    const int events = sd_bus_get_events(bus_);
    loop_.setEvents(watch_, static_cast<short>(events < 0 ? 0 : events));
    if (timer_ != 0) {
        loop_.cancel(timer_);
        timer_ = 0;
    }
    std::uint64_t usec = 0;
    if (sd_bus_get_timeout(bus_, &usec) > 0 && usec != UINT64_MAX) {
        // sd-bus counts CLOCK_MONOTONIC microseconds, as the steady clock does.
        const server::PollLoop::Clock::time_point when{std::chrono::microseconds(usec)};
        timer_ = loop_.at(when, [this] {
            timer_ = 0;
            process();
        });
    }
}

void SessionBus::process() {
    if (gone_) {
        return;
    }
    for (int i = 0; i < messagesPerTurn; ++i) {
        const int r = sd_bus_process(bus_, nullptr);
        if (r < 0 || sd_bus_is_open(bus_) <= 0) {
            gone_ = true;
            loop_.setEvents(watch_, 0);
            lost_();
            return;
        }
        if (r == 0) {
            return;
        }
    }
}

void SessionBus::call(const char* destination, const char* path, const char* interface,
                      const char* member, const Arguments& arguments, ReplyHandler reply,
                      std::chrono::milliseconds timeout) {
    sd_bus_message* m = nullptr;
    int r = gone_ ? -ENOTCONN
                  : sd_bus_message_new_method_call(bus_, &m, destination, path, interface, member);
    if (r >= 0 && arguments) {
        r = arguments(m);
    }
    sd_bus_slot* slot = nullptr;
    auto* handler = new ReplyHandler(std::move(reply));
    if (r >= 0) {
        r = sd_bus_call_async(bus_, &slot, m, deliverReply, handler,
                              static_cast<std::uint64_t>(timeout.count()) * 1000);
    }
    sd_bus_message_unref(m);
    if (r < 0) {
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_error_set_errno(&error, r);
        (*handler)(nullptr, &error);
        sd_bus_error_free(&error);
        delete handler;
        return;
    }
    letBusOwn<ReplyHandler>(slot);
}

void SessionBus::subscribe(const std::string& rule, SignalHandler handler) {
    sd_bus_slot* slot = nullptr;
    auto* owned = new SignalHandler(std::move(handler));
    if (sd_bus_add_match_async(bus_, &slot, rule.c_str(), deliver<SignalHandler>, nullptr, owned) <
        0) {
        delete owned;
        return;
    }
    letBusOwn<SignalHandler>(slot);
}

void SessionBus::flush() {
    if (bus_ != nullptr && !gone_) {
        sd_bus_flush(bus_);
    }
}

} // namespace ostrane::bridge
