#pragma once

#include "core/conversations.h"

#include <set>
#include <string>
#include <vector>

namespace ostrane::testing {

// Records every open and close as a line, "open 1 QV-spc|STOP" and "close 1".
class FakeConversations : public core::Conversations {
public:
    std::optional<core::Conversation> open(std::string_view service,
                                           std::string_view topic) override {
        const std::string address = std::string(service) + "|" + std::string(topic);
        if (!serverRunning) {
            events.push_back("failed " + address);
            return std::nullopt;
        }
        const std::uintptr_t id = ++lastId_;
        openIds.insert(id);
        events.push_back("open " + std::to_string(id) + " " + address);
        return core::Conversation{id};
    }

    void close(core::Conversation conversation) override {
        openIds.erase(conversation.handle);
        events.push_back("close " + std::to_string(conversation.handle));
    }

    bool serverRunning = true;
    std::vector<std::string> events;
    std::set<std::uintptr_t> openIds;

private:
    std::uintptr_t lastId_ = 0;
};

} // namespace ostrane::testing
