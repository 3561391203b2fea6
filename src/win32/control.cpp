#include "win32/control.h"

#include "platform/win32/widetext.h"

#include <utility>

namespace ostrane::win32 {

using platform::win32::utf8FromWide;
using platform::win32::wideFromUtf8;

Paint::Paint(COLORREF colour) : colour_(colour), brush_(::CreateSolidBrush(colour)) {}

Paint::~Paint() {
    if (brush_ != nullptr)
        ::DeleteObject(brush_);
}

Paint::Paint(Paint&& other) noexcept
    : colour_(other.colour_), brush_(std::exchange(other.brush_, nullptr)) {}

Paint& Paint::operator=(Paint&& other) noexcept {
    if (this != &other) {
        if (brush_ != nullptr)
            ::DeleteObject(brush_);
        colour_ = other.colour_;
        brush_ = std::exchange(other.brush_, nullptr);
    }
    return *this;
}

std::optional<COLORREF> colourOf(const app::Colour& colour) {
    using Source = app::Colour::Source;
    switch (colour.source) {
    case Source::Rgb:
        return RGB(colour.red, colour.green, colour.blue);
    case Source::WindowBackground:
        return ::GetSysColor(COLOR_WINDOW);
    case Source::WindowText:
        return ::GetSysColor(COLOR_WINDOWTEXT);
    case Source::ButtonFace:
        return ::GetSysColor(COLOR_BTNFACE);
    case Source::ToolkitDefault:
        break;
    }
    return std::nullopt;
}

Control::Control(HWND form, const app::ControlDescription& row, const app::TwipScale& scale,
                 const wchar_t* windowClass, DWORD style, HFONT formFont, std::string_view text)
    : row_(row), formFont_(formFont) {
    if (!row.font.isWindowFont())
        font_ = Font(row.font, screenDotsPerInch().y);
    if (const auto colour = colourOf(row.foreColour))
        fore_.emplace(*colour);
    if (const auto colour = colourOf(row.backColour))
        back_.emplace(*colour);

    // Overlapping controls paint only where no sibling lies in front of them.
    style |= WS_CHILD | WS_CLIPSIBLINGS;
    if (row.visible)
        style |= WS_VISIBLE;
    if (!row.enabled)
        style |= WS_DISABLED;
    DWORD extended = 0;
    if (row.border == app::Border::Flat)
        style |= WS_BORDER;
    else if (row.border == app::Border::Sunken)
        extended |= WS_EX_CLIENTEDGE;
    const std::wstring wide = wideFromUtf8(text).value_or(L"");
    window_ = ::CreateWindowExW(extended, windowClass, wide.c_str(), style, scale.pixelsX(row.left),
                                scale.pixelsY(row.top), scale.pixelsX(row.width),
                                scale.pixelsY(row.height), form, nullptr,
                                ::GetModuleHandleW(nullptr), this);
    if (window_ == nullptr)
        return;
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
}

Control::~Control() {
    if (window_ != nullptr && ::IsWindow(window_)) {
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        ::DestroyWindow(window_);
    }
}

Control* Control::from(HWND window) {
    if (window == nullptr)
        return nullptr;
    return reinterpret_cast<Control*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

bool Control::visible() const {
    return (::GetWindowLongPtrW(window_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Control::setVisible(bool visible) {
    ::ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
}

bool Control::enabled() const {
    return ::IsWindowEnabled(window_) != FALSE;
}

void Control::setEnabled(bool enabled) {
    ::EnableWindow(window_, enabled ? TRUE : FALSE);
}

std::string Control::text() const {
    const int length = ::GetWindowTextLengthW(window_);
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window_, wide.data(), length + 1);
    wide.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return utf8FromWide(wide);
}

void Control::setText(std::string_view text) {
    const std::wstring wide = wideFromUtf8(text).value_or(L"");
    ::SetWindowTextW(window_, wide.c_str());
}

RECT Control::bounds() const {
    RECT rect{};
    ::GetWindowRect(window_, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(window_), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HBRUSH Control::colours(HDC dc, HBRUSH system) {
    if (fore_)
        ::SetTextColor(dc, fore_->colour());
    if (!back_)
        return system;
    ::SetBkColor(dc, back_->colour());
    return back_->brush();
}

} // namespace ostrane::win32
