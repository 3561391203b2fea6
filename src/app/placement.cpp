#include "app/placement.h"

namespace ostrane::app {

TwipPosition centredOnScreen(float screenWidth, float screenHeight, float windowWidth,
                             float windowHeight) {
    return {(screenWidth - windowWidth) / 2.0f, (screenHeight - windowHeight) / 2.0f};
}

} // namespace ostrane::app
