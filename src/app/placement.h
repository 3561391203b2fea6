#pragma once

namespace ostrane::app {

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

} // namespace ostrane::app
