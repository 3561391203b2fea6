#include "win32/control.h"

#include "core/shades.h"
#include "platform/win32/widetext.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <commctrl.h>
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

COLORREF shaded(COLORREF colour, int percent) {
    const core::Colour shade = core::shaded(
        core::Colour::rgb(GetRValue(colour), GetGValue(colour), GetBValue(colour)), percent);
    return RGB(shade.red, shade.green, shade.blue);
}

std::optional<COLORREF> colourOf(const core::Colour& colour) {
    using Source = core::Colour::Source;
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

namespace {

const core::TwipScale& designScale() {
    static const core::TwipScale scale = core::TwipScale::forDotsPerInch(96.0f, 96.0f);
    return scale;
}

// How many of the screen's pixels a pixel at 96 dots per inch spans, across and down.
double scaleX(const core::TwipScale& scale) {
    return static_cast<double>(designScale().twipsPerPixelX()) / scale.twipsPerPixelX();
}

double scaleY(const core::TwipScale& scale) {
    return static_cast<double>(designScale().twipsPerPixelY()) / scale.twipsPerPixelY();
}

int edgeX(const core::TwipScale& scale, LONG pixelsAt96) {
    return core::screenEdge(static_cast<int>(pixelsAt96), scaleX(scale));
}

int edgeY(const core::TwipScale& scale, LONG pixelsAt96) {
    return core::screenEdge(static_cast<int>(pixelsAt96), scaleY(scale));
}

// A row's rectangle at 96 dots per inch, with `sizeAt96` where that is given.
core::PixelRect rowAt96(const core::ControlDescription& row, std::optional<SIZE> sizeAt96) {
    const int left = designScale().pixelsX(row.left);
    const int top = designScale().pixelsY(row.top);
    const SIZE size = sizeAt96.value_or(
        SIZE{designScale().pixelsX(row.width), designScale().pixelsY(row.height)});
    return {left, top, left + static_cast<int>(size.cx), top + static_cast<int>(size.cy)};
}

} // namespace

int screenPixelsX(const core::TwipScale& scale, float twips) {
    return edgeX(scale, designScale().pixelsX(twips));
}

int screenPixelsY(const core::TwipScale& scale, float twips) {
    return edgeY(scale, designScale().pixelsY(twips));
}

RECT placed(const core::TwipScale& scale, const core::ControlDescription& row,
            std::optional<SIZE> sizeAt96) {
    const core::PixelRect at96 = rowAt96(row, sizeAt96);
    return {edgeX(scale, at96.left), edgeY(scale, at96.top), edgeX(scale, at96.right),
            edgeY(scale, at96.bottom)};
}

void paintRing(HDC dc, const core::EdgeRing& ring, COLORREF topLeft, COLORREF bottomRight) {
    auto fill = [dc](const core::PixelRect& band, HBRUSH brush) {
        const RECT area{band.left, band.top, band.right, band.bottom};
        ::FillRect(dc, &area, brush);
    };
    const HBRUSH first = ::CreateSolidBrush(topLeft);
    const HBRUSH second = ::CreateSolidBrush(bottomRight);
    fill(ring.top, first);
    fill(ring.left, first);
    fill(ring.bottom, second);
    fill(ring.right, second);
    ::DeleteObject(first);
    ::DeleteObject(second);
}

int lineWidth(const core::TwipScale& scale) {
    return std::max(
        1, static_cast<int>(std::lround(designScale().twipsPerPixelY() / scale.twipsPerPixelY())));
}

Control::Control(const core::ControlDescription& row, const core::TwipScale& scale,
                 const wchar_t* windowClass, DWORD style, HFONT formFont, std::string_view text)
    : row_(row), formFont_(formFont), scale_(scale), windowClass_(windowClass),
      text_(wideFromUtf8(text).value_or(L"")) {
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
    if (row.border == core::Border::Flat)
        style |= WS_BORDER;
    style_ = style;
}

void Control::createWindow(HWND form, HWND above) {
    if (window_ != nullptr || !holdsWindow())
        return;
    const DWORD extended = row_.border == core::Border::Sunken ? WS_EX_CLIENTEDGE : 0;
    const RECT place = placed(scale_, row_);
    window_ = ::CreateWindowExW(extended, windowClass_, text_.c_str(), style_, place.left,
                                place.top, place.right - place.left, place.bottom - place.top, form,
                                nullptr, ::GetModuleHandleW(nullptr), this);
    if (window_ == nullptr)
        return;
    text_.clear();
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowPos(window_, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font()), FALSE);
    if (row_.border == core::Border::Sunken && back_) {
        baseProcedure_ = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
            window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(paintSunkenEdge)));
        // The edge's width is the procedure's now.
        ::SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    windowCreated();
}

