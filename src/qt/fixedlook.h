#pragma once

#include <QPalette>

namespace ostrane::app {

// The light palette every window and dialog of the program starts from: the colours a
// control has when its window gives it none of its own.
QPalette fixedPalette();

// Gives the application its own style (Fusion), palette, tooltip palette and default font, so
// that no desktop theme, style or colour scheme changes how the windows look. Runs once,
// right after the application object is made.
void useFixedLook();

} // namespace ostrane::app
