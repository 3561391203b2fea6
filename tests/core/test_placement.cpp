#include "core/placement.h"
#include "core/twips.h"

#include <gtest/gtest.h>

namespace ostrane::core {
namespace {

TEST(Placement, CentresInSinglePrecisionWithoutRounding) {
    auto at = centredOnScreen(15360, 11520, 15360, 11520);
    EXPECT_EQ(at.left, 0.0f);
    EXPECT_EQ(at.top, 0.0f);

    at = centredOnScreen(15360, 11520, 15357, 11518);
    EXPECT_EQ(at.left, 1.5f);
    EXPECT_EQ(at.top, 1.0f);

    at = centredOnScreen(15360, 11520, 15359, 11519);
    EXPECT_EQ(at.left, 0.5f);
    EXPECT_EQ(at.top, 0.5f);
}

TEST(Placement, AWindowLargerThanTheScreenOverhangsBothEdgesEqually) {
    const auto at = centredOnScreen(6000, 4000, 6301, 5000);
    EXPECT_EQ(at.left, -150.5f);
    EXPECT_EQ(at.top, -500.0f);
    EXPECT_EQ(at.left + 6301 + at.left, 6000.0f);
}

TEST(TwipScale, FifteenTwipsPerPixelAtNinetySixDots) {
    const auto scale = TwipScale::forDotsPerInch(96, 96);
    EXPECT_EQ(scale.twipsPerPixelX(), 15.0f);
    EXPECT_EQ(scale.pixelsX(5250), 350);
    EXPECT_EQ(scale.pixelsY(2895), 193);
    EXPECT_EQ(scale.pixelsX(-15), -1);
    EXPECT_EQ(scale.twipsY(193), 2895.0f);

    const auto denser = TwipScale::forDotsPerInch(120, 144);
    EXPECT_EQ(denser.twipsPerPixelX(), 12.0f);
    EXPECT_EQ(denser.twipsPerPixelY(), 10.0f);
    EXPECT_EQ(denser.pixelsX(5250), 438); // 437.5 rounds away from zero
}

} // namespace
} // namespace ostrane::core
