#pragma once

#include "win32/control.h"
#include "win32/pictures.h"

#include <functional>

namespace ostrane::win32 {

// Shows a picture at its own pixel size from the top-left corner, clipped, on the box's back
// colour inside its border. With auto size on, it takes the size of its picture plus the
// border whenever the picture changes.
class PictureBox final : public Control {
public:
    PictureBox(const core::ControlDescription& row, const core::TwipScale& scale, HFONT formFont);

    const Picture& picture() const { return *shown_; }

    // Space and Return click the box.
    bool keyPressed(WPARAM key) override;
    // Shows another box's picture, which must outlive this box's use of it.
    void showPicture(const Picture& picture);
    // The box's own picture is chosen again for the scale, and the box fitted to it.
    void rescale(const core::TwipScale& scale, int dotsPerInch, HFONT formFont) override;

    // A press and release of the left button over the box; the release that ends a double
    // click is not a click.
    std::function<void()> onClick;
    // A mouse move over the box, or a message that claims to be one, with its X in pixels.
    std::function<void(int x)> onMouseMove;

    static constexpr wchar_t WindowClass[] = L"OstranePictureBox";
    // Registers the window class once per process.
    static bool registerClass();

private:
    void windowCreated() override;
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void fitPicture();
    void paint();

    Picture own_;
    const Picture* shown_ = &own_;
    bool pressed_ = false;
    bool doubleClicked_ = false;
};

} // namespace ostrane::win32
