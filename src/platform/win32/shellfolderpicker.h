#pragma once

#include "core/folderpicker.h"

namespace ostrane::platform::win32 {

// The shell's folder dialog: SHBrowseForFolderA with an 8-bit prompt, only file-system
// folders. Runs on a thread that pumps window messages.
class ShellFolderPicker final : public core::FolderPicker {
public:
    // The path comes back through the wide form of SHGetPathFromIDList, so a folder whose
    // name the 8-bit code page cannot spell still arrives whole.
    std::string pick(core::WindowHandle owner, std::string_view prompt) override;
};

} // namespace ostrane::platform::win32
