#pragma once

#include "win32/control.h"
#include "win32/pictures.h"

#include <functional>

namespace ostrane::win32 {

// A command button in graphical style, drawn by itself: the face in its own colour, its
// picture centred (the held-down picture while it is pressed), its caption in the middle, and
// the caption etched when the button is disabled.
class CommandButton final : public Control {
public:
    CommandButton(const core::ControlDescription& row, const core::TwipScale& scale,
                  HFONT formFont);

    // The picture drawn now: the held-down one while pressed, where there is one.
    const Picture& shownPicture(bool pressed) const;
    COLORREF faceColour() const;

    void command(WORD code) override;
    // Return presses the button, as Space does.
    bool keyPressed(WPARAM key) override;
    bool drawItem(const DRAWITEMSTRUCT& item) override;
    void rescale(const core::TwipScale& scale, int dotsPerInch, HFONT formFont) override;

    std::function<void()> onClick;

private:
    Picture picture_;
    Picture downPicture_;
};

} // namespace ostrane::win32
