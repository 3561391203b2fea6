#pragma once

#include "core/windowdescription.h"
#include "win32/win32api.h"

namespace ostrane::win32 {

// A font that its owner deletes. The face is asked for by name; where it is not installed,
// Windows' font mapper picks the nearest face of the same size and weight.
class Font {
public:
    Font() = default;
    // The description's font at the screen's vertical resolution.
    Font(const core::Font& font, int dotsPerInchY);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    Font(Font&& other) noexcept;
    Font& operator=(Font&& other) noexcept;

    HFONT handle() const { return font_; }

private:
    HFONT font_ = nullptr;
};

// The screen's resolution in dots per inch, horizontally and vertically.
POINT screenDotsPerInch();

} // namespace ostrane::win32
