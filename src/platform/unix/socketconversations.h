#pragma once

#include "core/conversations.h"

#include <chrono>
#include <optional>
#include <string>
#include <unordered_set>

namespace ostrane::platform {

// Conversations over the conversation socket: each conversation is one connected Unix stream
// socket, open while the socket is.
class SocketConversations final : public core::Conversations {
public:
    static constexpr std::chrono::milliseconds defaultOpenTimeout{1000};

    // Reads XDG_RUNTIME_DIR now; later changes to the environment do not move the sockets.
    explicit SocketConversations(std::chrono::milliseconds openTimeout = defaultOpenTimeout);
    // `runtimeDir` stands for XDG_RUNTIME_DIR's value, nothing meaning unset.
    SocketConversations(std::optional<std::string> runtimeDir,
                        std::chrono::milliseconds openTimeout = defaultOpenTimeout);
    // Closes the conversations still open.
    ~SocketConversations() override;

    SocketConversations(const SocketConversations&) = delete;
    SocketConversations& operator=(const SocketConversations&) = delete;

    // Connects, sends the request and waits for the answer, all within the open time-out.
    std::optional<core::Conversation> open(std::string_view service,
                                           std::string_view topic) override;
    // Ignores a conversation this object did not open or has closed already.
    void close(core::Conversation conversation) override;

    std::size_t openCount() const;

private:
    std::optional<std::string> runtimeDir_;
    std::chrono::milliseconds openTimeout_;
    std::unordered_set<int> open_;
};

} // namespace ostrane::platform
