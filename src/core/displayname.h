#pragma once

#include <string>
#include <string_view>

namespace ostrane::app {

// The UTF-8 text that shows a name or path the file system gave as bytes, on one line and
// with every character visible: a byte that is not part of well-formed UTF-8 becomes U+FFFD,
// a C0 control its control picture (U+2400 + code, so a newline shows as U+240A), DEL U+2421,
// and a C1 control or a line or paragraph separator (U+2028, U+2029) U+FFFD. Only for showing:
// the name itself travels as the bytes.
std::string displayName(std::string_view bytes);

} // namespace ostrane::app
