#include "core/linkaddress.h"

namespace ostrane::core {

std::optional<LinkAddress> splitLinkAddress(std::string_view address) {
    const auto bar = address.find('|');
    if (bar == std::string_view::npos)
        return std::nullopt;
    return LinkAddress{address.substr(0, bar), address.substr(bar + 1)};
}

} // namespace ostrane::core
