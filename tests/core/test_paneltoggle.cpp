#include "core/paneltoggle.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace ostrane::core {
namespace {

using Events = std::vector<std::string>;

// Records each write; the height is kept in whole pixels of 15 twips, as a window system
// keeps it.
class RecordingPanel : public PanelControls {
public:
    void setFolderLabelTip(std::string_view tip) override { record("tip " + std::string(tip)); }
    void showListFolder() override { record("label"); }
    std::string state() const override { return state_; }
    void setState(std::string_view state) override {
        state_ = state;
        record("state " + state_);
    }
    void showOpenPicture() override { record("picture open"); }
    void showClosedPicture() override { record("picture closed"); }
    void setLoadEnabled(bool enabled) override { record(enabled ? "enable" : "disable"); }
    float height() const override { return heightOverride ? *heightOverride : pixels * 15.0f; }
    void setHeight(float twips) override {
        pixels = static_cast<int>(std::lround(twips / 15.0f));
        ++heightWrites;
    }

    // Events without the height writes, which are counted apart.
    Events events;
    std::string state_;
    int pixels = 193 + 10; // client area plus a frame
    int heightWrites = 0;
    std::optional<float> heightOverride;

private:
    void record(std::string event) { events.push_back(std::move(event)); }
};

TEST(PanelToggle, OpensThenClosesThenOpensAgainInTheirOwnOrders) {
    RecordingPanel panel;
    const int closedPixels = panel.pixels;

    togglePanel(panel);
    EXPECT_EQ(panel.events, (Events{"tip Click Me", "label", "picture open", "enable", "state 1"}));
    EXPECT_EQ(panel.heightWrites, 12);
    // 200 twips are 13 1/3 pixels: each step reads the whole-pixel height anew.
    EXPECT_EQ(panel.pixels, closedPixels + 12 * 13);

    panel.events.clear();
    togglePanel(panel);
    EXPECT_EQ(panel.events,
              (Events{"tip Click Me", "label", "disable", "picture closed", "state 0"}));
    EXPECT_EQ(panel.heightWrites, 24);
    EXPECT_EQ(panel.pixels, closedPixels);

    panel.events.clear();
    togglePanel(panel);
    EXPECT_EQ(panel.events, (Events{"tip Click Me", "label", "picture open", "enable", "state 1"}));
}

TEST(PanelToggle, AnUnknownStateOnlyRefreshesTheFolderLabel) {
    for (const char* state : {"2", " ", "1 ", "Label5", "01"}) {
        SCOPED_TRACE(state);
        RecordingPanel panel;
        panel.state_ = state;
        const int pixels = panel.pixels;
        togglePanel(panel);
        EXPECT_EQ(panel.events, (Events{"tip Click Me", "label"}));
        EXPECT_EQ(panel.pixels, pixels);
        EXPECT_EQ(panel.state_, state);
    }
}

TEST(PanelToggle, AHeightThatIsNoNumberStopsTheToggleBeforeTheStateIsWritten) {
    for (float height :
         {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
        RecordingPanel panel;
        panel.heightOverride = height;
        togglePanel(panel);
        EXPECT_EQ(panel.events, (Events{"tip Click Me", "label", "picture open", "enable"}));
        EXPECT_EQ(panel.state_, "");
    }
    EXPECT_FALSE(steppedHeight(std::numeric_limits<float>::max(), 1e38f));
    EXPECT_EQ(steppedHeight(2895.0f, -200.0f), 2695.0f);
}

} // namespace
} // namespace ostrane::core
