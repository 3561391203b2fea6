#pragma once

// How servers write what they receive into their one-line-per-event output. Portable: the
// Windows peer shares it.

#include <string>
#include <string_view>

namespace ostrane::server {

// "#N", how output lines name connection N.
std::string connectionTag(unsigned long number);

// Control bytes as \xNN so an event stays one line; everything else byte for byte.
std::string printable(std::string_view text);

} // namespace ostrane::server
