#pragma once

#include <cstdint>

namespace ostrane::core {

// A window position in twips, kept fractional until the window is moved.
struct TwipPosition {
    float left = 0;
    float top = 0;
};

// Centres a window of the given outer size on a screen, in single precision: a window one
// twip narrower than the screen sits half a twip from its edge, a larger one overhangs
// both edges equally.
TwipPosition centredOnScreen(float screenWidth, float screenHeight, float windowWidth,
                             float windowHeight);

// Centres one edge in whole twips: screen and window size are each made whole (halves to
// even) and halved by integer division, dropping the remainder. Never clamped, so a window
// larger than the screen gets a negative edge.
std::int32_t centredInWholeTwips(float screenSize, float windowSize);

} // namespace ostrane::core
