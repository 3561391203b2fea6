#include "core/songpath.h"

#include <gtest/gtest.h>

namespace ostrane::core {
namespace {

TEST(SongPath, FolderSeparatorName) {
    EXPECT_EQ(songPath("/music/spc", "/music/spc", "song.spc", '/'), "/music/spc/song.spc");
    EXPECT_EQ(songPath("D:\\Music\\SPC", "D:\\Music\\SPC", "song.spc", '\\'),
              "D:\\Music\\SPC\\song.spc");
    // The folder label still shows its start-up caption: the list's folder is taken.
    EXPECT_EQ(songPath("/music", "Label4", "a.spc", '/'), "/music/a.spc");
}

TEST(SongPath, ARootFolderGivesOneSeparator) {
    EXPECT_EQ(songPath("/", "/", "song.sp1", '/'), "/song.sp1");
    EXPECT_EQ(songPath("C:\\", "C:\\", "song.sp1", '\\'), "C:\\song.sp1");
    // Only the platform's own separator counts as the label's ending.
    EXPECT_EQ(songPath("/a\\", "/a\\", "b.spc", '/'), "/a\\/b.spc");
    EXPECT_EQ(songPath("C:/", "C:/", "b.spc", '\\'), "C:/\\b.spc");
}

TEST(SongPath, NamesPassThroughUnchanged) {
    for (const char* name : {"-rf.spc", "a|b.spc", "Ünïcödé ♪.spc", " two  spaces .spc"})
        EXPECT_EQ(songPath("/m", "/m", name, '/'), std::string("/m/") + name);
    EXPECT_EQ(songPath("/m", "", "x.spc", '/'), "/m/x.spc");
}

} // namespace
} // namespace ostrane::core
