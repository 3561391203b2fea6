#include "core/displaychoice.h"

#include <gtest/gtest.h>

namespace ostrane::core {
namespace {

TEST(DisplayChoice, AWaylandSessionWithAnXServerRunsThroughIt) {
    EXPECT_TRUE(prefersXWayland({"", "wayland-0", "wayland", ":0"}));
    // Either sign of Wayland is enough.
    EXPECT_TRUE(prefersXWayland({"", "wayland-0", "", ":1"}));
    EXPECT_TRUE(prefersXWayland({"", "", "wayland", ":1"}));
}

TEST(DisplayChoice, TheUsersOwnChoiceOfPlatformIsKept) {
    EXPECT_FALSE(prefersXWayland({"wayland", "wayland-0", "wayland", ":0"}));
    EXPECT_FALSE(prefersXWayland({"xcb", "wayland-0", "wayland", ":0"}));
    EXPECT_FALSE(prefersXWayland({"offscreen", "wayland-0", "wayland", ":0"}));
}

TEST(DisplayChoice, WithoutAnXServerOrWithoutWaylandNothingChanges) {
    // Wayland alone: Qt's own choice is the only one that can work.
    EXPECT_FALSE(prefersXWayland({"", "wayland-0", "wayland", ""}));
    // An X11 session.
    EXPECT_FALSE(prefersXWayland({"", "", "x11", ":0"}));
    EXPECT_FALSE(prefersXWayland({"", "", "", ":0"}));
}

} // namespace
} // namespace ostrane::core
