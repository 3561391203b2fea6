#pragma once

#include "core/linkcontrol.h"

#include <QLineEdit>
#include <string>

namespace ostrane::qt {

// A hidden text box that acts as a link client: its text is the address it sends.
class LinkTextBox : public QLineEdit {
    Q_OBJECT
public:
    LinkTextBox(core::Conversations& conversations, QWidget* parent);

    core::LinkControl& link() { return link_; }
    const core::LinkControl& link() const { return link_; }

    // The address as bytes, which the box shows through displayName: a song path is sent as
    // the file system names it, whatever the screen can show of it. Text set otherwise is
    // sent as its UTF-8.
    void setAddress(std::string address);
    const std::string& address() const { return address_; }

    // The send sequence with the box's address.
    void send() { link_.send(address_); }

private:
    core::LinkControl link_;
    std::string address_;
    bool settingAddress_ = false;
};

} // namespace ostrane::qt
