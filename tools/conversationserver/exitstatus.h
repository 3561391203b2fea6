#pragma once

// The exit statuses every conversation server and link peer shares.

namespace ostrane::server {

// Could not serve: an unsafe folder, a path too long, a socket error.
inline constexpr int exitFailure = 1;
// Bad options.
inline constexpr int exitUsage = 2;
// Another server already serves the name.
inline constexpr int exitNameTaken = 3;

} // namespace ostrane::server
