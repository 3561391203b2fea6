#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace ostrane::core {

// The first character of `text` and its length in bytes; nothing when `text` is empty or
// does not start with well-formed UTF-8.
std::optional<std::pair<char32_t, std::size_t>> decodeUtf8(std::string_view text);

void appendUtf8(std::string& text, char32_t code);

inline bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace ostrane::core
