#include "support/soak.h"

#include <gtest/gtest.h>

namespace ostrane::testing {
namespace {

// The long run is bench/soak; this one is short enough for every test run.
TEST(Form1Soak, TwoThousandConversationsLeaveNoDescriptorOrMemoryBehind) {
    SoakOptions options;
    options.conversations = 2000;
    options.seed = 7;
    options.hangPerMille = 2;
    options.samples = 4;
    const SoakFigures figures = runSoak(options);
    std::printf("%s; worst gap %.1f ms; %.1f s\n", figures.playerCounts.c_str(), figures.worstGapMs,
                figures.seconds);
    ASSERT_EQ(figures.conversations, 2000u);
    ASSERT_EQ(figures.samples.size(), 5u);
    EXPECT_TRUE(figures.playerCounts.starts_with("served 2000 ")) << figures.playerCounts;
    EXPECT_EQ(figures.playerCounts.find(" hung 0"), std::string::npos) << figures.playerCounts;
    // After the first quarter has warmed everything up, nothing grows. Each of the four
    // buttons keeps its last conversation open until its next one, and one more may be
    // opening: between two samples the count moves by up to five without any leak (one
    // descriptor lost in every hundred conversations would still add fifteen).
    const SoakSample& warm = figures.samples[1];
    constexpr std::size_t heldAtMost = 4 + 1;
    for (const SoakSample& later : figures.samples) {
        if (later.conversations <= warm.conversations)
            continue;
        SCOPED_TRACE(later.conversations);
        EXPECT_LE(later.descriptors, warm.descriptors + heldAtMost);
        EXPECT_LE(later.residentKb, warm.residentKb + 2048);
    }
}

} // namespace
} // namespace ostrane::testing
