#pragma once

#include "core/linkcontrol.h"
#include "win32/control.h"

namespace ostrane::win32 {

// A single-line edit control.
class TextBox : public Control {
public:
    TextBox(HWND form, const core::ControlDescription& row, const core::TwipScale& scale,
            HFONT formFont);
};

// A text box that is never shown and acts as a link client: its text is the address it
// sends.
class LinkTextBox final : public TextBox {
public:
    LinkTextBox(HWND form, const core::ControlDescription& row, const core::TwipScale& scale,
                HFONT formFont, core::Conversations& conversations);

    core::LinkControl& link() { return link_; }

    // The send sequence with the box's current text as the address.
    void send() { link_.send(text()); }

private:
    core::LinkControl link_;
};

} // namespace ostrane::win32
