#pragma once

#include "core/folderpicker.h"

#include <functional>
#include <string>
#include <string_view>

namespace ostrane::core {

inline constexpr std::string_view SongFolderPrompt = "Please select your SPC directory.";

// The two places that show the song folder: the song list and the folder label.
struct SongFolderDisplay {
    // Moves the list to the folder; false when the folder cannot be listed.
    std::function<bool(const std::string&)> setListPath;
    std::function<void(const std::string&)> setFolderLabel;
};

// The "Load SPC" click: the chosen folder goes to the list first and to the label second. A
// cancel changes neither; a folder that cannot be listed leaves the label as it was.
void Command1_Click(FolderPicker& picker, WindowHandle owner, const SongFolderDisplay& display);

} // namespace ostrane::core
