#include "core/linkcontrol.h"

#include "core/linkaddress.h"
#include "core/resumenext.h"

namespace ostrane::core {

LinkControl::LinkControl(Conversations& conversations) : conversations_(conversations) {}

LinkControl::~LinkControl() {
    close();
}

void LinkControl::setLinkMode(LinkMode mode) {
    if (mode == LinkMode::None)
        close();
    else if (!conversation_)
        open();
}

void LinkControl::send(std::string_view text) {
    resumeNext([&] { setLinkMode(LinkMode::None); });
    resumeNext([&] { setLinkTopic(text); });
    resumeNext([&] { setLinkMode(LinkMode::Automatic); });
}

void LinkControl::open() {
    const auto address = splitLinkAddress(linkTopic_);
    if (!address)
        throw LinkError("link address without a service: " + linkTopic_);
    conversation_ = conversations_.open(address->service, address->topic);
    if (!conversation_)
        throw LinkError("no server accepted the conversation: " + linkTopic_);
}

void LinkControl::close() {
    if (conversation_)
        conversations_.close(*std::exchange(conversation_, std::nullopt));
}

} // namespace ostrane::core
