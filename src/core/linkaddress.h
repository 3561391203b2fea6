#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ostrane::core {

// The player's service, which every address of the main window names.
inline constexpr std::string_view PlayerService = "QV-spc";

// A link address: the service, one "|", then the topic.
struct LinkAddress {
    std::string_view service;
    std::string_view topic;
};

// Splits at the first "|"; the topic keeps any further "|". Nothing without a "|".
std::optional<LinkAddress> splitLinkAddress(std::string_view address);

// The address that sends `topic` to the player.
std::string playerAddress(std::string_view topic);

} // namespace ostrane::core
