#include "qt/linktextbox.h"

#include "qt/displaytext.h"

#include <utility>

namespace ostrane::app {

LinkTextBox::LinkTextBox(platform::Conversations& conversations, QWidget* parent)
    : QLineEdit(parent), link_(conversations) {
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!settingAddress_)
            address_ = text.toStdString();
    });
}

void LinkTextBox::setAddress(std::string address) {
    settingAddress_ = true;
    setText(app::displayText(address));
    settingAddress_ = false;
    address_ = std::move(address);
}

} // namespace ostrane::app
