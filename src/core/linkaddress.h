#pragma once

#include <optional>
#include <string_view>

namespace ostrane::core {

// A link address: the service, one "|", then the topic.
struct LinkAddress {
    std::string_view service;
    std::string_view topic;
};

// Splits at the first "|"; the topic keeps any further "|". Nothing without a "|".
std::optional<LinkAddress> splitLinkAddress(std::string_view address);

} // namespace ostrane::core
