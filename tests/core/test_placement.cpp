#include "core/placement.h"
#include "core/screenpixels.h"
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

TEST(ScreenPixels, EdgesRoundToTheNearestPixelHalvesUp) {
    struct Case {
        int at96;
        double scale;
        int expected;
    };
    for (const Case c : {Case{2, 1.25, 3}, Case{103, 1.5, 155}, Case{102, 1.5, 153},
                         Case{-1, 1.5, -1}, Case{-3, 1.5, -4}, Case{347, 2.0, 694}})
        EXPECT_EQ(screenEdge(c.at96, c.scale), c.expected) << c.at96 << " at " << c.scale;
}

// Each side's two bands' widths, outer then inner: top, left, bottom, right.
std::array<int, 8> bandWidths(const std::array<EdgeRing, 2>& rings) {
    std::array<int, 8> widths{};
    for (std::size_t i = 0; i < 2; ++i) {
        widths[i] = rings[i].top.bottom - rings[i].top.top;
        widths[2 + i] = rings[i].left.right - rings[i].left.left;
        widths[4 + i] = rings[i].bottom.bottom - rings[i].bottom.top;
        widths[6 + i] = rings[i].right.right - rings[i].right.left;
    }
    return widths;
}

TEST(ScreenPixels, ASunkenEdgesBandsAreOneOrTwoPixelsByWhereTheyFall) {
    const PixelRect text1{102, 120, 348, 141};
    EXPECT_EQ(bandWidths(sunkenEdgeRings(text1, 1.5, 1.5)), (std::array{2, 1, 2, 1, 2, 1, 1, 2}));
    EXPECT_EQ(bandWidths(sunkenEdgeRings(text1, 2.0, 2.0)), (std::array{2, 2, 2, 2, 2, 2, 2, 2}));
    // One pixel further on, each band's width at 1.5 turns over.
    EXPECT_EQ(bandWidths(sunkenEdgeRings({103, 121, 349, 142}, 1.5, 1.5)),
              (std::array{1, 2, 1, 2, 1, 2, 2, 1}));

    // From the box's own corner; the top band stops where the right one starts.
    const auto rings = sunkenEdgeRings(text1, 1.5, 1.5);
    EXPECT_EQ(rings[0].top, (PixelRect{0, 0, 368, 2}));
    EXPECT_EQ(rings[0].right, (PixelRect{368, 0, 369, 32}));
    EXPECT_EQ(rings[1].bottom, (PixelRect{2, 29, 368, 30}));
}

TEST(ScreenPixels, ABevelsDarkBandsTakeTheFarCorners) {
    const auto rings = bevelRings({10, 20, 56, 58}, 2);
    EXPECT_EQ(rings[0].top, (PixelRect{10, 20, 54, 22}));
    EXPECT_EQ(rings[0].bottom, (PixelRect{10, 56, 56, 58}));
    EXPECT_EQ(rings[0].right, (PixelRect{54, 20, 56, 58}));
    EXPECT_EQ(rings[1].top, (PixelRect{12, 22, 52, 24}));
}

TEST(ScreenPixels, APictureCentresOnTheMiddlePixelRoundingDown) {
    EXPECT_EQ(centredStart(0, 10, 4), 2); // an even gap: a pixel nearer the start
    EXPECT_EQ(centredStart(0, 10, 5), 2);
    EXPECT_EQ(centredStart(0, 4, 6), -2); // larger than its space: over both edges
}

} // namespace
} // namespace ostrane::core
