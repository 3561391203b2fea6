#pragma once

#include <string>
#include <string_view>

namespace ostrane::core {

#ifdef _WIN32
inline constexpr char PathSeparator = '\\';
#else
inline constexpr char PathSeparator = '/';
#endif

// The full path of the song `fileName` in the listed folder `listPath`. `folderLabel` is the
// folder as the window shows it; when it already ends in the separator (a root folder) the
// name follows it directly, so that the path holds one separator there, not two.
std::string songPath(std::string_view listPath, std::string_view folderLabel,
                     std::string_view fileName, char separator = PathSeparator);

} // namespace ostrane::core
