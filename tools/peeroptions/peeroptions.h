#pragma once

// The command line and the output words that the link peers share on every platform.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane::peer {

using Clock = std::chrono::steady_clock;

// Exit statuses of both peers: cannot serve, bad options, the name already served.
inline constexpr int exitFailure = 1;
inline constexpr int exitUsage = 2;
inline constexpr int exitNameTaken = 3;

enum class Mode { accept, refuse, hang, chatter };

struct Options {
    std::string service = "QV-spc";
    Mode mode = Mode::accept;
    std::optional<Clock::duration> stopAfter;
};

// What a command line asks for: options to serve with, or text to print before exiting
// with `status` (the help on standard output, reasons on standard error).
struct Invocation {
    std::optional<Options> options;
    int status = 0;
    std::string output;
    std::string errors;
};

// `usage` is the help text; `isValidService` judges a --service name.
Invocation parseOptions(const std::vector<std::string>& args, std::string_view usage,
                        bool (*isValidService)(std::string_view));

// Control bytes as \xNN so an event stays one line; everything else byte for byte.
std::string printable(std::string_view text);

// "corvissa-link-peer: message\n", the form of every complaint.
std::string complaint(std::string_view message);

} // namespace ostrane::peer
