#include "qt/linktextbox.h"

#include "qt/displaytext.h"

#include <utility>

namespace ostrane::qt {

LinkTextBox::LinkTextBox(core::Conversations& conversations, QWidget* parent)
    : QLineEdit(parent), link_(conversations) {
    // Never shown, so never a stop on the way through the window with Tab.
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!settingAddress_)
            address_ = text.toStdString();
    });
}

void LinkTextBox::setAddress(std::string address) {
    settingAddress_ = true;
    setText(qt::displayText(address));
    settingAddress_ = false;
    address_ = std::move(address);
}

} // namespace ostrane::qt
