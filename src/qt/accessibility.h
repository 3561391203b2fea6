#pragma once

class QString;
class QWidget;

namespace ostrane::qt {

// Lets assistive technology (screen readers, AT-SPI) see the windows as their user does: a
// window marked with `presentAsWindow` leaves out of its children the controls that are
// hidden, that lie outside its client area, and the decorations that take no clicks; a
// control that acts as a button is one whose press action is a click on it. Runs once, after
// the application object is made.
void installAccessibility();

void presentAsWindow(QWidget* window);

// Names a control for assistive technology; one that acts on a click (a caption or a
// picture) is presented as a button.
void describeForAssistiveTechnology(QWidget* control, const QString& name, bool actsAsButton);

} // namespace ostrane::qt
