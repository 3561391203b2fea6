#pragma once

#include "win32/win32api.h"

#include <string_view>

namespace ostrane::win32 {

// A picture from the program's resources, kept as a bitmap that its owner deletes.
class Picture {
public:
    Picture() = default;
    // The bitmap resource named after the asset file ("banner.jpg") at its own pixel size on
    // a screen of 96 dots per inch. Above that, as the Linux program: its double-size twin
    // (the resource "banner.2x", from banner@2x.png) where there is one, at the screen's scale
    // rounded to whole pixels (the twin as it is at 192). Empty when there is none.
    Picture(std::string_view asset, int dotsPerInch);
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    Picture(Picture&& other) noexcept;
    Picture& operator=(Picture&& other) noexcept;

    bool empty() const { return source_ == nullptr; }
    // The size it is drawn at on its screen, and its size at 96 dots per inch.
    SIZE size() const { return size_; }
    SIZE designSize() const { return designSize_; }

    // Draws the picture with its top-left corner at (x, y), at its own size; `alpha` below 255
    // blends it with what lies beneath.
    void draw(HDC dc, int x, int y, BYTE alpha = 255) const;
    // Draws it at `size`, resampled from its source where that is not its own.
    void draw(HDC dc, int x, int y, SIZE size) const;

private:
    void release();

    // The bitmap as loaded (the twin above 96 dots per inch), and where that is not drawn as it
    // is, its copy at `size_`.
    HBITMAP source_ = nullptr;
    HBITMAP scaled_ = nullptr;
    SIZE sourceSize_{};
    SIZE designSize_{};
    SIZE size_{};
};

// An icon from the program's resources, by its asset file name; the program's own icon when
// there is none by that name. `size` 0 takes the icon's own size.
HICON loadIcon(std::string_view asset, int size = 0);

} // namespace ostrane::win32
