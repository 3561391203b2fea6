#pragma once

// What a service name may be, for every client and server of the conversation socket and for
// the link peers on every platform. Plain C++.

#include <cstddef>
#include <string>
#include <string_view>

namespace ostrane::core {

inline constexpr std::size_t maxServiceBytes = 255;

// 1 to maxServiceBytes bytes; no '/' and no NUL; not "." or ".."; not ending in ".lock" in any
// case. A socket's name is the service's, so no name reaches a folder entry that is not its
// own socket: neither the folder itself, its parent, nor any server's lock file.
bool isValidServiceName(std::string_view service);

// Service names match without regard to ASCII case; the socket carries the lower-case form.
std::string lowerCaseServiceName(std::string_view service);
bool sameServiceName(std::string_view a, std::string_view b);

} // namespace ostrane::core
