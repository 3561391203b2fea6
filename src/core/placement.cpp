#include "core/placement.h"

#include "core/wholenumber.h"

namespace ostrane::core {

TwipPosition centredOnScreen(float screenWidth, float screenHeight, float windowWidth,
                             float windowHeight) {
    return {(screenWidth - windowWidth) / 2.0f, (screenHeight - windowHeight) / 2.0f};
}

std::int32_t centredInWholeTwips(float screenSize, float windowSize) {
    const std::int32_t window = wholeNumber(windowSize);
    const std::int32_t screen = wholeNumber(screenSize);
    return screen / 2 - window / 2;
}

} // namespace ostrane::core
