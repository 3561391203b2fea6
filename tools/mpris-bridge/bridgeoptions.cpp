#include "bridgeoptions.h"

#include "core/servicename.h"
#include "outputline.h"

namespace ostrane::bridge {

namespace {

constexpr int exitUsage = 2;

// Appended piece by piece: g++ 12 at -O3 takes "\"" + string for an overlapping copy (a
// false -Wrestrict).
std::string quoted(std::string_view text) {
    std::string out = "\"";
    out += server::printable(text);
    out += '"';
    return out;
}

} // namespace

const std::string_view bridgeUsage =
    "Usage: corvissa-mpris-bridge [--service NAME] [--player NAME[,NAME...]]\n"
    "                             [--ignore-player NAME[,NAME...]] [--launch COMMAND]\n"
    "Serves conversations for NAME (default QV-spc) and forwards each to an MPRIS player.\n"
    "  --service NAME         the service to serve (matched without regard to case)\n"
    "  --player NAMES         players to drive, best first; NAME also matches NAME.instance...,\n"
    "                         %any stands for every other player (default: the most recently\n"
    "                         active player)\n"
    "  --ignore-player NAMES  players never to drive\n"
    "  --launch COMMAND       when no player is there, at the start or for a command, run\n"
    "                         COMMAND (through /bin/sh); a command waits up to 800 ms for it\n"
    "  --help                 show this help\n";

std::string bridgeComplaint(std::string_view message) {
    std::string line(programName);
    line += ": ";
    line.append(message);
    line.push_back('\n');
    return line;
}

BridgeInvocation parseBridgeOptions(const std::vector<std::string>& args) {
    BridgeInvocation invocation{
        .options = BridgeOptions{}, .status = exitUsage, .output = {}, .errors = {}};
    BridgeOptions& options = *invocation.options;
    auto refuse = [&](const std::string& reason, bool withUsage = false) {
        invocation.options.reset();
        invocation.errors = bridgeComplaint(reason);
        if (withUsage) {
            invocation.errors.append(bridgeUsage);
        }
        return invocation;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help") {
            invocation.options.reset();
            invocation.status = 0;
            invocation.output = bridgeUsage;
            return invocation;
        }
        const bool takesValue = arg == "--service" || arg == "--player" ||
                                arg == "--ignore-player" || arg == "--launch";
        if (!takesValue) {
            return refuse("unknown option " + quoted(arg), true);
        }
        if (i + 1 >= args.size()) {
            return refuse(arg + " needs a value");
        }
        const std::string& value = args[++i];
        if (arg == "--service") {
            if (!core::isValidServiceName(value)) {
                return refuse("invalid service name " + quoted(value) +
                              " (1 to 255 bytes, no '/')");
            }
            options.service = value;
        } else if (arg == "--player" || arg == "--ignore-player") {
            auto names = splitNameList(value);
            if (names.empty()) {
                return refuse(arg + " needs at least one player name");
            }
            auto& list = arg == "--player" ? options.players.priority : options.players.ignored;
            list.insert(list.end(), names.begin(), names.end());
        } else {
            if (value.empty()) {
                return refuse("--launch needs a command");
            }
            options.launch = value;
        }
    }
    invocation.status = 0;
    return invocation;
}

} // namespace ostrane::bridge
