#pragma once

// The bridge's command line.

#include "bridgerules.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane::bridge {

inline constexpr std::string_view programName = "corvissa-mpris-bridge";

struct BridgeOptions {
    std::string service = "QV-spc";
    PlayerPreferences players;
    std::optional<std::string> launch; // a shell command that starts a player
};

// Options to serve with, or text to print before exiting with `status` (the help on
// standard output, reasons on standard error; 2 for bad options).
struct BridgeInvocation {
    std::optional<BridgeOptions> options;
    int status = 0;
    std::string output;
    std::string errors;
};

BridgeInvocation parseBridgeOptions(const std::vector<std::string>& args);

std::string bridgeUsage();

} // namespace ostrane::bridge
