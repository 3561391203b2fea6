#include "win32/label.h"

#include "platform/win32/widetext.h"
#include "win32/commoncontrols.h"

#include <utility>

namespace ostrane::win32 {

namespace {

DWORD labelStyle(const core::ControlDescription& row) {
    // An ampersand in a caption (or a folder's name) is shown, never taken as a mnemonic.
    DWORD style = SS_NOPREFIX;
    switch (row.alignment) {
    case core::Alignment::Left:
        style |= row.wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
        break;
    case core::Alignment::Centre:
        style |= SS_CENTER;
        break;
    case core::Alignment::Right:
        style |= SS_RIGHT;
        break;
    }
    return style;
}

} // namespace

Label::Label(const core::ControlDescription& row, const core::TwipScale& scale, HFONT formFont)
    : Control(row, scale, L"STATIC", labelStyle(row), formFont, row.caption) {}

void Label::windowCreated() {
    if (!tipText_.empty())
        tipDue_ = ::PostMessageW(::GetParent(window_), tipsDueMessage, 0, 0) != FALSE;
}

void Label::setForeColour(COLORREF colour) {
    if (fore_ && fore_->colour() == colour)
        return;
    fore_.emplace(colour);
    repaint();
}

void Label::setCaption(std::string_view caption) {
    setText(caption);
    repaint();
}

void Label::repaint() {
    if (window_ == nullptr)
        return;
    if (row_.opaque) {
        ::InvalidateRect(window_, nullptr, TRUE);
        return;
    }
    const RECT area = bounds();
    ::RedrawWindow(::GetParent(window_), &area, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Label::setTip(std::string_view tip) {
    tipText_ = platform::win32::wideFromUtf8(tip).value_or(L"");
    if (window_ == nullptr)
        return;
    if (tip_ != nullptr)
        attachTip();
    else if (!tipDue_)
        tipDue_ = ::PostMessageW(::GetParent(window_), tipsDueMessage, 0, 0) != FALSE;
}

void Label::attachTip() {
    const HWND form = ::GetParent(window_);
    if (tip_ == nullptr) {
        if (!std::exchange(tipDue_, false) || !commonControlsLoaded())
            return;
        tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                 WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, form, nullptr,
                                 ::GetModuleHandleW(nullptr), nullptr);
        if (tip_ == nullptr)
            return;
    }
    // The label lets the pointer through to its form, so the tip watches the form over the
    // label's rectangle.
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = form;
    tool.uId = reinterpret_cast<UINT_PTR>(window_);
    tool.rect = bounds();
    tool.lpszText = tipText_.data();
    ::SendMessageW(tip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Label::rescale(const core::TwipScale& scale, int dotsPerInch, HFONT formFont) {
    Control::rescale(scale, dotsPerInch, formFont);
    if (tip_ != nullptr)
        attachTip();
}

HBRUSH Label::colours(HDC dc, HBRUSH system) {
    const HBRUSH brush = Control::colours(dc, system);
    if (row_.opaque)
        return brush;
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

} // namespace ostrane::win32
