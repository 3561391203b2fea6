#pragma once

namespace ostrane::qt {

// Makes the faces the windows name resolve to the nearest installed face of the same size
// and weight. Call once, after the application object exists and before any window.
void installFontSubstitutes();

// Adds the free Tahoma where it is installed, once. Only the second window names it, so
// reading its files waits for that window rather than holding up the start.
void addTahoma();

} // namespace ostrane::qt
