#include "win32/pointertip.h"

#include "platform/win32/widetext.h"
#include "win32/commoncontrols.h"

#include <algorithm>

namespace ostrane::win32 {

PointerTip::~PointerTip() {
    if (tip_ != nullptr && ::IsWindow(tip_))
        ::DestroyWindow(tip_);
}

TOOLINFOW PointerTip::tool() {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
    tool.hwnd = owner_;
    tool.uId = reinterpret_cast<UINT_PTR>(owner_);
    tool.lpszText = text_.data();
    return tool;
}

bool PointerTip::create() {
    if (!commonControlsLoaded())
        return false;
    tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, owner_, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
    if (tip_ == nullptr)
        return false;
    text_ = L" ";
    TOOLINFOW added = tool();
    ::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&added));
    // Any maximum width makes the tooltip break its text at '\n'; this one is wide enough that
    // it breaks nowhere else.
    ::SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, ::GetSystemMetrics(SM_CXSCREEN));
    return true;
}

POINT PointerTip::placeOnScreen(POINT pointer, TOOLINFOW& shown) const {
    // Below the pointer's arrow, as the system's own tips lie; above it where the screen
    // ends below, and moved left where it ends to the right.
    const int below = ::GetSystemMetrics(SM_CYCURSOR) * 3 / 4;
    const LRESULT size =
        ::SendMessageW(tip_, TTM_GETBUBBLESIZE, 0, reinterpret_cast<LPARAM>(&shown));
    const int width = LOWORD(size);
    const int height = HIWORD(size);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& area = monitor.rcWork;
    POINT at{pointer.x, pointer.y + below};
    if (at.y + height > area.bottom)
        at.y = pointer.y - height;
    at.x = std::max(area.left, std::min<LONG>(at.x, area.right - width));
    at.y = std::max(area.top, at.y);
    return at;
}

void PointerTip::show(std::string_view text, POINT pointer) {
    if (text.empty()) {
        hide();
        return;
    }
    if (tip_ == nullptr && !create())
        return;
    text_ = platform::win32::wideFromUtf8(text).value_or(L"");
    TOOLINFOW updated = tool();
    ::SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&updated));
    // The window's own text too, which is what accessibility tools and window lists read.
    ::SetWindowTextW(tip_, text_.c_str());
    const POINT at = placeOnScreen(pointer, updated);
    ::SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
    ::SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&updated));
    shown_ = true;
}

void PointerTip::hide() {
    if (!shown_)
        return;
    TOOLINFOW shownTool = tool();
    ::SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&shownTool));
    shown_ = false;
}

} // namespace ostrane::win32