LRESULT CALLBACK Control::paintSunkenEdge(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const Control* self = from(window);
    if (self == nullptr)
        return ::DefWindowProcW(window, message, wParam, lParam);
    const LRESULT result = ::CallWindowProcW(self->baseProcedure_, window, message, wParam, lParam);
    if (message != WM_NCCALCSIZE && message != WM_NCPAINT)
        return result;
    const Control& control = *self;
    // Each ring's bands lie where the Linux program's painter puts them, so at a fractional
    // scale each is one or two pixels wide by where it falls on the screen.
    const auto edge = core::sunkenEdgeRings(rowAt96(control.row_, std::nullopt),
                                            scaleX(control.scale_), scaleY(control.scale_));
    if (message == WM_NCCALCSIZE) {
        // Both forms of the message begin with the rectangle to inset, by the system's edge
        // of two pixels so far.
        auto* area = reinterpret_cast<RECT*>(lParam);
        const RECT outer = placed(control.scale_, control.row_);
        const core::EdgeRing& inner = edge[1];
        area->left += inner.left.right - 2;
        area->top += inner.top.bottom - 2;
        area->right -= (outer.right - outer.left) - inner.right.left - 2;
        area->bottom -= (outer.bottom - outer.top) - inner.bottom.top - 2;
        return result;
    }
    const COLORREF back = control.back_->colour();
    using Shades = std::array<std::pair<COLORREF, COLORREF>, 2>;
    // A text box has the classic edge of fixed greys, as the other front end draws it; any
    // other field an edge in shades of its own back colour, so a black one stays one block.
    const Shades shades =
        control.row_.kind == core::ControlKind::TextBox
            ? Shades{{{RGB(128, 128, 128), RGB(255, 255, 255)}, {RGB(0, 0, 0), RGB(192, 192, 192)}}}
            : Shades{{{shaded(back, 67), shaded(back, 150)}, {shaded(back, 33), back}}};
    const HDC dc = ::GetWindowDC(window);
    for (std::size_t ring = 0; ring < edge.size(); ++ring)
        paintRing(dc, edge[ring], shades[ring].first, shades[ring].second);
    ::ReleaseDC(window, dc);
    return result;
}

Control::~Control() {
    if (window_ != nullptr && ::IsWindow(window_)) {
        if (baseProcedure_ != nullptr)
            ::SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(baseProcedure_));
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
    const DWORD style =
        window_ != nullptr ? static_cast<DWORD>(::GetWindowLongPtrW(window_, GWL_STYLE)) : style_;
    return (style & WS_VISIBLE) != 0;
}

void Control::setVisible(bool visible) {
    if (window_ != nullptr)
        ::ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
    else
        style_ = visible ? style_ | WS_VISIBLE : style_ & ~DWORD{WS_VISIBLE};
}

bool Control::enabled() const {
    if (window_ == nullptr)
        return (style_ & WS_DISABLED) == 0;
    return ::IsWindowEnabled(window_) != FALSE;
}

void Control::setEnabled(bool enabled) {
    if (window_ != nullptr)
        ::EnableWindow(window_, enabled ? TRUE : FALSE);
    else
        style_ = enabled ? style_ & ~DWORD{WS_DISABLED} : style_ | WS_DISABLED;
}

std::string Control::text() const {
    if (window_ == nullptr)
        return utf8FromWide(text_);
    const int length = ::GetWindowTextLengthW(window_);
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window_, wide.data(), length + 1);
    wide.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return utf8FromWide(wide);
}

void Control::setText(std::string_view text) {
    std::wstring wide = wideFromUtf8(text).value_or(L"");
    if (window_ != nullptr)
        ::SetWindowTextW(window_, wide.c_str());
    else
        text_ = std::move(wide);
}

RECT Control::bounds() const {
    if (window_ == nullptr)
        return placed(scale_, row_);
    RECT rect{};
    ::GetWindowRect(window_, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(window_), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void Control::rescale(const core::TwipScale& scale, int dotsPerInch, HFONT formFont) {
    if (!row_.font.isWindowFont())
        font_ = Font(row_.font, dotsPerInch);
    formFont_ = formFont;
    scale_ = scale;
    if (window_ == nullptr)
        return;
    const RECT place = placed(scale, row_);
    ::SetWindowPos(window_, nullptr, place.left, place.top, place.right - place.left,
                   place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font()), TRUE);
}

HBRUSH Control::colours(HDC dc, HBRUSH system) {
    if (fore_)
        ::SetTextColor(dc, fore_->colour());
    if (!back_)
        return system;
    ::SetBkColor(dc, back_->colour());
    return back_->brush();
}

bool registerWindowClass(const wchar_t* name, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
    windowClass.lpszClassName = name;
    return ::RegisterClassExW(&windowClass) != 0 ||
           ::GetClassInfoExW(windowClass.hInstance, name, &windowClass) != FALSE;
}

} // namespace ostrane::win32
