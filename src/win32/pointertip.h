#pragma once

#include "win32/win32api.h"

#include <string>
#include <string_view>

namespace ostrane::win32 {

// A tooltip that shows where and when its owner says, one line per line of its text: the
// owner decides what lies under the pointer, which a list's rows need and a tool's fixed
// rectangle cannot give. The tooltip window is made on the first show, so a window that never
// shows one costs nothing at its start.
class PointerTip {
public:
    explicit PointerTip(HWND owner) : owner_(owner) {}
    ~PointerTip();
    PointerTip(const PointerTip&) = delete;
    PointerTip& operator=(const PointerTip&) = delete;

    // Shows `text` (UTF-8, lines split by '\n') below the screen point `pointer`.
    void show(std::string_view text, POINT pointer);
    void hide();

    bool shown() const { return shown_; }
    // The tooltip's window, nullptr before the first show.
    HWND handle() const { return tip_; }

private:
    bool create();
    TOOLINFOW tool();
    // Where the tip of the tool `shown` goes for the pointer at `pointer`, inside its screen.
    POINT placeOnScreen(POINT pointer, TOOLINFOW& shown) const;

    HWND owner_;
    HWND tip_ = nullptr;
    std::wstring text_;
    bool shown_ = false;
};

} // namespace ostrane::win32
