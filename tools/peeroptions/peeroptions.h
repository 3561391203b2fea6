#pragma once

// The command line and the output words that the link peers share on every platform.

#include "commandline.h"
#include "outputline.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane::peer {

using Clock = std::chrono::steady_clock;

inline constexpr std::string_view programName = "corvissa-link-peer";

using ostrane::server::exitFailure;
using ostrane::server::exitNameTaken;
using ostrane::server::exitUsage;
using ostrane::server::printable;

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

// The help text, with what --hang and --chatter do on this platform.
std::string usage(std::string_view hang, std::string_view chatter);

// `usage` is the help text; a --service name must pass isValidServiceName.
Invocation parseOptions(const std::vector<std::string>& args, std::string_view usage);

} // namespace ostrane::peer
