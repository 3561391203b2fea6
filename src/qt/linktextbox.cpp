#include "qt/linktextbox.h"

namespace ostrane::app {

LinkTextBox::LinkTextBox(platform::Conversations& conversations, QWidget* parent)
    : QLineEdit(parent), link_(conversations) {}

} // namespace ostrane::app
