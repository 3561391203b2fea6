#pragma once

namespace ostrane::qt {

// Makes the faces the windows name resolve to the nearest installed face of the same size
// and weight. Call once, after the application object exists and before any window.
void installFontSubstitutes();

} // namespace ostrane::qt
