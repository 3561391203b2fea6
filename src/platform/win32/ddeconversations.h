#pragma once

#include "core/conversations.h"

#include <chrono>
#include <memory>

namespace ostrane::platform::win32 {

// Conversations through DDEML as a client only. DDEML ties an instance and its conversations
// to one thread, which must pump window messages; this class keeps a thread of its own for
// them, so that a player that never answers holds an open for the time-out at most instead
// of freezing the caller.
class DdeConversations final : public core::Conversations {
public:
    static constexpr std::chrono::milliseconds defaultOpenTimeout{1000};

    explicit DdeConversations(std::chrono::milliseconds openTimeout = defaultOpenTimeout);
    // Ends the conversations still open.
    ~DdeConversations() override;
    DdeConversations(const DdeConversations&) = delete;
    DdeConversations& operator=(const DdeConversations&) = delete;

    // Service and topic travel as Unicode string handles, so a path in any script reaches
    // the server. Gives nothing when no server accepts within the time-out, when either text
    // is empty (an empty string handle would match any service or topic), or when a text is
    // not valid UTF-8 or longer than the 255 characters a string handle holds.
    std::optional<core::Conversation> open(std::string_view service,
                                           std::string_view topic) override;
    // Ends the conversation after every earlier request has been carried out; returns at once.
    void close(core::Conversation conversation) override;

    // False when DDEML could not be initialised; every open then fails.
    bool initialised() const;

private:
    class Client;
    // Shared with the DDE thread, which a hung player may keep past this object's end.
    std::shared_ptr<Client> client_;
    std::chrono::milliseconds openTimeout_;
    bool initialised_ = false;
};

} // namespace ostrane::platform::win32
