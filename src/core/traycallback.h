#pragma once

#include <cstdint>
#include <functional>

namespace ostrane::core {

// The notification icon's callback, as it reaches the window: a mouse move whose X is the
// mouse message's number in twips.
class TrayCallback {
public:
    static constexpr std::int32_t LeftDoubleClick = 515;

    // Decodes X into TrayMessage, then, unless a callback is being handled already, runs
    // `restore` for a left double click. A callback raised meanwhile is dropped.
    void handle(float x, float twipsPerPixelX, const std::function<void()>& restore);

    // The icon came or went by itself. A window hidden in the notification area comes back
    // through `restore` once the icon is shown nowhere, since nothing else could bring it
    // back; a window on screen or minimised in the task bar stays as it is.
    void iconShownChanged(bool hiddenInTray, bool iconShown, const std::function<void()>& restore);

    std::int32_t TrayMessage = 0;
    bool TrayBusy = false;
};

} // namespace ostrane::core
