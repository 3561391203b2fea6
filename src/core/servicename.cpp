#include "core/servicename.h"

#include <algorithm>

namespace ostrane::core {

namespace {

constexpr std::string_view lockSuffix = ".lock";

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool isValidServiceName(std::string_view service) {
    if (service.empty() || service.size() > maxServiceBytes || service == "." || service == ".." ||
        service.find_first_of(std::string_view("/\0", 2)) != std::string_view::npos) {
        return false;
    }
    return service.size() < lockSuffix.size() ||
           !sameServiceName(service.substr(service.size() - lockSuffix.size()), lockSuffix);
}

std::string lowerCaseServiceName(std::string_view service) {
    std::string lower(service);
    std::transform(lower.begin(), lower.end(), lower.begin(), lowerAscii);
    return lower;
}

bool sameServiceName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

} // namespace ostrane::core
