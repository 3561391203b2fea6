#pragma once

#include "core/conversations.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace ostrane::core {

enum class LinkMode { None = 0, Automatic = 1 };

// Raised by a link step that cannot be carried out, such as an open that no server accepts.
class LinkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The client side of a hidden link text box: where the next conversation goes (LinkTopic),
// whether one is open (LinkMode), and the conversation itself, at most one at a time.
class LinkControl {
public:
    explicit LinkControl(Conversations& conversations);
    ~LinkControl();
    LinkControl(const LinkControl&) = delete;
    LinkControl& operator=(const LinkControl&) = delete;

    const std::string& linkTopic() const { return linkTopic_; }
    void setLinkTopic(std::string_view address) { linkTopic_ = address; }

    LinkMode linkMode() const { return conversation_ ? LinkMode::Automatic : LinkMode::None; }
    // None closes the open conversation, if any. Automatic opens one to the address in
    // LinkTopic and throws LinkError when that fails, leaving the mode at None.
    void setLinkMode(LinkMode mode);

    // The send sequence: mode None, LinkTopic = text, mode Automatic. A failing step is
    // skipped and the next one still runs; nothing is reported.
    void send(std::string_view text);

private:
    void open();
    void close();

    Conversations& conversations_;
    std::string linkTopic_;
    std::optional<Conversation> conversation_;
};

} // namespace ostrane::core
