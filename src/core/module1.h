#pragma once

#include "core/folderpicker.h"

#include <string>
#include <string_view>

namespace ostrane::core {

// The text before its first NUL; all of it when it holds none.
std::string_view cutAtFirstNul(std::string_view text);

namespace Module1 {

// Asks the user for the folder of songs. Gives its full path, or "" when the user cancels or
// the platform gives no path.
std::string ChooseSongFolder(FolderPicker& picker, WindowHandle owner, std::string_view prompt);

} // namespace Module1

} // namespace ostrane::core
