#include "win32/picturebox.h"

#include <cstdlib>
#include <utility>

namespace ostrane::win32 {

PictureBox::PictureBox(const core::ControlDescription& row, const core::TwipScale& scale,
                       HFONT formFont)
    : Control(row, scale, WindowClass, WS_TABSTOP, formFont, {}),
      own_(row.picture, screenDotsPerInch().x) {}

void PictureBox::windowCreated() {
    // The border's width is this class's, known once the window is the box's.
    ::SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    fitPicture();
}

bool PictureBox::registerClass() {
    return registerWindowClass(WindowClass, windowProcedure);
}

bool PictureBox::keyPressed(WPARAM key) {
    if (key != VK_SPACE && key != VK_RETURN)
        return false;
    if (onClick)
        onClick();
    return true;
}

void PictureBox::showPicture(const Picture& picture) {
    shown_ = &picture;
    fitPicture();
    if (window_ != nullptr)
        ::InvalidateRect(window_, nullptr, TRUE);
}

void PictureBox::rescale(const core::TwipScale& scale, int dotsPerInch, HFONT formFont) {
    Control::rescale(scale, dotsPerInch, formFont);
    own_ = Picture(row_.picture, dotsPerInch);
    fitPicture();
    if (window_ != nullptr)
        ::InvalidateRect(window_, nullptr, TRUE);
}

void PictureBox::fitPicture() {
    if (!row_.autoSize || shown_->empty() || window_ == nullptr)
        return;
    // The box takes the picture's size at 96 dots per inch with its border, and is placed on
    // the screen as the Linux program places it; the picture is then fitted inside.
    const int border = row_.border == core::Border::Flat ? 2 : 0;
    const SIZE design = shown_->designSize();
    const RECT outer = placed(scale_, row_, SIZE{design.cx + border, design.cy + border});
    ::SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void PictureBox::paint() {
    PAINTSTRUCT painting;
    const HDC dc = ::BeginPaint(window_, &painting);
    RECT client;
    ::GetClientRect(window_, &client);
    const HBRUSH back = back_ ? back_->brush() : ::GetSysColorBrush(COLOR_WINDOW);
    ::FillRect(dc, &client, back);
    // A picture within a pixel of its box's inside fills it, as on Linux.
    SIZE size = shown_->size();
    if (std::abs(size.cx - client.right) <= 1)
        size.cx = client.right;
    if (std::abs(size.cy - client.bottom) <= 1)
        size.cy = client.bottom;
    shown_->draw(dc, 0, 0, size);
    ::EndPaint(window_, &painting);
}

LRESULT PictureBox::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        paint();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_NCCALCSIZE:
        // The border is a line of the screen's width, as on Linux: two pixels from 1.5 times
        // the design's scale. Both forms of the message begin with the rectangle to inset.
        if (row_.border == core::Border::Flat) {
            auto* area = reinterpret_cast<RECT*>(lParam);
            ::InflateRect(area, -lineWidth(scale_), -lineWidth(scale_));
            return 0;
        }
        break;
    case WM_NCPAINT:
        if (row_.border == core::Border::Flat) {
            // The border in the system's window text colour, as a flat frame is drawn.
            const HDC dc = ::GetWindowDC(window_);
            RECT outer;
            ::GetWindowRect(window_, &outer);
            ::OffsetRect(&outer, -outer.left, -outer.top);
            for (int ring = 0; ring < lineWidth(scale_); ++ring) {
                ::FrameRect(dc, &outer, ::GetSysColorBrush(COLOR_WINDOWTEXT));
                ::InflateRect(&outer, -1, -1);
            }
            ::ReleaseDC(window_, dc);
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
        pressed_ = true;
        ::SetCapture(window_);
        return 0;
    case WM_LBUTTONDBLCLK:
        pressed_ = true;
        doubleClicked_ = true;
        ::SetCapture(window_);
        return 0;
    case WM_LBUTTONUP: {
        const bool ended = std::exchange(doubleClicked_, false);
        const bool wasPressed = std::exchange(pressed_, false);
        ::ReleaseCapture();
        RECT client;
        ::GetClientRect(window_, &client);
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (wasPressed && !ended && ::PtInRect(&client, at) && onClick)
            onClick();
        return 0;
    }
    case WM_MOUSEMOVE:
        if (onMouseMove)
            onMouseMove(GET_X_LPARAM(lParam));
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK PictureBox::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    // Only PictureBox objects own windows of this class.
    auto* box = static_cast<PictureBox*>(Control::from(window));
    if (box == nullptr || box->window_ != window)
        return ::DefWindowProcW(window, message, wParam, lParam);
    return box->onMessage(message, wParam, lParam);
}

} // namespace ostrane::win32
