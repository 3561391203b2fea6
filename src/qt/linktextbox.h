#pragma once

#include "core/linkcontrol.h"

#include <QLineEdit>

namespace ostrane::app {

// A hidden text box that acts as a link client: its text is the address it sends.
class LinkTextBox : public QLineEdit {
    Q_OBJECT
public:
    LinkTextBox(platform::Conversations& conversations, QWidget* parent);

    link::LinkControl& link() { return link_; }
    const link::LinkControl& link() const { return link_; }

    // The send sequence with the box's current text as the address.
    void send() { link_.send(text().toStdString()); }

private:
    link::LinkControl link_;
};

} // namespace ostrane::app
