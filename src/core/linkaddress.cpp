#include "core/linkaddress.h"

namespace ostrane::core {

std::optional<LinkAddress> splitLinkAddress(std::string_view address) {
    const auto bar = address.find('|');
    if (bar == std::string_view::npos)
        return std::nullopt;
    return LinkAddress{address.substr(0, bar), address.substr(bar + 1)};
}

std::string playerAddress(std::string_view topic) {
    std::string address;
    address.reserve(PlayerService.size() + 1 + topic.size());
    address.append(PlayerService).append(1, '|').append(topic);
    return address;
}

} // namespace ostrane::core
