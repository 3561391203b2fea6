#include "core/displayname.h"

#include <gtest/gtest.h>

namespace ostrane::core {
namespace {

TEST(DisplayName, WellFormedTextIsShownAsItIs) {
    for (const char* name : {"", "song.spc", "Ünïcödé ♪.spc", "a|b\\c.spc", "\xf0\x9f\x8e\xb5.sp1"})
        EXPECT_EQ(displayName(name), name);
    // A real U+FFFD stays one.
    EXPECT_EQ(displayName("\xef\xbf\xbd.spc"), "\xef\xbf\xbd.spc");
}

TEST(DisplayName, EachBadByteBecomesOneReplacementCharacter) {
    EXPECT_EQ(displayName("\xff.spc"), "\xef\xbf\xbd.spc");
    // Overlong, surrogate, beyond U+10FFFF, a lone continuation, a truncated sequence.
    EXPECT_EQ(displayName("\xc0\xaf"), "\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(displayName("\xed\xa0\x80"), "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd");
    EXPECT_EQ(displayName("\xf4\x90\x80\x80").size(), 4u * 3u);
    EXPECT_EQ(displayName("a\x80z"), "a\xef\xbf\xbdz");
    EXPECT_EQ(displayName("x\xe2\x99"), "x\xef\xbf\xbd\xef\xbf\xbd");
    // The good character after a bad byte is kept.
    EXPECT_EQ(displayName("\xe2\xe2\x99\xaa"), "\xef\xbf\xbd\xe2\x99\xaa");
}

TEST(DisplayName, ControlsAreShownVisiblyOnOneLine) {
    EXPECT_EQ(displayName("a\nb.spc"), "a\\x0ab.spc");
    EXPECT_EQ(displayName(std::string_view("\0\t\r\x1b\x1f\x7f", 6)),
              "\\x00\\x09\\x0d\\x1b\\x1f\\x7f");
    // C1 controls (here NEL, U+0085) and the Unicode line and paragraph separators.
    EXPECT_EQ(displayName("a\xc2\x85"
                          "b\xe2\x80\xa8"
                          "c\xe2\x80\xa9"),
              "a\xef\xbf\xbd"
              "b\xef\xbf\xbd"
              "c\xef\xbf\xbd");
    // U+00A0, just past the C1 controls, a control picture and ASCII stay as they are.
    EXPECT_EQ(displayName("\xc2\xa0\xe2\x90\x8a ~"), "\xc2\xa0\xe2\x90\x8a ~");
}

} // namespace
} // namespace ostrane::core
