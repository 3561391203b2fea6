#include "commandline.h"

#include "core/servicename.h"
#include "outputline.h"

#include <algorithm>

namespace ostrane::server {

std::string complaintLine(std::string_view program, std::string_view message) {
    std::string line(program);
    line.append(": ");
    line.append(message);
    line.push_back('\n');
    return line;
}

std::string usageText(std::string_view program, const std::vector<std::string_view>& synopsis,
                      std::string_view summary, const std::vector<OptionHelp>& options) {
    const std::string prefix = "Usage: " + std::string(program) + " ";
    std::string text;
    for (std::size_t i = 0; i < synopsis.size(); ++i) {
        text += i == 0 ? prefix : std::string(prefix.size(), ' ');
        text.append(synopsis[i]);
        text += '\n';
    }
    text.append(summary);
    text += '\n';
    std::size_t width = 0;
    for (const auto& option : options) {
        width = std::max(width, option.option.size());
    }
    for (const auto& option : options) {
        text += "  ";
        text.append(option.option);
        std::string_view help = option.help;
        for (std::size_t pad = width + 2 - option.option.size();; pad = 2 + width + 2) {
            const auto end = help.find('\n');
            text += std::string(pad, ' ');
            text.append(help.substr(0, end));
            text += '\n';
            if (end == std::string_view::npos) {
                break;
            }
            help.remove_prefix(end + 1);
        }
    }
    return text;
}

std::string invalidServiceName(std::string_view name) {
    std::string message = "invalid service name \"";
    message += printable(name);
    message += "\" (1 to ";
    message += std::to_string(ostrane::core::maxServiceBytes);
    message += " bytes, no '/', not \".\" or \"..\", not ending in \".lock\")";
    return message;
}

} // namespace ostrane::server
