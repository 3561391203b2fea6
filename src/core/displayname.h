#pragma once

#include <string>
#include <string_view>

namespace ostrane::core {

// The UTF-8 text that shows a name or path the file system gave as bytes, on one line and
// with every character visible: a byte that is not part of well-formed UTF-8 becomes U+FFFD,
// a C0 control or DEL the four characters of its escape (a newline shows as "\x0a"), and a
// C1 control or a line or paragraph separator (U+2028, U+2029) U+FFFD. Escapes rather than
// control pictures, which few bold faces carry. Only for showing: the name itself travels as
// the bytes.
std::string displayName(std::string_view bytes);

} // namespace ostrane::core
