#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrane::core {

// A window as the platform identifies it (an X11 window id, an HWND).
using WindowHandle = std::uintptr_t;

// The platform's folder dialog.
class FolderPicker {
public:
    virtual ~FolderPicker() = default;

    // Shows a picker, modal to `owner`, that offers only file-system folders and shows
    // `prompt`. Gives the confirmed folder's full path, or "" when the user cancels. Both
    // texts are UTF-8.
    virtual std::string pick(WindowHandle owner, std::string_view prompt) = 0;
};

} // namespace ostrane::core
