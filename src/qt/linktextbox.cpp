#include "qt/linktextbox.h"

namespace ostrane::app {

LinkTextBox::LinkTextBox(platform::Conversations& conversations, QWidget* parent)
    : QLineEdit(parent), link_(conversations) {
    // Never shown, so never a stop on the way through the window with Tab.
    setFocusPolicy(Qt::NoFocus);
}

} // namespace ostrane::app
