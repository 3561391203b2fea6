#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ostrane::core {

// The key that orders names naturally and without regard to case: "Track 2" before
// "track 10". Keys compare as plain byte strings; bytes that are not UTF-8 stay as they are.
std::string naturalOrderKey(std::string_view name);
void appendNaturalOrderKey(std::string& key, std::string_view name);

// Sorts names by their natural order keys; names with the same key by their own bytes, so
// that the order never depends on the order they came in.
void sortNaturally(std::vector<std::string>& names);

} // namespace ostrane::core
