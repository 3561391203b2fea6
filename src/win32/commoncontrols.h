#pragma once

#include "platform/win32/systemroutine.h"

#include <commctrl.h>

namespace ostrane::win32 {

// The tips are the common controls', whose library is loaded with the first tip rather than
// at start. True once their classes are registered.
inline bool commonControlsLoaded() {
    static const bool loaded = [] {
        const auto initialise = platform::win32::systemRoutine<decltype(::InitCommonControlsEx)>(
            L"comctl32.dll", "InitCommonControlsEx");
        const INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
        return initialise != nullptr && initialise(&common) != FALSE;
    }();
    return loaded;
}

} // namespace ostrane::win32
