#include "core/traycallback.h"

#include "core/wholenumber.h"

namespace ostrane::core {

void TrayCallback::handle(float x, float twipsPerPixelX, const std::function<void()>& restore) {
    TrayMessage = wholeNumber(x / twipsPerPixelX);
    if (TrayBusy)
        return;
    TrayBusy = true;
    if (TrayMessage == LeftDoubleClick)
        restore();
    TrayBusy = false;
}

void TrayCallback::iconShownChanged(bool hiddenInTray, bool iconShown,
                                    const std::function<void()>& restore) {
    if (hiddenInTray && !iconShown)
        restore();
}

} // namespace ostrane::core
