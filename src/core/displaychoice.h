#pragma once

#include <string_view>

namespace ostrane::core {

// What the program's environment says about the display it may use; an unset variable is
// an empty view.
struct DisplayEnvironment {
    std::string_view qtPlatform;     // QT_QPA_PLATFORM
    std::string_view waylandDisplay; // WAYLAND_DISPLAY
    std::string_view sessionType;    // XDG_SESSION_TYPE
    std::string_view x11Display;     // DISPLAY
};

// Whether to run through the X server of a Wayland session (XWayland) instead of Wayland
// itself: a Wayland client can neither place its windows nor learn that it was minimised, so
// the windows would not be centred and could not hide into the notification icon. True only
// when the user chose no platform and the session offers both Wayland and X.
bool prefersXWayland(const DisplayEnvironment& environment);

} // namespace ostrane::core
