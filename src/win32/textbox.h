#pragma once

#include "core/linkcontrol.h"
#include "win32/control.h"

#include <string>

namespace ostrane::win32 {

// A single-line edit control.
class TextBox : public Control {
public:
    TextBox(const core::ControlDescription& row, const core::TwipScale& scale, HFONT formFont);

protected:
    void windowCreated() override;
};

// A text box that is never shown and acts as a link client: its text is the address it
// sends, kept as bytes beside the text. Never shown, it holds no window.
class LinkTextBox final : public TextBox {
public:
    LinkTextBox(const core::ControlDescription& row, const core::TwipScale& scale, HFONT formFont,
                core::Conversations& conversations);

    bool holdsWindow() const override { return false; }

    core::LinkControl& link() { return link_; }

    void setAddress(std::string address);
    const std::string& address() const { return address_; }

    // The send sequence with the box's address.
    void send() { link_.send(address_); }

private:
    core::LinkControl link_;
    std::string address_;
};

} // namespace ostrane::win32
