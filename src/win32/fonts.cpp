#include "win32/fonts.h"

#include "platform/win32/widetext.h"

#include <cmath>
#include <utility>

namespace ostrane::win32 {

Font::Font(const core::Font& font, int dotsPerInchY) {
    LOGFONTW logical{};
    // A negative height asks for the character height, as point sizes mean it.
    logical.lfHeight = -static_cast<LONG>(std::lround(font.points * dotsPerInchY / 72.0f));
    logical.lfWeight = font.weight;
    logical.lfCharSet = DEFAULT_CHARSET;
    logical.lfOutPrecision = OUT_DEFAULT_PRECIS;
    logical.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    logical.lfQuality = DEFAULT_QUALITY;
    logical.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::wstring face = platform::win32::wideFromUtf8(font.face).value_or(L"");
    lstrcpynW(logical.lfFaceName, face.c_str(), LF_FACESIZE);
    font_ = ::CreateFontIndirectW(&logical);
}

Font::~Font() {
    if (font_ != nullptr)
        ::DeleteObject(font_);
}

Font::Font(Font&& other) noexcept : font_(std::exchange(other.font_, nullptr)) {}

Font& Font::operator=(Font&& other) noexcept {
    if (this != &other) {
        if (font_ != nullptr)
            ::DeleteObject(font_);
        font_ = std::exchange(other.font_, nullptr);
    }
    return *this;
}

POINT screenDotsPerInch() {
    const HDC screen = ::GetDC(nullptr);
    const POINT dpi{::GetDeviceCaps(screen, LOGPIXELSX), ::GetDeviceCaps(screen, LOGPIXELSY)};
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

} // namespace ostrane::win32
