#pragma once

// How servers write what they receive into their one-line-per-event output, so that each line
// reads back as exactly one service and topic (docs/PROTOCOL.md gives the format). Portable:
// the Windows peer shares it.

#include <string>
#include <string_view>

namespace ostrane::server {

// "#N", how output lines name connection N.
std::string connectionTag(unsigned long number);

// Text as one line that reads back unambiguously; printable UTF-8 stays as it is:
//   "\" as "\\"; control bytes (below 0x20, 0x7f) and bytes that are not UTF-8 as "\xNN";
//   C1 controls, format characters (bidi controls, zero-width characters and the like) and
//   the line and paragraph separators as "\u{HEX}". Hex digits are lower case.
std::string printable(std::string_view text);

// printable, with "|" also escaped as "\|": a service is followed by "|" and its topic.
std::string printableService(std::string_view service);

// "SERVICE|TOPIC" as output lines carry it.
std::string printableConversation(std::string_view service, std::string_view topic);

} // namespace ostrane::server
