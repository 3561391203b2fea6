#include "win32/commandbutton.h"

#include "core/shades.h"

namespace ostrane::win32 {

CommandButton::CommandButton(const core::ControlDescription& row, const core::TwipScale& scale,
                             HFONT formFont)
    : Control(row, scale, L"BUTTON", BS_OWNERDRAW | WS_TABSTOP, formFont, row.caption),
      picture_(row.picture, screenDotsPerInch().x),
      downPicture_(row.downPicture, screenDotsPerInch().x) {}

void CommandButton::rescale(const core::TwipScale& scale, int dotsPerInch, HFONT formFont) {
    Control::rescale(scale, dotsPerInch, formFont);
    picture_ = Picture(row_.picture, dotsPerInch);
    downPicture_ = Picture(row_.downPicture, dotsPerInch);
}

const Picture& CommandButton::shownPicture(bool pressed) const {
    return pressed && !downPicture_.empty() ? downPicture_ : picture_;
}

COLORREF CommandButton::faceColour() const {
    return back_ ? back_->colour() : ::GetSysColor(COLOR_BTNFACE);
}

void CommandButton::command(WORD code) {
    if (code == BN_CLICKED && onClick)
        onClick();
}

bool CommandButton::keyPressed(WPARAM key) {
    if (key != VK_RETURN)
        return false;
    ::SendMessageW(window_, BM_CLICK, 0, 0);
    return true;
}

bool CommandButton::drawItem(const DRAWITEMSTRUCT& item) {
    const HDC dc = item.hDC;
    const RECT all = item.rcItem;
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    const COLORREF face = faceColour();

    const HBRUSH faceBrush = ::CreateSolidBrush(face);
    ::FillRect(dc, &all, faceBrush);
    ::DeleteObject(faceBrush);
    const core::Bevel bevel = core::buttonBevel(
        core::Colour::rgb(GetRValue(face), GetGValue(face), GetBValue(face)), pressed);
    // Each ring of the bevel is a line of the screen's width, as on Linux.
    const int line = lineWidth(scale_);
    const auto rings = core::bevelRings({all.left, all.top, all.right, all.bottom}, line);
    paintRing(dc, rings[0], rgbOf(bevel.outerLight), rgbOf(bevel.outerDark));
    paintRing(dc, rings[1], rgbOf(bevel.innerLight), rgbOf(bevel.innerDark));

    // Contents sink by one line while the button is held down.
    const int sink = pressed ? line : 0;
    const Picture& shown = shownPicture(pressed);
    if (!shown.empty()) {
        const int x = core::centredStart(all.left, all.right, shown.size().cx);
        const int y = core::centredStart(all.top, all.bottom, shown.size().cy);
        shown.draw(dc, x + sink, y + sink, disabled ? 102 : 255);
    }

    const std::wstring caption = [this] {
        std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window_)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            ::GetWindowTextW(window_, text.data(), static_cast<int>(text.size()))));
        return text;
    }();
    if (!caption.empty()) {
        RECT area{all.left + 2 + sink, all.top + 2 + sink, all.right - 2 + sink,
                  all.bottom - 2 + sink};
        const HGDIOBJ previousFont = ::SelectObject(dc, font());
        ::SetBkMode(dc, TRANSPARENT);
        const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
        if (disabled) {
            RECT etched = area;
            ::OffsetRect(&etched, 1, 1);
            const core::Etching etching = core::etchedCaption(
                core::Colour::rgb(GetRValue(face), GetGValue(face), GetBValue(face)));
            ::SetTextColor(dc, rgbOf(etching.light));
            ::DrawTextW(dc, caption.c_str(), -1, &etched, format);
            ::SetTextColor(dc, rgbOf(etching.dark));
        } else {
            ::SetTextColor(dc, fore_ ? fore_->colour() : ::GetSysColor(COLOR_BTNTEXT));
        }
        ::DrawTextW(dc, caption.c_str(), -1, &area, format);
        ::SelectObject(dc, previousFont);
    }

    if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
        RECT focus{all.left + 4, all.top + 4, all.right - 4, all.bottom - 4};
        ::DrawFocusRect(dc, &focus);
    }
    return true;
}

} // namespace ostrane::win32
