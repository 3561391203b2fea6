#pragma once

class QWidget;

namespace ostrane::qt {

// Lets assistive technology (screen readers, AT-SPI) see the windows as their user does:
// a window's hidden controls are left out of its children, and a control marked with
// `presentAsButton` is a button whose press action is a click on it. Runs once, after the
// application object is made.
void installAccessibility();

// Presents a control that acts on a click (a caption or a picture) as a button named `name`.
void presentAsButton(QWidget* control, const char* name);

} // namespace ostrane::qt
