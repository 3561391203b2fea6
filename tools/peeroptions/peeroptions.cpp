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

std::string usage(std::string_view hang, std::string_view chatter) {
    using server::OptionHelp;
    return server::usageText(
        programName, {"[--service NAME] [--refuse | --hang | --chatter]", "[--stop-after SECONDS]"},
        "Serves conversations for NAME (default QV-spc) and prints one line per event.",
        {
            OptionHelp{"--service NAME", "the service to serve (matched without regard to case)"},
            OptionHelp{"--refuse", "refuse every conversation"},
            OptionHelp{"--hang", hang},
            OptionHelp{"--chatter", chatter},
            OptionHelp{"--stop-after SECONDS",
                       "stop after that time (decimals allowed) and exit 0"},
            OptionHelp{"--help", "show this help"},
        });
}

Invocation parseOptions(const std::vector<std::string>& args, std::string_view usage) {
    Invocation invocation{.options = Options{}, .status = exitUsage, .output = {}, .errors = {}};
    Options& options = *invocation.options;
    auto refuse = [&](const std::string& reason, bool withUsage = false) {
        invocation.options.reset();
        invocation.errors = server::complaintLine(programName, reason);
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
                return refuse(server::invalidServiceName(name));
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
