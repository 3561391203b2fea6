#pragma once

#include "win32/control.h"

#include <functional>

namespace ostrane::win32 {

// A static text. It takes no mouse input of its own: the pointer's moves and presses over it
// reach its form, which hands them to the label beneath the pointer.
class Label final : public Control {
public:
    Label(const core::ControlDescription& row, const core::TwipScale& scale, HFONT formFont);

    void setForeColour(COLORREF colour);
    // The text shown while the pointer rests over the label. The tip itself is made once the
    // form has handled `tipsDueMessage`, which this posts: after the first frame at start.
    void setTip(std::string_view tip);
    void attachTip();
    static constexpr UINT tipsDueMessage = WM_APP + 20;
    // Text and colour changes of a label that lets its form show through repaint the form
    // beneath it first.
    void setCaption(std::string_view caption);

    HBRUSH colours(HDC dc, HBRUSH system) override;
    // The tip follows the label to its new place.
    void rescale(const core::TwipScale& scale, int dotsPerInch, HFONT formFont) override;

    std::function<void()> onMouseMove;
    std::function<void()> onMouseDown;

private:
    // A tip given before the window was made is made after it.
    void windowCreated() override;
    void repaint();

    HWND tip_ = nullptr;
    bool tipDue_ = false;
    std::wstring tipText_;
};

} // namespace ostrane::win32
