#include "peeroptions.h"

#include "core/servicename.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace ostrane::peer {

namespace {

std::optional<Clock::duration> parseSeconds(const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || errno != 0 || !std::isfinite(seconds) ||
        seconds < 0 || seconds > 1e7)
        return std::nullopt;
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

Mode modeNamed(std::string_view option) {
    if (option == "--refuse")
        return Mode::refuse;
    if (option == "--hang")
        return Mode::hang;
    return Mode::chatter;
}

} // namespace

std::string complaint(std::string_view message) {
    std::string line = "corvissa-link-peer: ";
    line.append(message);
    line.push_back('\n');
    return line;
}

Invocation parseOptions(const std::vector<std::string>& args, std::string_view usage) {
    Invocation invocation{.options = Options{}, .status = exitUsage, .output = {}, .errors = {}};
    Options& options = *invocation.options;
    auto refuse = [&](const std::string& reason, bool withUsage = false) {
        invocation.options.reset();
        invocation.errors = complaint(reason);
        if (withUsage)
            invocation.errors.append(usage);
        return invocation;
    };
    bool modeGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = arg == "--service" || arg == "--stop-after";
        if (takesValue && i + 1 >= args.size())
            return refuse(arg + " needs a value");
        if (arg == "--help") {
            invocation.options.reset();
            invocation.status = 0;
            invocation.output = usage;
            return invocation;
        } else if (arg == "--service") {
            const std::string& name = args[++i];
            if (!ostrane::core::isValidServiceName(name))
                return refuse("invalid service name \"" + printable(name) + "\" (1 to " +
                              std::to_string(ostrane::core::maxServiceBytes) +
                              " bytes, no '/', not \".\" or \"..\", not ending in \".lock\")");
            options.service = name;
        } else if (arg == "--refuse" || arg == "--hang" || arg == "--chatter") {
            const Mode mode = modeNamed(arg);
            if (modeGiven && options.mode != mode)
                return refuse("--refuse, --hang and --chatter exclude one another");
            options.mode = mode;
            modeGiven = true;
        } else if (arg == "--stop-after") {
            const std::string& text = args[++i];
            options.stopAfter = parseSeconds(text);
            if (!options.stopAfter)
                return refuse("--stop-after needs a number of seconds, not \"" + printable(text) +
                              "\"");
        } else {
            return refuse("unknown option \"" + printable(arg) + "\"", true);
        }
    }
    invocation.status = 0;
    return invocation;
}

} // namespace ostrane::peer
