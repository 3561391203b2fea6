#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ostrane::platform::win32 {

// UTF-8 to UTF-16; nothing when the bytes are not valid UTF-8.
std::optional<std::wstring> wideFromUtf8(std::string_view text);

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf8FromWide(std::wstring_view text);

// UTF-8 to the system's 8-bit code page, as the shell's 8-bit calls take text; a character
// the code page lacks becomes its default character.
std::string codePageFromUtf8(std::string_view text);

} // namespace ostrane::platform::win32
