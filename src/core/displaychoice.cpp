#include "core/displaychoice.h"

namespace ostrane::core {

bool prefersXWayland(const DisplayEnvironment& environment) {
    const bool wayland =
        !environment.waylandDisplay.empty() || environment.sessionType == "wayland";
    return environment.qtPlatform.empty() && wayland && !environment.x11Display.empty();
}

} // namespace ostrane::core
