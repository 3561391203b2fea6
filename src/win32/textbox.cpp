#include "win32/textbox.h"

namespace ostrane::win32 {

TextBox::TextBox(const core::ControlDescription& row, const core::TwipScale& scale, HFONT formFont)
    : Control(row, scale, L"EDIT", ES_AUTOHSCROLL | ES_LEFT | WS_TABSTOP, formFont, row.caption) {}

void TextBox::windowCreated() {
    // A path is longer than the edit control's default limit allows.
    ::SendMessageW(window_, EM_SETLIMITTEXT, 0, 0);
}

LinkTextBox::LinkTextBox(const core::ControlDescription& row, const core::TwipScale& scale,
                         HFONT formFont, core::Conversations& conversations)
    : TextBox(row, scale, formFont), link_(conversations), address_(row.caption) {}

void LinkTextBox::setAddress(std::string address) {
    address_ = std::move(address);
    setText(address_);
}

} // namespace ostrane::win32
