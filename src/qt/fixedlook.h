#pragma once

namespace ostrane::qt {

// Gives the application its own style (Fusion), the fixed palette (windowdesign.h) for every
// window, dialog and tooltip, and a default font, so that no desktop theme, style or colour
// scheme changes how the windows look. Runs once, right after the application object is made.
void useFixedLook();

} // namespace ostrane::qt
