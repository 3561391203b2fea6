#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ostrane::core {

// An open client conversation, as the platform identifies it (a socket, a DDE handle).
struct Conversation {
    std::uintptr_t handle = 0;
};

// The player link: one conversation per message, the topic being the message itself.
class Conversations {
public:
    virtual ~Conversations() = default;

    // Opens a client conversation with the server answering `service` about `topic`. The
    // service is UTF-8; the topic is bytes, a song's path exactly as the file system names
    // it, which need not be UTF-8. Gives nothing when no server accepts.
    virtual std::optional<Conversation> open(std::string_view service, std::string_view topic) = 0;

    // Ends a conversation that `open` gave.
    virtual void close(Conversation conversation) = 0;
};

} // namespace ostrane::core
